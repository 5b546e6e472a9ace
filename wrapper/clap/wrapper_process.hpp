// The audio road: host blocks split at parameter and transport events, input and output events,
// and the re-initialisation a state load left for the audio thread. Included by wrapper.hpp only.
#pragma once

#include <algorithm>
#include <array>

namespace vessimor::clap {

namespace process_detail {

inline constexpr double FIXED_POINT_SCALE = 1.0 / static_cast<double>(CLAP_BEATTIME_FACTOR);

// An event time clamped into the block: hosts may place events at or past its end.
inline std::uint32_t clamped_time(std::uint32_t time, std::uint32_t total_length) noexcept {
  return total_length == 0 ? 0 : std::min(time, total_length - 1);
}

}  // namespace process_detail

template <ClapPlugin P>
clap_process_status Wrapper<P>::c_process(const clap_plugin* plugin,
                                          const clap_process* process) noexcept {
  return with(plugin, CLAP_PROCESS_ERROR, [process](Wrapper& self) {
    if (process == nullptr) {
      return CLAP_PROCESS_ERROR;
    }
    return util::process_wrapper([&] { return self.process(*process); });
  });
}

template <ClapPlugin P>
clap_process_status Wrapper<P>::process(const clap_process& process) {
  const std::uint32_t total_length = process.frames_count;
  const AudioIOLayout& layout = core_.layout();
  const bool has_main_input = layout.main_input_channels.has_value();
  const bool has_main_output = layout.main_output_channels.has_value();
  // The host's mistakes are answered with the error status (logged once), without throwing, since
  // a host that makes one tends to repeat it every block.
  const AudioCall call(audio_call_busy_);
  if (!call) {
    report_host_fault("process called while another process or flush call runs");
    return CLAP_PROCESS_ERROR;
  }
  const std::optional<float> sample_rate = core_.buffer_config().sample_rate();
  if (!sample_rate) {
    report_host_fault("Process call without prior initialization call");
    return CLAP_PROCESS_ERROR;
  }
  if (std::optional<std::string> missing =
          missing_event_function(process.in_events, process.out_events)) {
    report_host_fault(*missing);
    return CLAP_PROCESS_ERROR;
  }

  // The host's ports as the buffer manager reads them; only the main ports are passed on, each
  // when the layout has it and the host gave channel pointers.
  std::array<HostAudioPort, 1> inputs{};
  std::array<HostAudioPort, 1> outputs{};
  std::size_t input_count = 0;
  std::size_t output_count = 0;
  if (has_main_input && process.audio_inputs_count > 0 && process.audio_inputs != nullptr &&
      process.audio_inputs[0].data32 != nullptr) {
    inputs[0] =
        HostAudioPort{process.audio_inputs[0].data32, process.audio_inputs[0].channel_count};
    input_count = 1;
  }
  if (has_main_output && process.audio_outputs_count > 0 && process.audio_outputs != nullptr &&
      process.audio_outputs[0].data32 != nullptr) {
    outputs[0] =
        HostAudioPort{process.audio_outputs[0].data32, process.audio_outputs[0].channel_count};
    output_count = 1;
  }
  const HostAudioBlock host_block{std::span<const HostAudioPort>(inputs.data(), input_count),
                                  std::span<const HostAudioPort>(outputs.data(), output_count)};

  // The plug-in and its buffers for the whole call, without waiting. The main thread holds them
  // only while it (de)activates or initialises the plug-in outside processing, so only a host
  // that breaks the call order meets that: the call still reads its events and sends silence.
  const auto access = core_.audio_scope();
  if (!access) {
    silence_outputs(process);
  } else {
    // A state loaded since the last call re-initialises the plug-in before this call reads it.
    core_.template serve_reinit<WrapperInitContext<P>>(*this);
  }

  const clap_event_transport* transport = process.transport;
  std::uint32_t block_start = 0;
  std::uint32_t event_index = 0;
  clap_process_status status = CLAP_PROCESS_CONTINUE_IF_NOT_QUIET;

  while (true) {
    std::uint32_t block_end = total_length;
    if (process.in_events != nullptr) {
      if (const std::optional<SplitPoint> split = handle_in_events_until(
              *process.in_events, &transport, block_start, total_length, event_index)) {
        block_end = split->time;
        event_index = split->index;
      }
    }

    ProcessResult result = ProcessResult::normal();
    if (access) {
      result = process_sub_block(host_block, block_start, block_end,
                                 make_transport(transport, block_start, *sample_rate));
    }

    switch (result.status) {
      case ProcessResult::Status::error:
        return CLAP_PROCESS_ERROR;
      case ProcessResult::Status::normal:
        status = CLAP_PROCESS_CONTINUE_IF_NOT_QUIET;
        break;
      case ProcessResult::Status::tail:
      case ProcessResult::Status::keep_alive:
        status = CLAP_PROCESS_CONTINUE;
        break;
    }

    if (process.out_events != nullptr) {
      handle_out_events(*process.out_events, block_start);
    }
    if (block_end >= total_length) {
      break;
    }
    block_start = block_end;
  }

  return status;
}

template <ClapPlugin P>
std::optional<std::string> Wrapper<P>::missing_event_function(const clap_input_events* in,
                                                              const clap_output_events* out) {
  if (in != nullptr && in->size == nullptr) {
    return null_host_function_message("clap_input_events", "size");
  }
  if (in != nullptr && in->get == nullptr) {
    return null_host_function_message("clap_input_events", "get");
  }
  if (out != nullptr && out->try_push == nullptr) {
    return null_host_function_message("clap_output_events", "try_push");
  }
  return std::nullopt;
}

template <ClapPlugin P>
ProcessResult Wrapper<P>::process_sub_block(const HostAudioBlock& host_block,
                                            std::uint32_t block_start, std::uint32_t block_end,
                                            const Transport& transport) {
  BlockBuffers buffers =
      core_.buffer_manager().create_buffers(block_start, block_end - block_start, host_block);
  const auto all_filled = [](const Buffer& buffer) {
    for (const std::span<float> channel : buffer.as_slice()) {
      if (channel.empty()) {
        return false;
      }
    }
    return true;
  };
  if (!all_filled(buffers.main) ||
      !std::all_of(buffers.aux.inputs.begin(), buffers.aux.inputs.end(), all_filled)) {
    return ProcessResult::normal();
  }
  core::TransportContext context(transport);
  return core_.process(buffers.main, buffers.aux, context);
}

template <ClapPlugin P>
void Wrapper<P>::silence_outputs(const clap_process& process) noexcept {
  if (process.audio_outputs == nullptr) {
    return;
  }
  for (std::uint32_t port = 0; port < process.audio_outputs_count; ++port) {
    const clap_audio_buffer& output = process.audio_outputs[port];
    if (output.data32 == nullptr) {
      continue;
    }
    for (std::uint32_t channel = 0; channel < output.channel_count; ++channel) {
      if (float* samples = output.data32[channel]) {
        std::fill_n(samples, process.frames_count, 0.0F);
      }
    }
  }
}

template <ClapPlugin P>
bool Wrapper<P>::splits_block(const clap_event_header& event, std::uint32_t block_start,
                              std::uint32_t total_length) const {
  if (event.space_id != CLAP_CORE_EVENT_SPACE_ID ||
      process_detail::clamped_time(event.time, total_length) <= block_start) {
    return false;
  }
  switch (event.type) {
    case CLAP_EVENT_PARAM_VALUE:
    case CLAP_EVENT_TRANSPORT:
      return true;
    case CLAP_EVENT_PARAM_MOD: {
      if (event.size < sizeof(clap_event_param_mod)) {
        return false;
      }
      const auto& mod = reinterpret_cast<const clap_event_param_mod&>(event);
      if (mod.note_id == -1) {
        return true;
      }
      const std::optional<ParamPtr> param = param_of(mod.param_id);
      return !param || !param->poly_modulation_id().has_value();
    }
    default:
      return false;
  }
}

template <ClapPlugin P>
auto Wrapper<P>::handle_in_events_until(const clap_input_events& events,
                                        const clap_event_transport** transport,
                                        std::uint32_t block_start, std::uint32_t total_length,
                                        std::uint32_t first_index) -> std::optional<SplitPoint> {
  const auto size = require_function(events.size, "clap_input_events", "size");
  const auto get = require_function(events.get, "clap_input_events", "get");
  const std::uint32_t count = size(&events);
  // Every event is tested, the first of the block included: an automation point in the middle
  // of a block must not take effect at its start.
  for (std::uint32_t index = first_index; index < count; ++index) {
    const clap_event_header* event = get(&events, index);
    if (event == nullptr) {
      continue;
    }
    if (P::SAMPLE_ACCURATE_AUTOMATION && splits_block(*event, block_start, total_length)) {
      return SplitPoint{process_detail::clamped_time(event->time, total_length), index};
    }
    handle_in_event(*event, transport);
  }
  return std::nullopt;
}

template <ClapPlugin P>
void Wrapper<P>::handle_in_event(const clap_event_header& event,
                                 const clap_event_transport** transport) {
  if (event.space_id != CLAP_CORE_EVENT_SPACE_ID) {
    return;
  }
  switch (event.type) {
    case CLAP_EVENT_PARAM_VALUE:
      if (event.size >= sizeof(clap_event_param_value)) {
        const auto& value = reinterpret_cast<const clap_event_param_value&>(event);
        update_plain_value_by_hash(value.param_id, UpdateKind::set, value.value);
      }
      break;
    case CLAP_EVENT_PARAM_MOD:
      if (event.size >= sizeof(clap_event_param_mod)) {
        const auto& mod = reinterpret_cast<const clap_event_param_mod&>(event);
        update_plain_value_by_hash(mod.param_id, UpdateKind::modulate, mod.amount);
      }
      break;
    case CLAP_EVENT_TRANSPORT:
      if (transport != nullptr && event.size >= sizeof(clap_event_transport)) {
        *transport = reinterpret_cast<const clap_event_transport*>(&event);
      }
      break;
    default:
      // Notes, MIDI and note expressions: this plug-in takes no note input.
      break;
  }
}

template <ClapPlugin P>
bool Wrapper<P>::update_plain_value_by_hash(std::uint32_t hash, UpdateKind kind, double value) {
  const std::optional<ParamPtr> param = param_of(hash);
  if (!param) {
    return false;
  }
  const float normalized = normalized_from_host(*param, value);
  if (core_.update_value(*param, normalized, kind == UpdateKind::modulate)) {
    schedule_gui(kind == UpdateKind::set ? Task::value_changed(hash, normalized)
                                         : Task::modulation_changed(hash, normalized));
  }
  return true;
}

template <ClapPlugin P>
void Wrapper<P>::handle_out_events(const clap_output_events& events, std::uint32_t block_start) {
  while (std::optional<OutgoingParamEvent> outgoing = output_param_events_.try_pop()) {
    const auto try_push = require_function(events.try_push, "clap_output_events", "try_push");
    switch (outgoing->kind) {
      case OutgoingParamEvent::Kind::gesture_begin:
      case OutgoingParamEvent::Kind::gesture_end: {
        clap_event_param_gesture gesture{};
        gesture.header.size = sizeof(clap_event_param_gesture);
        gesture.header.time = block_start;
        gesture.header.space_id = CLAP_CORE_EVENT_SPACE_ID;
        gesture.header.type = outgoing->kind == OutgoingParamEvent::Kind::gesture_begin
                                  ? CLAP_EVENT_PARAM_GESTURE_BEGIN
                                  : CLAP_EVENT_PARAM_GESTURE_END;
        gesture.header.flags = CLAP_EVENT_IS_LIVE;
        gesture.param_id = outgoing->param_hash;
        (void)try_push(&events, &gesture.header);
        break;
      }
      case OutgoingParamEvent::Kind::value: {
        // A state load made after the edit set this parameter: the loaded value stands, for the
        // plug-in and the host alike. The edit's gesture still goes out, so begins and ends pair.
        if (core_.edit_outdated(outgoing->param_hash, outgoing->edit_stamp)) break;
        update_plain_value_by_hash(outgoing->param_hash, UpdateKind::set, outgoing->value);
        clap_event_param_value value{};
        value.header.size = sizeof(clap_event_param_value);
        value.header.time = block_start;
        value.header.space_id = CLAP_CORE_EVENT_SPACE_ID;
        value.header.type = CLAP_EVENT_PARAM_VALUE;
        value.header.flags = CLAP_EVENT_IS_LIVE;
        value.param_id = outgoing->param_hash;
        value.cookie = nullptr;
        value.note_id = -1;
        value.port_index = -1;
        value.channel = -1;
        value.key = -1;
        value.value = outgoing->value;
        (void)try_push(&events, &value.header);
        break;
      }
    }
  }
}

template <ClapPlugin P>
bool Wrapper<P>::queue_parameter_event(const OutgoingParamEvent& event) {
  OutgoingParamEvent stamped = event;
  stamped.edit_stamp = core_.edit_stamp();
  const bool queued = output_param_events_.try_push(stamped);
  if (host_params_ != nullptr) {
    require_function(host_params_->request_flush, "clap_host_params", "request_flush")(host_);
  }
  return queued;
}

template <ClapPlugin P>
Transport Wrapper<P>::make_transport(const clap_event_transport* host, std::uint32_t block_start,
                                     float sample_rate) const {
  using process_detail::FIXED_POINT_SCALE;
  Transport transport(sample_rate);
  if (host == nullptr) {
    return transport;
  }
  const std::uint32_t flags = host->flags;
  const bool has_tempo = (flags & CLAP_TRANSPORT_HAS_TEMPO) != 0;
  transport.playing = (flags & CLAP_TRANSPORT_IS_PLAYING) != 0;
  transport.recording = (flags & CLAP_TRANSPORT_IS_RECORDING) != 0;
  if (has_tempo) {
    transport.tempo = host->tempo;
  }
  if ((flags & CLAP_TRANSPORT_HAS_TIME_SIGNATURE) != 0) {
    transport.time_sig_numerator = host->tsig_num;
    transport.time_sig_denominator = host->tsig_denom;
  }
  const double offset_seconds = static_cast<double>(block_start) / static_cast<double>(sample_rate);
  if ((flags & CLAP_TRANSPORT_HAS_BEATS_TIMELINE) != 0) {
    double beats = static_cast<double>(host->song_pos_beats) * FIXED_POINT_SCALE;
    if (block_start > 0 && has_tempo) {
      beats += offset_seconds / 60.0 * host->tempo;
    }
    transport.pos_beats = beats;
  }
  if ((flags & CLAP_TRANSPORT_HAS_SECONDS_TIMELINE) != 0) {
    double seconds = static_cast<double>(host->song_pos_seconds) * FIXED_POINT_SCALE;
    if (block_start > 0 && has_tempo) {
      seconds += offset_seconds;
    }
    transport.pos_seconds = seconds;
  }

  const double host_bar_start = static_cast<double>(host->bar_start) * FIXED_POINT_SCALE;
  if (block_start == 0) {
    transport.host_bar_start_pos_beats = host_bar_start;
    transport.host_bar_number = host->bar_number;
  } else {
    // Later sub-blocks may lie in another bar: derive from the shifted position, falling back to
    // the host's values where that is not possible.
    const std::optional<double> bar_start = transport.bar_start_pos_beats();
    const std::optional<std::int32_t> bar_number = transport.bar_number();
    transport.host_bar_start_pos_beats = bar_start.value_or(host_bar_start);
    transport.host_bar_number = bar_number.value_or(host->bar_number);
  }

  if ((flags & CLAP_TRANSPORT_IS_LOOP_ACTIVE) != 0) {
    if ((flags & CLAP_TRANSPORT_HAS_BEATS_TIMELINE) != 0) {
      transport.loop_start_beats = static_cast<double>(host->loop_start_beats) * FIXED_POINT_SCALE;
      transport.loop_end_beats = static_cast<double>(host->loop_end_beats) * FIXED_POINT_SCALE;
    }
    if ((flags & CLAP_TRANSPORT_HAS_SECONDS_TIMELINE) != 0) {
      transport.loop_start_seconds =
          static_cast<double>(host->loop_start_seconds) * FIXED_POINT_SCALE;
      transport.loop_end_seconds = static_cast<double>(host->loop_end_seconds) * FIXED_POINT_SCALE;
    }
  }
  return transport;
}

}  // namespace vessimor::clap
