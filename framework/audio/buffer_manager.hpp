#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "framework/audio/audio_io_layout.hpp"
#include "framework/audio/buffer.hpp"

namespace vessimor {

// One audio port as the host hands it over for a block: a table of channel pointers (each pointing
// at the start of the host's block) and its channel count. A null table means no memory.
struct HostAudioPort {
  float* const* channels = nullptr;
  std::uint32_t channel_count = 0;
};

// The host's ports for one block, in the host's port order: the main port, when the layout has
// one, is port 0 and the auxiliary ports follow it.
struct HostAudioBlock {
  std::span<const HostAudioPort> inputs;
  std::span<const HostAudioPort> outputs;
};

// The buffers of one (sub-)block, valid until the next `create_buffers` call.
struct BlockBuffers {
  Buffer& main;
  AuxiliaryBuffers aux;
};

// Owns the channel tables and the auxiliary input storage of one activation and points them at
// the host's memory for each (sub-)block, so that processing happens in place in the host's
// output channels.
class BufferManager {
 public:
  // Sizes every table and the auxiliary input storage for blocks of up to `max_block_size`
  // samples. Thread: main
  static BufferManager for_audio_io_layout(std::uint32_t max_block_size,
                                           const AudioIOLayout& layout);

  // Points the buffers at `length` samples of the host's channels starting at `offset`, copying
  // the main input into the main output when the host processes out of place. Channels the host
  // reports beyond the layout's are ignored. Allocates nothing while `length` stays within the
  // prepared size; a longer block grows the auxiliary input storage instead of overrunning it.
  // Thread: audio
  BlockBuffers create_buffers(std::uint32_t offset, std::uint32_t length,
                              const HostAudioBlock& host) noexcept;

  // Thread: any
  std::uint32_t max_block_size() const noexcept { return max_block_size_; }

 private:
  BufferManager(std::uint32_t max_block_size, const AudioIOLayout& layout);

  void prepare_main(std::uint32_t offset, std::uint32_t length, const HostAudioPort* output,
                    const HostAudioPort* input) noexcept;
  void prepare_aux_inputs(std::uint32_t offset, std::uint32_t length,
                          std::span<const HostAudioPort> ports) noexcept;
  void prepare_aux_outputs(std::uint32_t offset, std::uint32_t length,
                           std::span<const HostAudioPort> ports) noexcept;

  std::uint32_t max_block_size_;
  bool has_main_input_;
  bool has_main_output_;
  Buffer main_buffer_;
  // Per aux input port, per channel: a copy of the host's samples, so that a plug-in never
  // writes into the host's input memory.
  std::vector<std::vector<std::vector<float>>> aux_input_storage_;
  std::vector<Buffer> aux_input_buffers_;
  std::vector<Buffer> aux_output_buffers_;
};

}  // namespace vessimor
