#include "engine/kit/carrier.hpp"

#include <algorithm>
#include <cmath>

#include "engine/kit/math.hpp"

namespace quorvane_dsp_kit {

Carrier::Carrier(float sr) noexcept
    : bank(4, sr),
      morph_lfo(Lfo::make(sr, 0.001f, LfoShape::Sine)),
      sine(Oscillator::make(sr, 440.0f)),
      stoch_osc(Oscillator::make(sr, 440.0f)),
      stoch_clock(Oscillator::make(sr, 10.0f)),
      stoch_value(noise_value(kNoiseSeed)),
      stoch_target(noise_value(kNoiseSeed)),
      formant(sr),
      sample_rate(sr) {
  formant.set_resonance(0.2f);
}

float Carrier::process_formant() noexcept {
  if (morph_rate > 0.001f) {
    const float v = morph_lfo.tick();
    formant.set_position(clamp(0.25f * v + formant_position, 0.0f, 1.0f));
  }
  const float s = sine.tick();
  return formant.process(s);
}

float Carrier::process_stoch() noexcept {
  stoch_clock.phase += stoch_clock.increment;
  if (stoch_clock.phase >= 1.0f) {
    stoch_clock.phase -= 1.0f;
    noise_state = xorshift32(noise_state);
    stoch_target = noise_value(noise_state);
  }
  if (smoothing > 0.0f) {
    const float k = 0.999f * smoothing;
    stoch_value = k * stoch_value + (1.0f - k) * stoch_target;
  } else {
    stoch_value = stoch_target;
  }
  stoch_osc.set_frequency(
      clamp(frequency * fast_exp2(2.0f * stoch_spread * stoch_value), 40.0f, 5000.0f));
  return stoch_osc.tick();
}

void Carrier::set_frequency(float f) noexcept {
  set_pitch_of_sines(f);
  bank.set_frequency(f);
}

void Carrier::set_frequency_and_swarm_spread(float f, float spread) noexcept {
  set_pitch_of_sines(f);
  swarm_spread = spread;
  bank.set_frequency_and_spread(f, spread);
}

void Carrier::set_swarm_count(std::size_t n) noexcept {
  const std::size_t count = std::clamp(n, OscillatorBank::kMinCount, OscillatorBank::kMaxCount);
  if (count == bank.size()) return;
  // The bank lives in fixed storage, so a rebuild on the audio thread allocates nothing.
  bank = OscillatorBank(count, sample_rate);
  bank.set_frequency(frequency);
  bank.set_spread(swarm_spread);
  bank.drift = clamp(swarm_drift, 0.0f, 1.0f);
}

void Carrier::set_sample_rate(float sr) noexcept {
  sample_rate = sr;
  sine.set_sample_rate(sr);
  stoch_osc.set_sample_rate(sr);
  stoch_clock.set_sample_rate(sr);
  formant.set_sample_rate(sr);
  morph_lfo.set_sample_rate(sr);
  bank.set_sample_rate(sr);
}

void Carrier::reset() noexcept {
  sine.phase = 0.0f;
  stoch_osc.phase = 0.0f;
  stoch_clock.phase = 0.0f;
  morph_lfo.phase = 0.0f;
  for (Biquad& s : formant.sections) {
    s.z1 = 0.0f;
    s.z2 = 0.0f;
  }
  noise_state = xorshift32(noise_state);
  stoch_value = noise_value(noise_state);
  stoch_target = stoch_value;
  bank.reset();
}

}  // namespace quorvane_dsp_kit
