#pragma once

#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "engine/kit/math.hpp"
#include "engine/kit/simd.hpp"

namespace quorvane_dsp_kit {

inline constexpr float kTwoPi = 6.2831855f;

// 2 to the power x by a cubic on the fraction and an exponent-field shift. P(0) is 0.9998465, not
// 1: the slight flattening is part of the engine's tuning, so never replace this with exp2f.
inline float fast_exp2(float x) noexcept;

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
  float increment = 0.0f;  // rate / sample_rate
  float held = 0.0f;       // sample-and-hold value; spans -3..1 by design
  LfoShape shape = LfoShape::Sine;

  static Lfo make(float sample_rate, float rate, LfoShape shape) noexcept {
    return Lfo{sample_rate, rate, 0.0f, rate / sample_rate, 0.0f, shape};
  }

  float tick() noexcept;
  void set_rate(float r) noexcept {
    rate = r;
    increment = r / sample_rate;
  }
  void set_sample_rate(float sr) noexcept {
    sample_rate = sr;
    increment = rate / sr;
  }

 private:
  static float sample_hold_value(float phase) noexcept;
};

// 2 to 16 sines spread symmetrically in octaves around a base frequency, with a slow per-oscillator
// drift. Storage is fixed at 16 slots so that building a bank of another size never allocates;
// oscillator i is (sample_rate, frequencies[i], phases[i], increments[i]). The oscillators are
// stepped four or eight at a time (vector_path.hpp); slots at or beyond `count` are silent padding.
// Every recomputation of the frequencies (spread, frequency, sample rate, drift step) adds each
// oscillator's drift offset, amplitude * drift_sines[i], so that the offset of the last drift step
// stays in place until the next one, however often the owner sets the spread or the frequency.
struct OscillatorBank {
  static constexpr std::size_t kMinCount = 2;
  static constexpr std::size_t kMaxCount = 16;
  using Lanes = std::array<float, kMaxCount>;

  alignas(64) Lanes frequencies{};
  alignas(64) Lanes phases{};
  alignas(64) Lanes increments{};
  alignas(64) Lanes drift_phases{};
  alignas(64) Lanes drift_rates{};
  alignas(64) Lanes drift_sines{};  // sin(2 pi drift phase) of the last drift step; 0 before it
  alignas(64) Lanes positions{};    // -1..1, by the spread law
  alignas(64) Lanes ratios{};       // fast_exp2(spread * position), kept with `spread`
  // All bits set for the `count` oscillators, clear for padding, which thus stays at 0 Hz and
  // phase 0 and adds an exact +0 to the sum.
  alignas(64) std::array<std::uint32_t, kMaxCount> live{};
  std::size_t count = kMinCount;
  float sample_rate = 44100.0f;
  float base_frequency = 440.0f;
  float spread = 0.0f;
  float drift = 0.0f;
  std::uint32_t drift_counter = 0;

  OscillatorBank(std::size_t requested_count, float sample_rate) noexcept;

  std::size_t size() const noexcept { return count; }
  // Four-oscillator groups that hold the `count` oscillators.
  std::size_t vector_count() const noexcept { return (count + 3) / 4; }
  // A copy of oscillator i as a stand-alone oscillator.
  Oscillator oscillator(std::size_t i) const noexcept {
    return Oscillator{sample_rate, frequencies[i], phases[i], increments[i]};
  }
  // Position of oscillator k of n in -1..1.
  static float position(std::size_t k, std::size_t n) noexcept;

  void set_spread(float s) noexcept;
  void set_frequency(float f) noexcept;
  // Same result as set_frequency(f) then set_spread(s), computing the frequencies once.
  void set_frequency_and_spread(float f, float s) noexcept;
  void set_sample_rate(float sr) noexcept;
  void reset() noexcept;
  void apply_drift() noexcept;
  float process() noexcept;
  // set_frequency_and_spread(f, s), then process(); the new frequencies are worked out in the
  // pass that steps the oscillators (the per-sample path of a swarm whose pitch and spread move).
  float process_at(float f, float s) noexcept;
  // set_spread(s), then process(), in one pass likewise.
  float process_at_spread(float s) noexcept;

 private:
  // The sines of the step under way, summed from here in order.
  alignas(64) Lanes sines_{};

