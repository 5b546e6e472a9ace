#include "plugin/params.hpp"
#include "plugin/preset.hpp"

namespace vessimor {
namespace {

// An index outside the choice's range is stored as 0.
std::uint8_t choice(const EnumParam& param, std::int32_t count) {
  const std::int32_t index = param.value();
  return index >= 0 && index < count ? static_cast<std::uint8_t>(index) : 0;
}

}  // namespace

VessimorPreset VessimorPreset::from_params(const VessimorParams& p, std::string_view name) {
  VessimorPreset preset;
  preset.name = std::string(name);
  preset.input_gain = p.input_gain.value();
  preset.mix = p.mix.value();
  preset.output_gain = p.output_gain.value();
  preset.stereo_width = p.stereo_width.value();
  preset.lock_freq = p.lock_freq.value();
  preset.carrier_mode = choice(p.carrier_mode, 3);
  preset.carrier_env_amount = p.carrier_env_amount.value();
  preset.mode_cycle_enable = p.mode_cycle_enable.value();
  preset.mode_cycle_div = choice(p.mode_cycle_div, 4);
  preset.formant_position = p.formant_position.value();
  preset.formant_width = p.formant_width.value();
  preset.formant_morph_rate = p.formant_morph_rate.value();
  preset.stoch_spread = p.stoch_spread.value();
  preset.stoch_density = p.stoch_density.value();
  preset.stoch_smoothing = p.stoch_smoothing.value();
  preset.swarm_count = p.swarm_count.value();
  preset.swarm_spread = p.swarm_spread.value();
  preset.swarm_drift = p.swarm_drift.value();
  preset.trig_div = choice(p.trig_div, 4);
  preset.trig_amount = p.trig_amount.value();
  preset.char_mode = choice(p.char_mode, 4);
  preset.char_amount = p.char_amount.value();
  preset.comb_feedback = p.comb_feedback.value();
  preset.comb_tuning = p.comb_tuning.value();
  preset.comb_mix = p.comb_mix.value();
  preset.lock_motion_enable = p.lock_motion_enable.value();
  preset.lock_motion_rate = choice(p.lock_motion_rate, 9);
  preset.lock_motion_depth = p.lock_motion_depth.value();
  preset.lock_motion_shape = choice(p.lock_motion_shape, 5);
  return preset;
}

}  // namespace vessimor
