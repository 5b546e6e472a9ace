#include "plugin/processor_settings.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace vessimor {

namespace {

namespace dsp = quorvane_dsp_kit;

// Beats (quarter notes) per cycle of the lock LFO: "4 bars", "2 bars", "1 bar", "1/2", "1/4",
// "1/8", "1/16", "1/4T", "1/8T".
constexpr std::array<float, 9> kLockBeats = {16.0F, 8.0F,  4.0F,        2.0F,       1.0F,
                                             0.5F,  0.25F, 2.0F / 3.0F, 1.0F / 3.0F};
// Beats per cycle of the mode-cycle and trigger LFOs: "1/4", "1/8", "1/16", "1/32".
constexpr std::array<float, 4> kDivisionBeats = {1.0F, 0.5F, 0.25F, 0.125F};

// Also maps NaN to the lower bound: a NaN reaching a delay length or an LFO rate would poison the
// engine for good.
float clamp(float value, float low, float high) noexcept {
  if (!(value >= low)) {
    return low;
  }
  return value > high ? high : value;
}

// Every float the engine takes from a parameter is first limited to the parameter's range, so that
// a saved value from outside it (kept as it is in the state) sounds as the range's end that the
// host and the page show.
float in_range(const FloatParam& param) noexcept {
  return param.range().clamp(param.value());
}

float db_to_gain(float db) noexcept {
  return std::pow(10.0F, db / 20.0F);
}

// Index into the four-entry division table; anything else plays the first entry.
std::uint8_t division_index(std::int32_t index) noexcept {
  return index >= 0 && index < static_cast<std::int32_t>(kDivisionBeats.size())
             ? static_cast<std::uint8_t>(index)
             : 0;
}

float lock_beats(std::int32_t index) noexcept {
  const bool known = index > 0 && index < static_cast<std::int32_t>(kLockBeats.size());
  return known ? kLockBeats[static_cast<std::size_t>(index)] : kLockBeats[0];
}

float division_rate(float bpm, float beats) noexcept {
  return std::max(bpm / 60.0F / beats, 0.001F);
}

dsp::CarrierMode carrier_mode(std::int32_t index) noexcept {
  switch (index) {
    case 1:
      return dsp::CarrierMode::Stoch;
    case 2:
      return dsp::CarrierMode::Swarm;
    default:
      return dsp::CarrierMode::Formant;
  }
}

void update_tempo_synced_lfos(VessimorProcessor& processor) noexcept {
  processor.trigger_lfo.set_rate(
      division_rate(processor.bpm, kDivisionBeats[processor.trigger_division]));
  processor.cycle_lfo.set_rate(
      division_rate(processor.bpm, kDivisionBeats[processor.cycle_division]));
}

void update_carrier(const VessimorParams& params, bool envelope_moves_formant,
                    dsp::Carrier& carrier) noexcept {
  const float position = in_range(params.formant_position);
  // While the envelope moves the position, the chain sets the filter before every formant sample:
  // setting the unmodulated position here as well would move the filter's dead band at every
  // block start, so the sound would depend on the host's block size. (The morph rate is still the
  // previous block's here.)
  if (envelope_moves_formant) {
    carrier.formant_position = position;
  } else {
    carrier.set_formant_position(position);
  }
  carrier.set_formant_width(in_range(params.formant_width));
  carrier.set_morph_rate(in_range(params.formant_morph_rate));

  carrier.stoch_spread = in_range(params.stoch_spread);
  carrier.set_stoch_density(in_range(params.stoch_density));
  const float smoothing = in_range(params.stoch_smoothing);
  carrier.stoch_smoothing = smoothing;
  carrier.smoothing = smoothing;
}

void update_swarm(const VessimorParams& params, dsp::Carrier& carrier) noexcept {
  // The drift first: the spread law adds the drift offset at this block's depth.
  carrier.set_swarm_drift(in_range(params.swarm_drift));
  carrier.set_swarm_spread(in_range(params.swarm_spread));
}

void update_character(const VessimorParams& params, VessimorProcessor& processor) noexcept {
  const std::int32_t mode_index = params.char_mode.value();
  const auto mode = mode_index >= 0 && mode_index < 4 ? static_cast<CharacterMode>(mode_index)
                                                      : CharacterMode::Clean;
  // While the host plays, a new mode waits for the next grid tick so that it lands in time.
  if (processor.playing) {
    processor.pending_character_mode = mode;
  } else {
    processor.character_mode = mode;
    processor.pending_character_mode = CharacterMode::None;
  }

  const float amount = in_range(params.char_amount);
  processor.character_amount = amount;
  processor.grit_saturator.drive = clamp(0.5F * amount + 0.5F, 0.0F, 1.0F);
  processor.warm_saturator.drive = clamp(0.6F * amount + 0.4F, 0.0F, 1.0F);
  processor.wavefolder.drive = clamp(0.4F * amount + 0.6F, 0.0F, 1.0F);
  processor.fold_gain = 1.5F * amount + 1.5F;
  processor.wavefolder.set_stages(amount > 0.7F ? 3 : (amount > 0.3F ? 2 : 1));
}

void update_comb(const VessimorParams& params, dsp::CombFilter& comb) noexcept {
  comb.feedback = in_range(params.comb_feedback);
  comb.set_frequency(in_range(params.comb_tuning));
  comb.mix = in_range(params.comb_mix);
}

}  // namespace

