#include "wrapper/vst3/transport.hpp"

namespace vessimor::vst3 {

Transport make_transport(const abi::ProcessContext* context, std::uint32_t start,
                         float sample_rate) noexcept {
  Transport transport(sample_rate);
  if (context == nullptr) return transport;
  const std::uint32_t state = context->state;
  const bool has_tempo = (state & abi::kTempoValid) != 0;
  transport.playing = (state & abi::kPlaying) != 0;
  transport.recording = (state & abi::kRecording) != 0;
  if (has_tempo) transport.tempo = context->tempo;
  if ((state & abi::kTimeSigValid) != 0) {
    transport.time_sig_numerator = context->timeSigNumerator;
    transport.time_sig_denominator = context->timeSigDenominator;
  }
  transport.pos_samples = context->projectTimeSamples + start;
  if ((state & abi::kProjectTimeMusicValid) != 0) {
    double beats = context->projectTimeMusic;
    if (start > 0 && has_tempo) {
      beats +=
          static_cast<double>(start) / static_cast<double>(sample_rate) / 60.0 * context->tempo;
    }
    transport.pos_beats = beats;
  }
  if ((state & abi::kBarPositionValid) != 0) {
    // A later sub-block may lie in the next bar: derived from its own position when possible.
    transport.host_bar_start_pos_beats =
        start == 0 ? context->barPositionMusic
                   : transport.bar_start_pos_beats().value_or(context->barPositionMusic);
  }
  if ((state & abi::kCycleActive) != 0 && (state & abi::kCycleValid) != 0) {
    transport.loop_start_beats = context->cycleStartMusic;
    transport.loop_end_beats = context->cycleEndMusic;
  }
  return transport;
}

}  // namespace vessimor::vst3
