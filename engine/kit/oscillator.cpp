#include "engine/kit/oscillator.hpp"

#include <algorithm>
#include <bit>
#include <cmath>

#include "engine/kit/math.hpp"
#include "engine/kit/oscillator_lanes.hpp"
#include "engine/kit/simd.hpp"
#include "engine/kit/vector_path.hpp"

namespace quorvane_dsp_kit {

float OscillatorBank::position(std::size_t k, std::size_t n) noexcept {
  if (n <= 1) return 0.0f;
  return static_cast<float>(2 * k) / static_cast<float>(n - 1) - 1.0f;
}

OscillatorBank::OscillatorBank(std::size_t requested_count, float sr) noexcept
    : count(std::clamp(requested_count, kMinCount, kMaxCount)), sample_rate(sr) {
  for (std::size_t i = 0; i < count; ++i) {
    const float golden = static_cast<float>(i) * 0.618034f;
    frequencies[i] = 440.0f;
    phases[i] = golden - std::floor(golden);
    increments[i] = 440.0f / sr;
    drift_phases[i] = static_cast<float>(i) * 0.1f;
    drift_rates[i] = 0.1f + 0.03f * static_cast<float>(i);
    positions[i] = position(i, count);
    live[i] = ~0u;
  }
  apply_spread_law(true);
}

void OscillatorBank::store_spread(float s) noexcept {
  // NaN counts as no spread, keeping every ratio finite.
  spread = s == s ? clamp(s, 0.0f, 1.0f) : 0.0f;
}

// The group count is a template argument so that each loop unrolls completely.
template <std::size_t Vectors, bool NewSpread>
void OscillatorBank::apply_spread_law_to() noexcept {
  const LawInputs<simd::f32x4> in = law_inputs<simd::f32x4>();
  const simd::Constants<simd::f32x4>& c = simd::constants<simd::f32x4>();
  for (std::size_t v = 0; v < Vectors; ++v) spread_law<simd::f32x4, NewSpread>(v, in, c);
}

void OscillatorBank::apply_spread_law(bool new_spread) noexcept {
  switch (vector_count()) {
    case 1:
      return new_spread ? apply_spread_law_to<1, true>() : apply_spread_law_to<1, false>();
    case 2:
      return new_spread ? apply_spread_law_to<2, true>() : apply_spread_law_to<2, false>();
    case 3:
      return new_spread ? apply_spread_law_to<3, true>() : apply_spread_law_to<3, false>();
    default:
      return new_spread ? apply_spread_law_to<4, true>() : apply_spread_law_to<4, false>();
  }
}

void OscillatorBank::set_spread(float s) noexcept {
  store_spread(s);
  apply_spread_law(true);
}

void OscillatorBank::set_frequency(float f) noexcept {
  base_frequency = at_least(f, 0.0f);
  apply_spread_law(false);
}

void OscillatorBank::set_frequency_and_spread(float f, float s) noexcept {
  base_frequency = at_least(f, 0.0f);
  store_spread(s);
  apply_spread_law(true);
}

void OscillatorBank::set_sample_rate(float sr) noexcept {
  sample_rate = sr;
  for (std::size_t i = 0; i < count; ++i) increments[i] = frequencies[i] / sr;
  apply_spread_law(false);
}

void OscillatorBank::reset() noexcept {
  for (std::size_t i = 0; i < count; ++i) {
    const float golden = static_cast<float>(i) * 0.618034f;
    phases[i] = golden - std::floor(golden);
  }
}

void OscillatorBank::apply_drift() noexcept {
  advance_drift();
  apply_spread_law(false);
}

void OscillatorBank::advance_drift() noexcept {
  using simd::f32x4;
#if defined(__x86_64__)
  if (vector_path() == VectorPath::Lanes8) return advance_drift_eight();
#endif
  simd::i32x4 outside;
  switch (vector_count()) {
    case 1:
      outside = advance_drift_lanes<f32x4, 1>();
      break;
    case 2:
      outside = advance_drift_lanes<f32x4, 2>();
      break;
    case 3:
      outside = advance_drift_lanes<f32x4, 3>();
      break;
    default:
      outside = advance_drift_lanes<f32x4, 4>();
      break;
  }
  if (__builtin_expect(simd::any_lane(outside), 0)) drift_sines_from_library();
}

void OscillatorBank::drift_sines_from_library() noexcept {
  const simd::f32x4 two_pi = simd::lanes(kTwoPi);
  for (std::size_t v = 0; v < vector_count(); ++v) {
    simd::store(&drift_sines[4 * v], simd::sin(two_pi * simd::load(&drift_phases[4 * v])));
  }
}

template <bool NewLaw>
[[gnu::always_inline]] inline float OscillatorBank::step_by_groups() noexcept {
#if defined(__x86_64__)
  if (vector_path() == VectorPath::Lanes8) return step_eight<NewLaw>();
#endif
  return step_four<NewLaw>();
}

// Phases leave [0, 1) only while an oscillator runs at or above the sample rate (or on corrupt
// settings: NaN); there the fast sine's reduction loses its accuracy. Each path checks up front
// and otherwise takes the four-lane steps that check each group and use the C library's sine for
// the lanes outside.
template <bool NewLaw>
float OscillatorBank::step_four() noexcept {
  using simd::f32x4;
  switch (vector_count()) {
    case 1:
      if (__builtin_expect(simd::any_lane(phases_outside_unit_range<f32x4, 1>()), 0)) {
        return step<f32x4, 1, NewLaw, true>();
      }
      return step<f32x4, 1, NewLaw, false>();
    case 2:
      if (__builtin_expect(simd::any_lane(phases_outside_unit_range<f32x4, 2>()), 0)) {
        return step<f32x4, 2, NewLaw, true>();
      }
      return step<f32x4, 2, NewLaw, false>();
    case 3:
      if (__builtin_expect(simd::any_lane(phases_outside_unit_range<f32x4, 3>()), 0)) {
        return step<f32x4, 3, NewLaw, true>();
      }
      return step<f32x4, 3, NewLaw, false>();
    default:
      if (__builtin_expect(simd::any_lane(phases_outside_unit_range<f32x4, 4>()), 0)) {
        return step<f32x4, 4, NewLaw, true>();
      }
      return step<f32x4, 4, NewLaw, false>();
  }
}

float OscillatorBank::step_four_out_of_line(bool new_law) noexcept {
  return new_law ? step_four<true>() : step_four<false>();
}

float OscillatorBank::process() noexcept {
  if (drift > 0.0f) {
    drift_counter += 1;
    if (drift_counter > 31) {
      drift_counter = 0;
      apply_drift();
    }
  }
  return step_by_groups<false>();
}

float OscillatorBank::process_at(float f, float s) noexcept {
  base_frequency = at_least(f, 0.0f);
  return process_at_spread(s);
}

float OscillatorBank::process_at_spread(float s) noexcept {
  store_spread(s);
  if (drift > 0.0f && ++drift_counter > 31) {
    // This sample's drift step. The law, then the drift step would work the frequencies out from
    // the new ratios and then again with the new drift sines; the pass below does it once.
    drift_counter = 0;
    advance_drift();
  }
  return step_by_groups<true>();
}

}  // namespace quorvane_dsp_kit
