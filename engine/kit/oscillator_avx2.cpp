// The oscillator bank's eight-lane steps. This file alone is built for AVX2 (x86-64 only), and
// runs only where start-up found AVX2 (vector_path.cpp). So that no function shared with the rest
// of the program gets an AVX2 body the linker could pick everywhere, it uses only what is defined
// here, the eight-lane instantiations of the bank's templates, and the four-lane fallback through
// a call into oscillator.cpp.
#if defined(__x86_64__)

#if !defined(__AVX2__)
#error "oscillator_avx2.cpp must be built with -mavx2"
#endif

#include <immintrin.h>

#include "engine/kit/oscillator_lanes.hpp"

namespace quorvane_dsp_kit {

namespace {

[[gnu::always_inline]] inline bool any_lane(simd::i32x8 mask) noexcept {
  return _mm256_movemask_ps(reinterpret_cast<__m256>(mask)) != 0;
}

}  // namespace

// The rare steps with a phase outside [0, 1) go to the four-lane path, which has the C library's
// sine for those lanes.
template <bool NewLaw>
float OscillatorBank::step_eight() noexcept {
  using simd::f32x8;
  if (count <= 8) {
    if (__builtin_expect(any_lane(phases_outside_unit_range<f32x8, 1>()), 0)) {
      return step_four_out_of_line(NewLaw);
    }
    return step<f32x8, 1, NewLaw, false>();
  }
  if (__builtin_expect(any_lane(phases_outside_unit_range<f32x8, 2>()), 0)) {
    return step_four_out_of_line(NewLaw);
  }
  return step<f32x8, 2, NewLaw, false>();
}

void OscillatorBank::advance_drift_eight() noexcept {
  const simd::i32x8 outside =
      count <= 8 ? advance_drift_lanes<simd::f32x8, 1>() : advance_drift_lanes<simd::f32x8, 2>();
  if (__builtin_expect(any_lane(outside), 0)) drift_sines_from_library();
}

template float OscillatorBank::step_eight<true>() noexcept;
template float OscillatorBank::step_eight<false>() noexcept;

}  // namespace quorvane_dsp_kit

#endif
