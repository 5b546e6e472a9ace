#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "engine/kit/formant.hpp"
#include "engine/kit/math.hpp"
#include "engine/kit/oscillator.hpp"

namespace quorvane_dsp_kit {

// Values outside 0..2 play the formant carrier.
enum class CarrierMode : std::uint8_t { Formant = 0, Stoch = 1, Swarm = 2 };

// One channel's ring-modulation carrier: a formant-filtered sine, a stochastic sine or a swarm.
struct Carrier {
  static constexpr std::uint32_t kNoiseSeed = 3336926330u;
  static constexpr float kSwarmGain = 1.2f;

  OscillatorBank bank;
  Lfo morph_lfo;
  Oscillator sine;
  Oscillator stoch_osc;
  Oscillator stoch_clock;
  float stoch_value;
  float stoch_target;
  float smoothing = 0.0f;
  std::uint32_t noise_state = kNoiseSeed;
  FormantFilter formant;
  float sample_rate;
  float frequency = 440.0f;
  float formant_position = 0.5f;
  float formant_width = 0.5f;
  float morph_rate = 0.0f;
  float stoch_spread = 0.3f;
  float stoch_density = 0.5f;
  float stoch_smoothing = 0.5f;
  float swarm_spread = 0.2f;
  float swarm_drift = 0.3f;
  CarrierMode mode = CarrierMode::Formant;

  explicit Carrier(float sample_rate) noexcept;

  float process() noexcept;
  float process_formant() noexcept;
  float process_stoch() noexcept;
  void set_frequency(float f) noexcept;
  void set_swarm_count(std::size_t n) noexcept;
  void set_sample_rate(float sr) noexcept;
  void reset() noexcept;

  // The settings, each with the formula that turns it into the parts' coefficients. The owner
  // limits the values to their ranges (0..1 unless said otherwise).
  //
  // With the morph LFO running, the position is only the centre it sweeps around, so the filter
  // moves at once only while the morph is still.
  void set_formant_position(float position) noexcept {
    formant_position = position;
    if (morph_rate < 0.001f) formant.set_position(position);
  }
  void set_formant_width(float width) noexcept {
    formant_width = width;
    formant.set_resonance(width);
  }
  // Hertz; 0 stops the morph, whose LFO keeps a floor of 0.001 Hz.
  void set_morph_rate(float rate) noexcept {
    morph_rate = std::max(rate, 0.0f);
    morph_lfo.set_rate(std::max(rate, 0.001f));
  }
  // The stochastic clock draws 0.5 to 50 new targets a second.
  void set_stoch_density(float density) noexcept {
    stoch_density = density;
    stoch_clock.set_frequency(at_least(49.5f * density + 0.5f, 0.001f));
  }
  void set_swarm_drift(float drift) noexcept {
    swarm_drift = drift;
    bank.drift = drift;
  }
  void set_swarm_spread(float spread) noexcept {
    swarm_spread = spread;
    bank.set_spread(spread);
  }
  // set_frequency(f), then set_swarm_spread(spread), working the bank's frequencies out once.
  void set_frequency_and_swarm_spread(float f, float spread) noexcept;
  // set_swarm_spread(spread), then the swarm's sample, in one pass over the bank.
  float process_swarm_at_spread(float spread) noexcept {
    swarm_spread = spread;
    return bank.process_at_spread(spread) * kSwarmGain;
  }
  // set_frequency_and_swarm_spread(f, spread), then the swarm's sample, in one pass.
  float process_swarm_at(float f, float spread) noexcept {
    set_pitch_of_sines(f);
    swarm_spread = spread;
    return bank.process_at(f, spread) * kSwarmGain;
  }

  // Maps the xorshift32 state onto -1..1.
  static float noise_value(std::uint32_t state) noexcept {
    return 2.0f * (static_cast<float>(state) * 2.3283064e-10f) - 1.0f;
  }
  static std::uint32_t xorshift32(std::uint32_t s) noexcept {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
  }

 private:
  // The frequency of the formant and stochastic sines, leaving the bank to the caller.
  void set_pitch_of_sines(float f) noexcept {
    frequency = f;
    sine.set_frequency(f);
    stoch_osc.set_frequency(f);
  }
};

inline float Carrier::process() noexcept {
  switch (mode) {
    case CarrierMode::Swarm:
      return bank.process() * kSwarmGain;
    case CarrierMode::Stoch:
      return process_stoch();
    default:
      return process_formant() * 8.0f;
  }
}

}  // namespace quorvane_dsp_kit
