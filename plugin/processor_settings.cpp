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
  const float position = clamp(params.formant_position.value(), 0.0F, 1.0F);
  // While the envelope moves the position, the chain sets the filter before every formant sample:
  // setting the unmodulated position here as well would move the filter's dead band at every
  // block start, so the sound would depend on the host's block size. (The morph rate is still the
  // previous block's here.)
  if (envelope_moves_formant) {
    carrier.formant_position = position;
  } else {
    carrier.set_formant_position(position);
  }
  carrier.set_formant_width(clamp(params.formant_width.value(), 0.0F, 1.0F));
  carrier.set_morph_rate(params.formant_morph_rate.value());

  carrier.stoch_spread = clamp(params.stoch_spread.value(), 0.0F, 1.0F);
  carrier.set_stoch_density(clamp(params.stoch_density.value(), 0.0F, 1.0F));
  const float smoothing = clamp(params.stoch_smoothing.value(), 0.0F, 1.0F);
  carrier.stoch_smoothing = smoothing;
  carrier.smoothing = smoothing;
}

void update_swarm(const VessimorParams& params, dsp::Carrier& carrier) noexcept {
  // The drift first: the spread law adds the drift offset at this block's depth.
  carrier.set_swarm_drift(clamp(params.swarm_drift.value(), 0.0F, 1.0F));
  carrier.set_swarm_spread(clamp(params.swarm_spread.value(), 0.0F, 1.0F));
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

  const float amount = clamp(params.char_amount.value(), 0.0F, 1.0F);
  processor.character_amount = amount;
  processor.grit_saturator.drive = clamp(0.5F * amount + 0.5F, 0.0F, 1.0F);
  processor.warm_saturator.drive = clamp(0.6F * amount + 0.4F, 0.0F, 1.0F);
  processor.wavefolder.drive = clamp(0.4F * amount + 0.6F, 0.0F, 1.0F);
  processor.fold_gain = 1.5F * amount + 1.5F;
  processor.wavefolder.set_stages(amount > 0.7F ? 3 : (amount > 0.3F ? 2 : 1));
}

void update_comb(const VessimorParams& params, dsp::CombFilter& comb) noexcept {
  comb.feedback = clamp(params.comb_feedback.value(), 0.0F, 0.95F);
  comb.set_frequency(clamp(params.comb_tuning.value(), 20.0F, 5000.0F));
  comb.mix = clamp(params.comb_mix.value(), 0.0F, 1.0F);
}

}  // namespace

void update_processor_params(const VessimorParams& params, float tempo_bpm,
                             VessimorProcessor& processor) noexcept {
  processor.input_gain = db_to_gain(params.input_gain.value());
  processor.mix = clamp(params.mix.value(), 0.0F, 1.0F);
  processor.ring_depth = 1.0F;
  processor.output_gain = db_to_gain(params.output_gain.value());
  processor.width = clamp(params.stereo_width.value(), 0.0F, 2.0F);

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

  const float lock_frequency = params.lock_freq.value();
  processor.lock_frequency = lock_frequency;
  // While lock motion runs the chain sets the frequency every sample; the block in which it is
  // switched off still plays the last modulated frequency.
  if (!processor.lock_motion_enabled) {
    const float frequency = clamp(lock_frequency, 40.0F, 5000.0F);
    processor.left.set_frequency(frequency);
  }

  processor.env_amount = clamp(params.carrier_env_amount.value(), 0.0F, 1.0F);
  processor.lock_motion_enabled = params.lock_motion_enable.value();
  processor.lock_depth = clamp(params.lock_motion_depth.value(), 0.0F, 1.0F);

  // The previous block's tempo: the lock LFO follows a tempo change one block late.
  const float beats = std::max(lock_beats(params.lock_motion_rate.value()), 0.001F);
  processor.lock_lfo.set_rate(division_rate(processor.bpm, beats));
  const std::int32_t shape = params.lock_motion_shape.value();
  processor.lock_lfo.shape =
      shape >= 0 && shape < 5 ? static_cast<dsp::LfoShape>(shape) : dsp::LfoShape::Sine;

  processor.base_formant_position = params.formant_position.value();
  processor.base_stoch_spread = params.stoch_spread.value();
  processor.base_stoch_density = params.stoch_density.value();
  const bool envelope_moves_formant = processor.env_amount > 0.001F;
  update_carrier(params, envelope_moves_formant, processor.left);

  const auto swarm_count = static_cast<std::size_t>(std::max(params.swarm_count.value(), 0));
  processor.left.set_swarm_count(swarm_count);

  processor.base_swarm_spread = params.swarm_spread.value();
  processor.base_swarm_drift = params.swarm_drift.value();
  update_swarm(params, processor.left);

  update_character(params, processor);

  update_comb(params, processor.comb_left);
  update_comb(params, processor.comb_right);

  processor.trigger_division = division_index(params.trig_div.value());
  processor.trigger_amount = clamp(params.trig_amount.value(), 0.0F, 1.0F);

  processor.bpm = clamp(tempo_bpm, 20.0F, 300.0F);
  update_tempo_synced_lfos(processor);
  processor.grid_period = VessimorProcessor::grid_period_for(processor.sample_rate, processor.bpm);
}

}  // namespace vessimor
