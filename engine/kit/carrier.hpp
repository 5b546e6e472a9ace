#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/kit/formant.hpp"
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
