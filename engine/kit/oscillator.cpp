#include "engine/kit/oscillator.hpp"

#include <algorithm>
#include <bit>
#include <cmath>

#include "engine/kit/math.hpp"
#include "engine/kit/simd.hpp"

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

// Frequencies and increments of group v from the base frequency and the ratios (new ones from
// the spread first, with NewSpread); returns the increments.
template <bool NewSpread>
[[gnu::always_inline]] inline simd::f32x4 OscillatorBank::spread_law(std::size_t v,
                                                                     const LawInputs& in) noexcept {
  simd::f32x4 ratio;
  if constexpr (NewSpread) {
    // spread * position lies within [-1, 1].
    ratio = simd::fast_exp2_in_range(in.spread * simd::load(&positions[4 * v]));
    simd::store(&ratios[4 * v], ratio);
  } else {
    ratio = simd::load(&ratios[4 * v]);
  }
  const simd::f32x4 offset = in.drift_amplitude * simd::load(&drift_sines[4 * v]);
  const simd::f32x4 f = reinterpret_cast<simd::f32x4>(
      reinterpret_cast<simd::u32x4>(simd::positive_or_zero(offset + in.base * ratio)) &
      simd::load(&live[4 * v]));
  simd::store(&frequencies[4 * v], f);
  const simd::f32x4 increment = f / in.rate;
  simd::store(&increments[4 * v], increment);
  return increment;
}

// Drift at or below 0 (or NaN) runs no drift steps and adds no offset. At drift 0 the offset is an
// exact zero, so the frequencies are those of the plain spread law.
float OscillatorBank::drift_amplitude() const noexcept {
  return drift > 0.0f ? base_frequency * drift * 0.01f : 0.0f;
}

OscillatorBank::LawInputs OscillatorBank::law_inputs() const noexcept {
  return {simd::splat(spread), simd::splat(base_frequency), simd::splat(sample_rate),
          simd::splat(drift_amplitude())};
}

// The group count is a template argument so that each loop unrolls completely.
template <std::size_t Vectors, bool NewSpread>
void OscillatorBank::apply_spread_law_to() noexcept {
  const LawInputs in = law_inputs();
  for (std::size_t v = 0; v < Vectors; ++v) spread_law<NewSpread>(v, in);
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
  const simd::f32x4 step = simd::splat(32.0f / sample_rate);
  constexpr simd::f32x4 one = simd::lanes(1.0f), two_pi = simd::lanes(kTwoPi);
  // Padding keeps drift phase 0 (its rate is 0) and, through `live`, frequency 0.
  for (std::size_t v = 0; v < vector_count(); ++v) {
    simd::f32x4 phase = simd::load(&drift_phases[4 * v]) + step * simd::load(&drift_rates[4 * v]);
    phase -= reinterpret_cast<simd::f32x4>((phase >= one) & reinterpret_cast<simd::i32x4>(one));
    simd::store(&drift_phases[4 * v], phase);
    simd::store(&drift_sines[4 * v], simd::sin(two_pi * phase));
  }
  apply_spread_law(false);
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
  if (drift > 0.0f) {
    if (drift_counter + 1 > 31) {
      // The drift step of this sample works from the new law: law, drift, then the step.
      apply_spread_law(true);
      return process();
    }
    drift_counter += 1;
  }
  return step_by_groups<true>();
}

template <bool NewLaw>
float OscillatorBank::step_by_groups() noexcept {
  switch (vector_count()) {
    case 1:
      return step<1, NewLaw>();
    case 2:
      return step<2, NewLaw>();
    case 3:
      return step<3, NewLaw>();
    default:
      return step<4, NewLaw>();
  }
}

// Phases leave [0, 1) only while an oscillator runs at or above the sample rate (or on corrupt
// settings: NaN); there the fast sine's reduction loses its accuracy.
template <std::size_t Vectors>
bool OscillatorBank::phase_outside_unit_range() const noexcept {
  simd::i32x4 outside{};
  for (std::size_t v = 0; v < Vectors; ++v) {
    outside |= simd::bits_above(simd::load(&phases[4 * v]), 0x3f7fffffu);  // the float below 1
  }
  return simd::any_lane(outside);
}

// With AnyPhase, each group of four checks its own lanes and takes the C library's sine where
// the phase lies outside [0, 1); otherwise one check of all phases up front chooses the path.
template <std::size_t Vectors, bool NewLaw, bool AnyPhase>
float OscillatorBank::step() noexcept {
  if constexpr (!AnyPhase) {
    if (__builtin_expect(phase_outside_unit_range<Vectors>(), 0)) {
      return step<Vectors, NewLaw, true>();
    }
  }
  constexpr simd::f32x4 one = simd::lanes(1.0f), two_pi = simd::lanes(kTwoPi);
  const LawInputs in = NewLaw ? law_inputs() : LawInputs{};
  alignas(16) Lanes out;
  for (std::size_t v = 0; v < Vectors; ++v) {
    const simd::f32x4 increment = NewLaw ? spread_law<true>(v, in) : simd::load(&increments[4 * v]);
    simd::f32x4 phase = simd::load(&phases[4 * v]);
    const simd::f32x4 x = two_pi * phase;
    simd::store(&out[4 * v], AnyPhase ? simd::sin(x) : simd::sin_0_to_2pi(x));
    phase += increment;
    phase -= reinterpret_cast<simd::f32x4>((phase >= one) & reinterpret_cast<simd::i32x4>(one));
    simd::store(&phases[4 * v], phase);
  }
  // Summed one by one, in order, like the single oscillators would be. Padding adds +0, which
  // leaves the sum unchanged: it is never -0, since it starts at +0.
  // Reading the lanes back from memory takes one instruction each; left to itself the compiler
  // would keep them in registers and shuffle every lane down first.
  asm("" : : "r"(out.data()) : "memory");
  float sum = 0.0f;
  for (std::size_t i = 0; i < 4 * Vectors; ++i) sum += out[i];
  return sum / static_cast<float>(count);
}

}  // namespace quorvane_dsp_kit
