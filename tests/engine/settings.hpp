#pragma once

// Test-side copy of the plug-in's once-per-block settings update, so that engine tests drive the
// processor the way the plug-in does (same settings into both carriers, same clamps).
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/processor.hpp"

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

inline float clamp01(float v) {
  return std::clamp(v, 0.0f, 1.0f);
}

inline float division_rate(float bpm, float beats) {
  return std::max(bpm / 60.0f / beats, 0.001f);
}

inline void set_lfo_rate(quorvane_dsp_kit::Lfo& lfo, float rate) {
  lfo.rate = rate;
  lfo.increment = rate / lfo.sample_rate;
}

inline float short_division_beats(int index) {
  constexpr float beats[] = {1.0f, 0.5f, 0.25f, 0.125f};
  return beats[index >= 0 && index <= 3 ? index : 0];
}

inline void apply(VessimorProcessor& p, const Settings& s) {
  using quorvane_dsp_kit::CarrierMode;
  p.input_gain = std::pow(10.0f, s.input_gain_db / 20.0f);
  p.mix = clamp01(s.mix);
  p.ring_depth = 1.0f;
  p.output_gain = std::pow(10.0f, s.output_gain_db / 20.0f);
  p.width = std::clamp(s.stereo_width, 0.0f, 2.0f);
  const CarrierMode mode = s.carrier_mode == 1   ? CarrierMode::Stoch
                           : s.carrier_mode == 2 ? CarrierMode::Swarm
                                                 : CarrierMode::Formant;
  p.mode_cycle_enabled = s.mode_cycle_enable;
  if (!p.mode_cycle_enabled) p.cycle_counter = 0;
  p.cycle_division = static_cast<std::uint8_t>(
      s.mode_cycle_div >= 0 && s.mode_cycle_div <= 3 ? s.mode_cycle_div : 0);
  set_lfo_rate(p.cycle_lfo, division_rate(p.bpm, short_division_beats(p.cycle_division)));
  if (!p.mode_cycle_enabled) p.left.mode = p.right.mode = mode;
  p.lock_frequency = s.lock_freq;
  if (!p.lock_motion_enabled) {
    p.left.set_frequency(std::clamp(s.lock_freq, 40.0f, 5000.0f));
    p.right.set_frequency(std::clamp(s.lock_freq, 40.0f, 5000.0f));
  }
  p.env_amount = clamp01(s.carrier_env_amount);
  p.lock_motion_enabled = s.lock_motion_enable;
  p.lock_depth = clamp01(s.lock_motion_depth);
  constexpr float lock_beats[] = {16, 8, 4, 2, 1, 0.5f, 0.25f, 2.0f / 3.0f, 1.0f / 3.0f};
  const float beats =
      s.lock_motion_rate >= 1 && s.lock_motion_rate <= 8 ? lock_beats[s.lock_motion_rate] : 16.0f;
  set_lfo_rate(p.lock_lfo, division_rate(p.bpm, std::max(beats, 0.001f)));
  p.lock_lfo.shape = static_cast<quorvane_dsp_kit::LfoShape>(
      s.lock_motion_shape >= 0 && s.lock_motion_shape < 5 ? s.lock_motion_shape : 0);
  p.base_formant_position = s.formant_position;
  for (quorvane_dsp_kit::Carrier* c : {&p.left, &p.right}) {
    c->formant_position = clamp01(s.formant_position);
    if (c->morph_rate < 0.001f) c->formant.set_position(clamp01(s.formant_position));
  }
  for (quorvane_dsp_kit::Carrier* c : {&p.left, &p.right}) {
    c->formant_width = clamp01(s.formant_width);
    c->formant.set_resonance(c->formant_width);
    c->morph_rate = std::max(s.formant_morph_rate, 0.0f);
    set_lfo_rate(c->morph_lfo, std::max(s.formant_morph_rate, 0.001f));
  }
  p.base_stoch_spread = s.stoch_spread;
  p.base_stoch_density = s.stoch_density;
  for (quorvane_dsp_kit::Carrier* c : {&p.left, &p.right}) {
    c->stoch_spread = clamp01(s.stoch_spread);
    c->stoch_density = clamp01(s.stoch_density);
    c->stoch_clock.frequency = std::max(49.5f * c->stoch_density + 0.5f, 0.001f);
    c->stoch_clock.increment = c->stoch_clock.frequency / c->stoch_clock.sample_rate;
    c->stoch_smoothing = c->smoothing = clamp01(s.stoch_smoothing);
  }
  p.left.set_swarm_count(static_cast<std::size_t>(std::max(s.swarm_count, 0)));
  p.right.set_swarm_count(static_cast<std::size_t>(std::max(s.swarm_count, 0)));
  p.base_swarm_spread = s.swarm_spread;
  p.base_swarm_drift = s.swarm_drift;
  for (quorvane_dsp_kit::Carrier* c : {&p.left, &p.right}) {
    c->swarm_spread = clamp01(s.swarm_spread);
    c->bank.set_spread(c->swarm_spread);
    c->swarm_drift = clamp01(s.swarm_drift);
    c->bank.drift = c->swarm_drift;
  }
  const auto char_mode =
      static_cast<CharacterMode>(s.char_mode >= 0 && s.char_mode < 4 ? s.char_mode : 0);
  if (!p.playing) {
    p.character_mode = char_mode;
    p.pending_character_mode = CharacterMode::None;
  } else {
    p.pending_character_mode = char_mode;
  }
  const float a = clamp01(s.char_amount);
  p.character_amount = a;
  p.grit_saturator.drive = clamp01(0.5f * a + 0.5f);
  p.warm_saturator.drive = clamp01(0.6f * a + 0.4f);
  p.wavefolder.drive = clamp01(0.4f * a + 0.6f);
  p.fold_gain = 1.5f * a + 1.5f;
  p.wavefolder.set_stages(a > 0.7f ? 3 : a > 0.3f ? 2 : 1);
  for (quorvane_dsp_kit::CombFilter* comb : {&p.comb_left, &p.comb_right}) {
    comb->feedback = std::clamp(s.comb_feedback, 0.0f, 0.95f);
    comb->frequency = std::clamp(s.comb_tuning, 20.0f, 5000.0f);
    comb->delay_samples = comb->sample_rate / comb->frequency;
    comb->mix = clamp01(s.comb_mix);
  }
  p.trigger_division =
      static_cast<std::uint8_t>(s.trig_div >= 0 && s.trig_div <= 3 ? s.trig_div : 0);
  set_lfo_rate(p.trigger_lfo, division_rate(p.bpm, short_division_beats(p.trigger_division)));
  p.trigger_amount = clamp01(s.trig_amount);
  p.bpm = std::clamp(s.tempo, 20.0f, 300.0f);
  set_lfo_rate(p.trigger_lfo, division_rate(p.bpm, short_division_beats(p.trigger_division)));
  set_lfo_rate(p.cycle_lfo, division_rate(p.bpm, short_division_beats(p.cycle_division)));
  p.grid_period = VessimorProcessor::grid_period_for(p.sample_rate, p.bpm);
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
