#pragma once

// Plain settings for the processor tests, applied through the plug-in's parameter set and its
// once-per-block settings update, so that the tests drive the processor the way the plug-in does.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/processor.hpp"
#include "plugin/params.hpp"
#include "plugin/processor_settings.hpp"

namespace vessimor::test {

struct Settings {
  float input_gain_db = 0.0f;
  float mix = 0.5f;
  float output_gain_db = 0.0f;
  float stereo_width = 1.0f;
  float lock_freq = 440.0f;
  bool lock_motion_enable = false;
  int lock_motion_rate = 4;
  float lock_motion_depth = 0.5f;
  int lock_motion_shape = 0;
  int carrier_mode = 0;
  float carrier_env_amount = 0.0f;
  bool mode_cycle_enable = false;
  int mode_cycle_div = 0;
  float formant_position = 0.5f;
  float formant_width = 0.5f;
  float formant_morph_rate = 0.0f;
  float stoch_spread = 0.3f;
  float stoch_density = 0.5f;
  float stoch_smoothing = 0.5f;
  int swarm_count = 4;
  float swarm_spread = 0.2f;
  float swarm_drift = 0.3f;
  int trig_div = 1;
  float trig_amount = 0.0f;
  int char_mode = 0;
  float char_amount = 0.5f;
  float comb_feedback = 0.0f;
  float comb_tuning = 440.0f;
  float comb_mix = 0.0f;
  float tempo = 120.0f;
};

// The parameter set the settings pass through; built before any test arms an allocation hook.
inline VessimorParams& params_for_tests() {
  static VessimorParams params;
  return params;
}
inline const bool kParamsForTestsBuilt = (params_for_tests(), true);

// Drives the processor exactly as the plug-in does: plain values into its parameter set, then the
// plug-in's own once-per-block settings update.
inline void apply(VessimorProcessor& p, const Settings& s) {
  const VessimorParams& params = params_for_tests();
  params.input_gain.set_plain_value(s.input_gain_db);
  params.mix.set_plain_value(s.mix);
  params.output_gain.set_plain_value(s.output_gain_db);
  params.stereo_width.set_plain_value(s.stereo_width);
  params.lock_freq.set_plain_value(s.lock_freq);
  params.lock_motion_enable.set_plain_value(s.lock_motion_enable);
  params.lock_motion_rate.set_plain_value(s.lock_motion_rate);
  params.lock_motion_depth.set_plain_value(s.lock_motion_depth);
  params.lock_motion_shape.set_plain_value(s.lock_motion_shape);
  params.carrier_mode.set_plain_value(s.carrier_mode);
  params.carrier_env_amount.set_plain_value(s.carrier_env_amount);
  params.mode_cycle_enable.set_plain_value(s.mode_cycle_enable);
  params.mode_cycle_div.set_plain_value(s.mode_cycle_div);
  params.formant_position.set_plain_value(s.formant_position);
  params.formant_width.set_plain_value(s.formant_width);
  params.formant_morph_rate.set_plain_value(s.formant_morph_rate);
  params.stoch_spread.set_plain_value(s.stoch_spread);
  params.stoch_density.set_plain_value(s.stoch_density);
  params.stoch_smoothing.set_plain_value(s.stoch_smoothing);
  params.swarm_count.set_plain_value(s.swarm_count);
  params.swarm_spread.set_plain_value(s.swarm_spread);
  params.swarm_drift.set_plain_value(s.swarm_drift);
  params.trig_div.set_plain_value(s.trig_div);
  params.trig_amount.set_plain_value(s.trig_amount);
  params.char_mode.set_plain_value(s.char_mode);
  params.char_amount.set_plain_value(s.char_amount);
  params.comb_feedback.set_plain_value(s.comb_feedback);
  params.comb_tuning.set_plain_value(s.comb_tuning);
  params.comb_mix.set_plain_value(s.comb_mix);
  update_processor_params(params, s.tempo, p);
}

// Deterministic white noise in -1..1.
class Noise {
 public:
  explicit Noise(std::uint32_t seed = 0x9e3779b9u) : state_(seed) {}
  float next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<float>(state_) * 4.656613e-10f - 1.0f;
  }
  std::uint32_t bits() {
    next();
    return state_;
  }

 private:
  std::uint32_t state_;
};

}  // namespace vessimor::test