  void store_spread(float s) noexcept;
  // The drift step's new drift phases and sines, leaving the frequencies to the caller.
  void advance_drift() noexcept;
  template <class F, std::size_t Vectors>
  simd::ints<F> advance_drift_lanes() noexcept;
  [[gnu::noinline]] void drift_sines_from_library() noexcept;
  void apply_spread_law(bool new_spread) noexcept;
  template <std::size_t Vectors, bool NewSpread>
  void apply_spread_law_to() noexcept;
  template <class F>
  struct LawInputs {
    F spread, base, rate, drift_amplitude;
  };
  template <class F>
  LawInputs<F> law_inputs() const noexcept;
  template <class F, bool NewSpread>
  F spread_law(std::size_t v, const LawInputs<F>& in, const simd::Constants<F>& c) noexcept;
  // Steps every oscillator on the vector path in use (see vector_path.hpp).
  template <bool NewLaw>
  float step_by_groups() noexcept;
  template <bool NewLaw>
  float step_four() noexcept;
  // step_four, for the eight-lane path's rare fallback in oscillator_avx2.cpp.
  float step_four_out_of_line(bool new_law) noexcept;
#if defined(__x86_64__)
  // In oscillator_avx2.cpp.
  template <bool NewLaw>
  float step_eight() noexcept;
  void advance_drift_eight() noexcept;
#endif
  template <class F, std::size_t Vectors>
  simd::ints<F> phases_outside_unit_range() const noexcept;
  template <class F, std::size_t Vectors, bool NewLaw, bool AnyPhase>
  float step() noexcept;
};

// Per-sample functions, inline so that the chain does not pay a call for each.

inline float fast_exp2(float x) noexcept {
  // Keep the exponent shift inside the float's range (and NaN away from the integer conversion);
  // every caller stays within a few octaves, so this only guards against corrupt settings.
  if (!(x >= -126.0f)) x = -126.0f;
  if (x > 127.0f) x = 127.0f;
  // floor(x) through the integer conversion, exact within the clamped range.
  auto i = static_cast<std::int32_t>(x);
  if (static_cast<float>(i) > x) i -= 1;
  const float whole = static_cast<float>(i);
  const float t = x - whole;
  const float p = ((0.07944154f * t + 0.22741129f) * t + 0.69680786f) * t + 0.9998465f;
  const std::uint32_t bits =
      std::bit_cast<std::uint32_t>(1.0f) + (static_cast<std::uint32_t>(i) << 23);
  return p * std::bit_cast<float>(bits);
}

inline float Oscillator::tick() noexcept {
  const float out = std::sin(kTwoPi * phase);
  phase += increment;
  if (phase >= 1.0f) phase -= 1.0f;
  return out;
}

inline void Oscillator::set_frequency(float f) noexcept {
  frequency = at_least(f, 0.0f);
  increment = frequency / sample_rate;
}

inline void Oscillator::set_sample_rate(float sr) noexcept {
  sample_rate = sr;
  increment = frequency / sr;
}

inline float Lfo::sample_hold_value(float phase) noexcept {
  const float v = std::sin(phase * 12345.679f) * 43758.547f;
  // Truncation keeps the sign of v, so the result spans -3..1.
  return 2.0f * (v - std::trunc(v)) - 1.0f;
}

inline float Lfo::tick() noexcept {
  const float p = phase;
  float value;
  switch (shape) {
    case LfoShape::Sine:
      // The C library's sine, never an approximation: the LFO drives the carriers' pitch, where
      // a few ulps of error build up over the following samples into a much larger difference.
      value = std::sin((p + p) * 3.1415927f);
      break;
    case LfoShape::Triangle:
      value = p < 0.5f ? 4.0f * p - 1.0f : 3.0f - 4.0f * p;
      break;
    case LfoShape::Saw:
      value = 2.0f * p - 1.0f;
      break;
    case LfoShape::Square:
      value = p < 0.5f ? 1.0f : -1.0f;
      break;
    default:
      value = held;
      break;
  }
  phase = p + increment;
  if (phase >= 1.0f) {
    phase -= 1.0f;
    if (shape == LfoShape::SampleHold) held = sample_hold_value(phase);
  }
  // A wrap without passing 1 (a negative increment) refreshes too; the value is the same.
  if (shape == LfoShape::SampleHold && phase < p) held = sample_hold_value(phase);
  return value;
}

}  // namespace quorvane_dsp_kit
