#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace quorvane_dsp_kit {

inline constexpr float kTwoPi = 6.2831855f;

// 2 to the power x by a cubic on the fraction and an exponent-field shift. P(0) is 0.9998465, not
// 1: the slight flattening is part of the engine's tuning, so never replace this with exp2f.
float fast_exp2(float x) noexcept;

struct Oscillator {
  float sample_rate = 44100.0f;
  float frequency = 0.0f;  // hertz, never negative
  float phase = 0.0f;      // cycles, [0, 1)
  float increment = 0.0f;  // frequency / sample_rate

  static Oscillator make(float sample_rate, float frequency) noexcept {
    return Oscillator{sample_rate, frequency, 0.0f, frequency / sample_rate};
  }

  float tick() noexcept;
  void set_frequency(float f) noexcept;
  void set_sample_rate(float sr) noexcept;
};

// Values outside 0..4 are kept as they are and behave as sample-and-hold without refreshing `held`.
enum class LfoShape : std::uint8_t { Sine = 0, Triangle = 1, Saw = 2, Square = 3, SampleHold = 4 };

struct Lfo {
  float sample_rate = 44100.0f;
  float rate = 0.0f;       // hertz
  float phase = 0.0f;      // cycles, [0, 1)
  float increment = 0.0f;  // rate / sample_rate, written by the owner
  float held = 0.0f;       // sample-and-hold value; spans -3..1 by design
  LfoShape shape = LfoShape::Sine;

  static Lfo make(float sample_rate, float rate, LfoShape shape) noexcept {
    return Lfo{sample_rate, rate, 0.0f, rate / sample_rate, 0.0f, shape};
  }

  float tick() noexcept;
};

// 2 to 16 sines spread symmetrically in octaves around a base frequency, with a slow per-oscillator
// drift. Storage is fixed at 16 slots so that building a bank of another size never allocates;
// oscillator i is (sample_rate, frequencies[i], phases[i], increments[i]). Slots at or beyond
// `count` stay zero.
struct OscillatorBank {
  static constexpr std::size_t kMinCount = 2;
  static constexpr std::size_t kMaxCount = 16;
  using Lanes = std::array<float, kMaxCount>;

  alignas(64) Lanes frequencies{};
  alignas(64) Lanes phases{};
  alignas(64) Lanes increments{};
  alignas(64) Lanes drift_phases{};
  alignas(64) Lanes drift_rates{};
  std::size_t count = kMinCount;
  float sample_rate = 44100.0f;
  float base_frequency = 440.0f;
  float spread = 0.0f;
  float drift = 0.0f;
  std::uint32_t drift_counter = 0;

  OscillatorBank(std::size_t requested_count, float sample_rate) noexcept;

  std::size_t size() const noexcept { return count; }
  // A copy of oscillator i as a stand-alone oscillator.
  Oscillator oscillator(std::size_t i) const noexcept {
    return Oscillator{sample_rate, frequencies[i], phases[i], increments[i]};
  }
  // Position of oscillator k of n in -1..1.
  static float position(std::size_t k, std::size_t n) noexcept;

  void set_spread(float s) noexcept;
  void set_frequency(float f) noexcept;
  void set_sample_rate(float sr) noexcept;
  void reset() noexcept;
  void apply_drift() noexcept;
  float process() noexcept;

 private:
  void apply_spread_law() noexcept;
};

}  // namespace quorvane_dsp_kit
