// The host's parameter changes of one process call as one list, sorted by sample offset, so that
// the block can be split at each offset and every change applied at its own sample.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/vst3/vst3.hpp"

namespace vessimor::vst3 {

// One parameter point of the host: the parameter's hash (its VST3 id), the normalised value and
// the sample offset within the block.
struct ParamChange {
  std::uint32_t offset = 0;
  std::uint32_t hash = 0;
  float value = 0.0F;
};

class ProcessEvents {
 public:
  // Changes one call can carry without the list growing.
  static constexpr std::size_t CAPACITY = 4096;

  // Thread: main (instance construction)
  ProcessEvents() { changes_.reserve(CAPACITY); }

  // Replaces the list with every point the host's queues give for a block of `samples` samples.
  // Offsets are clamped into the block (0 when it is empty): a negative one to 0, one past the
  // end to its last sample. Changes at one offset keep the host's order. Allocates nothing up to
  // CAPACITY changes. Thread: audio
  void collect(abi::IParameterChanges* changes, std::int32_t samples);

  // Thread: audio
  std::span<const ParamChange> changes() const noexcept { return changes_; }

 private:
  void insert_sorted(const ParamChange& change);

  std::vector<ParamChange> changes_;
};

}  // namespace vessimor::vst3
