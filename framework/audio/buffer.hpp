#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace vessimor {

// The audio channels of one (sub-)block. Each slot is a view on memory owned by the host or by the
// buffer manager; a slot with no memory behind it is empty, so readers go by each slot's own
// length rather than by `samples()`.
class Buffer {
 public:
  Buffer() = default;

  // Thread: audio
  std::size_t samples() const noexcept { return num_samples_; }
  // Thread: audio
  std::size_t channels() const noexcept { return slots_.size(); }
  // Thread: audio
  bool is_empty() const noexcept { return num_samples_ == 0; }
  // Thread: audio
  std::span<float> channel(std::size_t index) noexcept { return slots_[index]; }
  // Thread: audio
  std::span<const float> channel(std::size_t index) const noexcept { return slots_[index]; }
  // Thread: audio
  std::span<std::span<float>> as_slice() noexcept { return slots_; }
  // Thread: audio
  std::span<const std::span<float>> as_slice() const noexcept { return slots_; }

 private:
  friend class BufferManager;

  explicit Buffer(std::size_t slot_count) : slots_(slot_count) {}

  std::size_t num_samples_ = 0;
  std::vector<std::span<float>> slots_;
};

// The auxiliary ports' buffers of one (sub-)block, valid until the next `create_buffers`.
struct AuxiliaryBuffers {
  std::span<Buffer> inputs;
  std::span<Buffer> outputs;
};

}  // namespace vessimor
