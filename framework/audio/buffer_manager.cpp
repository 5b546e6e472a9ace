#include "framework/audio/buffer_manager.hpp"

#include <algorithm>
#include <cstring>
#include <new>

namespace vessimor {

namespace {

// The host's channel k from `offset`, or an empty view when the host gave no memory for it.
std::span<float> host_channel(const HostAudioPort& port, std::uint32_t k, std::uint32_t offset,
                              std::uint32_t length) noexcept {
  if (port.channels == nullptr || k >= port.channel_count || port.channels[k] == nullptr) {
    return {};
  }
  return {port.channels[k] + offset, length};
}

const HostAudioPort* port_at(std::span<const HostAudioPort> ports, std::size_t index) noexcept {
  return index < ports.size() ? &ports[index] : nullptr;
}

}  // namespace

BufferManager::BufferManager(std::uint32_t max_block_size, const AudioIOLayout& layout)
    : max_block_size_(max_block_size),
      has_main_input_(layout.main_input_channels.has_value()),
      has_main_output_(layout.main_output_channels.has_value()),
      main_buffer_(layout.main_output_channels.value_or(0)) {
  aux_input_storage_.reserve(layout.aux_input_ports.size());
  aux_input_buffers_.reserve(layout.aux_input_ports.size());
  for (const std::uint32_t channels : layout.aux_input_ports) {
    aux_input_storage_.emplace_back(channels, std::vector<float>(max_block_size, 0.0F));
    aux_input_buffers_.push_back(Buffer(channels));
  }
  aux_output_buffers_.reserve(layout.aux_output_ports.size());
  for (const std::uint32_t channels : layout.aux_output_ports) {
    aux_output_buffers_.push_back(Buffer(channels));
  }
}

BufferManager BufferManager::for_audio_io_layout(std::uint32_t max_block_size,
                                                 const AudioIOLayout& layout) {
  return BufferManager(max_block_size, layout);
}

BlockBuffers BufferManager::create_buffers(std::uint32_t offset, std::uint32_t length,
                                           const HostAudioBlock& host) noexcept {
  const std::size_t first_aux_input = has_main_input_ ? 1 : 0;
  const std::size_t first_aux_output = has_main_output_ ? 1 : 0;
  const HostAudioPort* main_output = has_main_output_ ? port_at(host.outputs, 0) : nullptr;
  const HostAudioPort* main_input = has_main_input_ ? port_at(host.inputs, 0) : nullptr;

  prepare_main(offset, length, main_output, main_input);
  prepare_aux_inputs(offset, length,
                     host.inputs.subspan(std::min(first_aux_input, host.inputs.size())));
  prepare_aux_outputs(offset, length,
                      host.outputs.subspan(std::min(first_aux_output, host.outputs.size())));

  return {main_buffer_, {aux_input_buffers_, aux_output_buffers_}};
}

void BufferManager::prepare_main(std::uint32_t offset, std::uint32_t length,
                                 const HostAudioPort* output, const HostAudioPort* input) noexcept {
  main_buffer_.num_samples_ = length;
  for (std::uint32_t k = 0; k < main_buffer_.slots_.size(); ++k) {
    main_buffer_.slots_[k] =
        output != nullptr ? host_channel(*output, k, offset, length) : std::span<float>{};
  }
  if (!has_main_input_) {
    return;
  }
  // Out of place, the input is copied into the output so that the plug-in always works in place.
  // Outputs without an input channel (or without any input port) start silent rather than with
  // whatever the host left in them.
  for (std::uint32_t k = 0; k < main_buffer_.slots_.size(); ++k) {
    const std::span<float> out = main_buffer_.slots_[k];
    if (out.empty()) {
      continue;
    }
    const std::span<float> in =
        input != nullptr ? host_channel(*input, k, offset, length) : std::span<float>{};
    if (in.empty()) {
      std::fill(out.begin(), out.end(), 0.0F);
    } else if (in.data() != out.data()) {
      std::memmove(out.data(), in.data(), length * sizeof(float));
    }
  }
}

void BufferManager::prepare_aux_inputs(std::uint32_t offset, std::uint32_t length,
                                       std::span<const HostAudioPort> ports) noexcept {
  for (std::size_t p = 0; p < aux_input_buffers_.size(); ++p) {
    Buffer& buffer = aux_input_buffers_[p];
    buffer.num_samples_ = length;
    const HostAudioPort* port = port_at(ports, p);
    for (std::uint32_t k = 0; k < buffer.slots_.size(); ++k) {
      std::vector<float>& storage = aux_input_storage_[p][k];
      // Within the prepared size this never reallocates; a longer block than the host announced
      // grows the storage rather than writing past it.
      try {
        storage.resize(length, 0.0F);
      } catch (const std::bad_alloc&) {
        buffer.slots_[k] = {};
        continue;
      }
      const std::span<float> in =
          port != nullptr ? host_channel(*port, k, offset, length) : std::span<float>{};
      if (in.empty()) {
        std::fill(storage.begin(), storage.end(), 0.0F);
      } else {
        std::copy(in.begin(), in.end(), storage.begin());
      }
      buffer.slots_[k] = storage;
    }
  }
}

void BufferManager::prepare_aux_outputs(std::uint32_t offset, std::uint32_t length,
                                        std::span<const HostAudioPort> ports) noexcept {
  for (std::size_t p = 0; p < aux_output_buffers_.size(); ++p) {
    Buffer& buffer = aux_output_buffers_[p];
    buffer.num_samples_ = length;
    const HostAudioPort* port = port_at(ports, p);
    for (std::uint32_t k = 0; k < buffer.slots_.size(); ++k) {
      const std::span<float> out =
          port != nullptr ? host_channel(*port, k, offset, length) : std::span<float>{};
      std::fill(out.begin(), out.end(), 0.0F);
      buffer.slots_[k] = out;
    }
  }
}

}  // namespace vessimor