void update_processor_params(const VessimorParams& params, float tempo_bpm,
                             VessimorProcessor& processor) noexcept {
  processor.input_gain = db_to_gain(in_range(params.input_gain));
  processor.mix = in_range(params.mix);
  processor.ring_depth = 1.0F;
  processor.output_gain = db_to_gain(in_range(params.output_gain));
  processor.width = in_range(params.stereo_width);

  const dsp::CarrierMode mode = carrier_mode(params.carrier_mode.value());

  processor.mode_cycle_enabled = params.mode_cycle_enable.value();
  if (!processor.mode_cycle_enabled) {
    processor.cycle_counter = 0;
  }
  // Its LFO rate follows below, with the new tempo.
  processor.cycle_division = division_index(params.mode_cycle_div.value());
  // While mode cycling runs, the carriers keep the mode the cycle gave them.
  if (!processor.mode_cycle_enabled) {
    processor.left.mode = mode;
  }

  processor.lock_frequency = in_range(params.lock_freq);
  // While lock motion runs the chain sets the frequency every sample; the block in which it is
  // switched off still plays the last modulated frequency.
  if (!processor.lock_motion_enabled) {
    processor.left.set_frequency(processor.lock_frequency);
  }

  processor.env_amount = in_range(params.carrier_env_amount);
  processor.lock_motion_enabled = params.lock_motion_enable.value();
  processor.lock_depth = in_range(params.lock_motion_depth);

  // The previous block's tempo: the lock LFO follows a tempo change one block late.
  const float beats = std::max(lock_beats(params.lock_motion_rate.value()), 0.001F);
  processor.lock_lfo.set_rate(division_rate(processor.bpm, beats));
  const std::int32_t shape = params.lock_motion_shape.value();
  processor.lock_lfo.shape =
      shape >= 0 && shape < 5 ? static_cast<dsp::LfoShape>(shape) : dsp::LfoShape::Sine;

  processor.base_formant_position = in_range(params.formant_position);
  processor.base_stoch_spread = in_range(params.stoch_spread);
  processor.base_stoch_density = in_range(params.stoch_density);
  const bool envelope_moves_formant = processor.env_amount > 0.001F;
  update_carrier(params, envelope_moves_formant, processor.left);

  const auto swarm_count = static_cast<std::size_t>(std::max(params.swarm_count.value(), 0));
  processor.left.set_swarm_count(swarm_count);

  processor.base_swarm_spread = in_range(params.swarm_spread);
  processor.base_swarm_drift = in_range(params.swarm_drift);
  update_swarm(params, processor.left);

  update_character(params, processor);

  update_comb(params, processor.comb_left);
  update_comb(params, processor.comb_right);

  processor.trigger_division = division_index(params.trig_div.value());
  processor.trigger_amount = in_range(params.trig_amount);

  processor.bpm = clamp(tempo_bpm, 20.0F, 300.0F);
  update_tempo_synced_lfos(processor);
  processor.grid_period = VessimorProcessor::grid_period_for(processor.sample_rate, processor.bpm);
}

}  // namespace vessimor
