#pragma once

// The oscillator bank's stepping, for groups of any vector width: included by oscillator.cpp
// (four lanes) and oscillator_avx2.cpp (eight lanes, built for AVX2). Each width's instantiations
// live only in the file built for it.
#include <cstddef>

#include "engine/kit/oscillator.hpp"
#include "engine/kit/simd.hpp"

namespace quorvane_dsp_kit {

// Frequencies and increments of group v (of F's width) from the base frequency, the ratios (new
// ones from the spread first, with NewSpread) and the drift offsets; returns the increments.
template <class F, bool NewSpread>
[[gnu::always_inline]] inline F OscillatorBank::spread_law(std::size_t v, const LawInputs<F>& in,
                                                           const simd::Constants<F>& c) noexcept {
  constexpr std::size_t w = simd::kLanes<F>;
  F ratio;
  if constexpr (NewSpread) {
    // spread * position lies within [-1, 1].
    ratio = simd::fast_exp2_in_range(in.spread * simd::load_lanes<F>(&positions[w * v]), c);
    simd::store_lanes(&ratios[w * v], ratio);
  } else {
    ratio = simd::load_lanes<F>(&ratios[w * v]);
  }
  const F offset = in.drift_amplitude * simd::load_lanes<F>(&drift_sines[w * v]);
  const F f = reinterpret_cast<F>(
      reinterpret_cast<simd::uints<F>>(simd::positive_or_zero(offset + in.base * ratio)) &
      simd::load_lanes<simd::uints<F>>(&live[w * v]));
  simd::store_lanes(&frequencies[w * v], f);
  const F increment = f / in.rate;
  simd::store_lanes(&increments[w * v], increment);
  return increment;
}

// Drift at or below 0 (or NaN) runs no drift steps and adds no offset. At drift 0 the offset is an
// exact zero, so the frequencies are those of the plain spread law.
template <class F>
[[gnu::always_inline]] inline OscillatorBank::LawInputs<F> OscillatorBank::law_inputs()
    const noexcept {
  const float drift_amplitude = drift > 0.0f ? base_frequency * drift * 0.01f : 0.0f;
  return {simd::splat_lanes<F>(spread), simd::splat_lanes<F>(base_frequency),
          simd::splat_lanes<F>(sample_rate), simd::splat_lanes<F>(drift_amplitude)};
}

// The drift step's drift phases and sines for groups of F's width; returns the lanes whose sine
// argument lies outside the fast sine's range, where the C library's sine must replace it.
// Padding keeps drift phase 0 (its rate is 0) and, through `live`, frequency 0.
template <class F, std::size_t Vectors>
[[gnu::always_inline]] inline simd::ints<F> OscillatorBank::advance_drift_lanes() noexcept {
  constexpr std::size_t w = simd::kLanes<F>;
  const simd::Constants<F>& c = simd::constants<F>();
  const F step = simd::splat_lanes<F>(32.0f / sample_rate);
  simd::ints<F> outside{};
  for (std::size_t v = 0; v < Vectors; ++v) {
    F phase =
        simd::load_lanes<F>(&drift_phases[w * v]) + step * simd::load_lanes<F>(&drift_rates[w * v]);
    phase -= reinterpret_cast<F>((phase >= c.one) & reinterpret_cast<simd::ints<F>>(c.one));
    simd::store_lanes(&drift_phases[w * v], phase);
    const F x = c.two_pi * phase;
    outside |= simd::bits_above(x, 0x40c90fdbu);  // 6.2831855f
    simd::store_lanes(&drift_sines[w * v], simd::sin_0_to_2pi(x, c));
  }
  return outside;
}

// Lanes whose phase lies outside [0, 1).
template <class F, std::size_t Vectors>
[[gnu::always_inline]] inline simd::ints<F> OscillatorBank::phases_outside_unit_range()
    const noexcept {
  constexpr std::size_t w = simd::kLanes<F>;
  const simd::Constants<F>& c = simd::constants<F>();
  simd::ints<F> outside{};
  for (std::size_t v = 0; v < Vectors; ++v) {
    outside |= simd::outside_unit_range(simd::load_lanes<F>(&phases[w * v]), c);
  }
  return outside;
}

// Groups of F's width. With AnyPhase (four lanes only), each group takes the C library's sine on
// its lanes whose phase lies outside [0, 1).
template <class F, std::size_t Vectors, bool NewLaw, bool AnyPhase>
[[gnu::always_inline]] inline float OscillatorBank::step() noexcept {
  constexpr std::size_t w = simd::kLanes<F>;
  const simd::Constants<F>& c = simd::constants<F>();
  const LawInputs<F> in = NewLaw ? law_inputs<F>() : LawInputs<F>{};
  Lanes& out = sines_;
  for (std::size_t v = 0; v < Vectors; ++v) {
    const F increment =
        NewLaw ? spread_law<F, true>(v, in, c) : simd::load_lanes<F>(&increments[w * v]);
    F phase = simd::load_lanes<F>(&phases[w * v]);
    const F x = c.two_pi * phase;
    if constexpr (AnyPhase) {
      simd::store_lanes(&out[w * v], simd::sin(x));
    } else {
      simd::store_lanes(&out[w * v], simd::sin_0_to_2pi(x, c));
    }
    phase += increment;
    phase -= reinterpret_cast<F>((phase >= c.one) & reinterpret_cast<simd::ints<F>>(c.one));
    simd::store_lanes(&phases[w * v], phase);
  }
  // Summed one by one, in order, like the single oscillators would be, on every path. Padding adds
  // +0, which leaves the sum unchanged: it is never -0, since it starts at +0.
  // Reading the lanes back from memory takes one instruction each; left to itself the compiler
  // would keep them in registers and shuffle every lane down first.
  asm("" : : "r"(out.data()) : "memory");
  float sum = 0.0f;
  for (std::size_t i = 0; i < w * Vectors; ++i) sum += out[i];
  return sum / static_cast<float>(static_cast<int>(count));
}

}  // namespace quorvane_dsp_kit
