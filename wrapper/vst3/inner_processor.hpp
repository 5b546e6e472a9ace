// The IComponent and IAudioProcessor calls of the instance: buses, set-up, activation, the
// sample-accurate process call and the saved state. Included by inner.hpp only.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <span>
#include <utility>

#include "framework/audio/buffer_manager.hpp"
#include "framework/log.hpp"
#include "framework/state/state.hpp"
#include "wrapper/core/flush_to_zero.hpp"
#include "wrapper/core/state_limit.hpp"
#include "wrapper/vst3/buses.hpp"
#include "wrapper/vst3/state_stream.hpp"
#include "wrapper/vst3/transport.hpp"

namespace vessimor::vst3 {

namespace process_detail {

// Buses per direction that the host's buffers are read for.
inline constexpr std::size_t MAX_BUSES = 16;

// The host's buffers of one direction as the buffer manager reads them: as many buses as both
// the host and the layout have.
inline std::size_t host_ports(const abi::AudioBusBuffers* buses, std::int32_t host_count,
                              std::int32_t layout_count,
                              std::array<HostAudioPort, MAX_BUSES>& ports) noexcept {
  if (buses == nullptr) return 0;
  const auto count = static_cast<std::size_t>(
      std::clamp<std::int32_t>(std::min(host_count, layout_count), 0, MAX_BUSES));
  for (std::size_t bus = 0; bus < count; ++bus) {
    ports[bus] = HostAudioPort{buses[bus].channelBuffers32,
                               static_cast<std::uint32_t>(std::max(buses[bus].numChannels, 0))};
  }
  return count;
}

// Zeroes `frames` samples of every channel the host gave for its outputs.
inline void silence_outputs(std::span<const HostAudioPort> outputs, std::uint32_t frames) noexcept {
  for (const HostAudioPort& port : outputs) {
    if (port.channels == nullptr) continue;
    for (std::uint32_t channel = 0; channel < port.channel_count; ++channel) {
      if (float* samples = port.channels[channel]) std::fill_n(samples, frames, 0.0F);
    }
  }
}

inline bool every_channel_has_samples(const Buffer& buffer) noexcept {
  for (const std::span<float> channel : buffer.as_slice()) {
    if (channel.empty()) return false;
  }
  return true;
}

}  // namespace process_detail

template <Vst3Plugin P>
abi::tresult WrapperInner<P>::set_bus_arrangements(const abi::SpeakerArrangement* inputs,
                                                   std::int32_t input_count,
                                                   const abi::SpeakerArrangement* outputs,
                                                   std::int32_t output_count) {
  if (inputs == nullptr || outputs == nullptr || input_count < 0 || output_count < 0) {
    return abi::kInvalidArgument;
  }
  const std::optional<std::size_t> layout = layout_for_arrangements(
      P::AUDIO_LAYOUTS, std::span(inputs, static_cast<std::size_t>(input_count)),
      std::span(outputs, static_cast<std::size_t>(output_count)));
  if (!layout) return abi::kResultFalse;
  core_.select_layout(*layout);
  return abi::kResultOk;
}

template <Vst3Plugin P>
abi::tresult WrapperInner<P>::setup_processing(const abi::ProcessSetup* setup) {
  if (setup == nullptr) return abi::kInvalidArgument;
  const auto sample_rate = static_cast<float>(setup->sampleRate);
  // A rate the processor cannot run at, or a negative block size, would poison every later block.
  if (!(std::isfinite(sample_rate) && sample_rate > 0.0F) || setup->maxSamplesPerBlock < 0) {
    return abi::kInvalidArgument;
  }
  ProcessingConfig config;
  config.sample_rate = sample_rate;
  config.max_buffer_size = static_cast<std::uint32_t>(setup->maxSamplesPerBlock);
  switch (setup->processMode) {
    case abi::kOffline:
      config.process_mode = ProcessMode::offline;
      break;
    case abi::kPrefetch:
      config.process_mode = ProcessMode::buffered;
      break;
    default:
      config.process_mode = ProcessMode::realtime;
      break;
  }
  core_.set_process_mode(config.process_mode);
  core_.buffer_config().store(config);
  return abi::kResultOk;
}

template <Vst3Plugin P>
abi::tresult WrapperInner<P>::set_active(bool active) {
  if (!active) {
    core_.with_plugin([](P& plugin) { plugin.deactivate(); });
    return abi::kResultOk;
  }
  const std::optional<ProcessingConfig> config = core_.buffer_config().load();
  if (!config) return abi::kResultFalse;
  InitContextImpl context(*this);
  return core_.activate(*config, context) ? abi::kResultOk : abi::kResultFalse;
}

template <Vst3Plugin P>
abi::tresult WrapperInner<P>::set_processing(bool processing) {
  core_.clear_last_result();
  core_.set_processing(processing);
  if (processing) {
    core_.template reset_plugin<InitContextImpl>(*this);
  } else {
    // A load's re-initialisation still due is done now rather than left for a later start.
    core_.template serve_reinit<InitContextImpl>(*this);
  }
  return abi::kResultOk;
}

template <Vst3Plugin P>
abi::tresult WrapperInner<P>::process(abi::ProcessData* data) {
  if (data == nullptr) return abi::kInvalidArgument;
  // 64-bit buffers read as floats would be noise: refused, with no buffer touched.
  if (data->symbolicSampleSize != abi::kSample32) return abi::kResultFalse;
  const std::optional<float> sample_rate = core_.buffer_config().sample_rate();
  if (!sample_rate) {
    // A host breaking the call order loses this block, not the session.
    if (!unconfigured_process_reported_.exchange(true, std::memory_order_relaxed)) {
      VESSIMOR_LOG_ERROR("Process call without prior setup call");
    }
    return abi::kResultFalse;
  }
  return util::process_wrapper([&] { return process_block(*data, *sample_rate); });
}

template <Vst3Plugin P>
abi::tresult WrapperInner<P>::process_block(const abi::ProcessData& data, float sample_rate) {
  using process_detail::MAX_BUSES;
  const AudioIOLayout& layout = core_.layout();
  // A negative count is taken as none: a parameter flush.
  const std::uint32_t total = static_cast<std::uint32_t>(std::max(data.numSamples, 0));
  const std::int32_t layout_outputs = bus_count(layout, abi::kAudio, abi::kOutput);
  const bool flush =
      total == 0 || (layout_outputs > 0 && (data.numOutputs <= 0 || data.outputs == nullptr));

  std::array<HostAudioPort, MAX_BUSES> inputs{};
  std::array<HostAudioPort, MAX_BUSES> outputs{};
  const std::size_t input_count = process_detail::host_ports(
      data.inputs, data.numInputs, bus_count(layout, abi::kAudio, abi::kInput), inputs);
  const std::size_t output_count =
      process_detail::host_ports(data.outputs, data.numOutputs, layout_outputs, outputs);
  const HostAudioBlock host_block{std::span<const HostAudioPort>(inputs.data(), input_count),
                                  std::span<const HostAudioPort>(outputs.data(), output_count)};

  process_events_.collect(data.inputParameterChanges, static_cast<std::int32_t>(total));
  const std::span<const ParamChange> changes = process_events_.changes();

  // The plug-in for the whole call, without waiting. The main thread holds it only while it
  // (de)activates or initialises the plug-in outside processing, so only a host that breaks the
  // call order meets that: the call still takes its parameter changes and sends silence, as a
  // CLAP call does, never the dry input.
  const auto access = core_.audio_scope();
  if (!access) {
    for (const ParamChange& change : changes) {
      (void)set_normalized_value_by_hash(change.hash, change.value);
    }
    if (!flush) process_detail::silence_outputs(std::span(outputs.data(), output_count), total);
    return abi::kResultOk;
  }
  // A state loaded since the last call re-initialises the plug-in before this call reads it.
  core_.template serve_reinit<InitContextImpl>(*this);

  std::size_t next = 0;
  std::uint32_t start = 0;
  while (true) {
    // The changes due at this sub-block's start apply before it; the next one ends it.
    while (next < changes.size() && changes[next].offset <= start) {
      (void)set_normalized_value_by_hash(changes[next].hash, changes[next].value);
      ++next;
    }
    const std::uint32_t end = next < changes.size() ? changes[next].offset : total;
    if (!flush) {
      BlockBuffers buffers = core_.buffer_manager().create_buffers(start, end - start, host_block);
      const Transport transport = make_transport(data.processContext, start, sample_rate);
      if (process_detail::every_channel_has_samples(buffers.main) &&
          std::all_of(buffers.aux.inputs.begin(), buffers.aux.inputs.end(),
                      process_detail::every_channel_has_samples)) {
        core::TransportContext context(transport);
        if (core_.process(buffers.main, buffers.aux, context).status ==
            ProcessResult::Status::error) {
          return abi::kResultFalse;
        }
      }
    }
    if (end >= total) break;
    start = end;
  }

  return abi::kResultOk;
}

template <Vst3Plugin P>
abi::tresult WrapperInner<P>::get_state(abi::IBStream* stream) {
  if (stream == nullptr) return abi::kInvalidArgument;
  const HostRef<abi::IBStream> hold(stream);
  const state::SerializedJson json = core_.state_json();
  if (!json) return abi::kResultFalse;
  // A stream that stops taking bytes has not saved the state: the host must hear so.
  return write_all(*stream, std::as_bytes(std::span(json.text.data(), json.text.size())))
             ? abi::kResultOk
             : abi::kResultFalse;
}

template <Vst3Plugin P>
abi::tresult WrapperInner<P>::set_state(abi::IBStream* stream) {
  if (stream == nullptr) return abi::kInvalidArgument;
  const HostRef<abi::IBStream> hold(stream);
  const std::optional<std::string> text = read_rest(*stream, core::MAX_STATE_BYTES);
  if (!text) return abi::kResultFalse;
  std::optional<PluginState> state = state::deserialize_json(*text);
  if (!state) return abi::kResultFalse;
  set_state_inner(*state);
  return abi::kResultOk;
}

}  // namespace vessimor::vst3
