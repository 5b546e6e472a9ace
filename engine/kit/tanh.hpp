#pragma once

// The hyperbolic tangent of the saturators, two floats at a time (the left and right samples).
//
// Bound: the result is tanh(x) rounded to float, or one of its two neighbours: at most 1 ulp from
// the correctly rounded value, and at most 2 ulp from glibc's tanhf (whose own error is up to
// 1.5 ulp). Both were checked over every float. Exact limits: +-1 from |x| > 9.02 on, +-inf
// included; tanh(-x) = -tanh(x) bit for bit; +-0 and denormals come back unchanged; NaN stays
// NaN; no finite input gives NaN.
//
// How: in double precision, tanh|x| = -m / (2 + m) with m = expm1(-2|x|), and
// expm1(-2|x|) = 2^k (1 + expm1(r)) - 1 with -2|x| = k ln 2 + r, |r| <= ln(2) / 2. The Taylor
// series of expm1(r) to r^8 is within 6e-10 relative, far inside a float's half ulp (3e-8), so
// the single rounding to float at the end decides the result. |x| is limited to 10, where tanh
// is 1 - 4e-9 and rounds to 1.
#include <cstdint>

#include "engine/kit/simd.hpp"

namespace quorvane_dsp_kit {

namespace tanh_detail {

using simd::f64x2;
using simd::i64x2;

constexpr f64x2 both(double x) noexcept {
  return f64x2{x, x};
}

struct alignas(16) Constants {
  i64x2 sign = {INT64_MIN, INT64_MIN};
  f64x2 limit = both(10.0);
  f64x2 minus_two = both(-2.0);
  f64x2 log2e = both(1.4426950408889634);
  // Adding 1.5 * 2^52 rounds to a whole number, which then sits in the low mantissa bits.
  f64x2 round = both(6755399441055744.0);
  f64x2 ln2 = both(0.6931471805599453);
  f64x2 one = both(1.0);
  f64x2 two = both(2.0);
  // 1 / n! for n = 8 down to 2.
  f64x2 c8 = both(1.0 / 40320.0), c7 = both(1.0 / 5040.0), c6 = both(1.0 / 720.0),
        c5 = both(1.0 / 120.0), c4 = both(1.0 / 24.0), c3 = both(1.0 / 6.0), c2 = both(0.5);
};
inline constexpr Constants kConstants{};

// tanh of both lanes.
inline f64x2 tanh(f64x2 x) noexcept {
  // Read through an opaque pointer: left to itself, GCC on baseline x86-64 rebuilds every
  // constant from a scalar with two instructions instead of using it from memory.
  const Constants* constants = &kConstants;
  asm("" : "+r"(constants));
  const Constants& c = *constants;
  const i64x2 bits = reinterpret_cast<i64x2>(x);
  f64x2 a = reinterpret_cast<f64x2>(bits & ~c.sign);
  a = c.limit < a ? c.limit : a;  // keeps NaN
  const f64x2 y = a * c.minus_two;
  const f64x2 k_rounded = y * c.log2e + c.round;
  const f64x2 k = k_rounded - c.round;
  const f64x2 r = y - k * c.ln2;
  f64x2 p = r * c.c8 + c.c7;
  p = p * r + c.c6;
  p = p * r + c.c5;
  p = p * r + c.c4;
  p = p * r + c.c3;
  p = p * r + c.c2;
  p = p * r + c.one;
  p = p * r;  // expm1(r)
  // 2^k from k's low bits moved into the exponent field (-29 <= k <= 0).
  const f64x2 scale = reinterpret_cast<f64x2>((reinterpret_cast<i64x2>(k_rounded) << 52) +
                                              reinterpret_cast<i64x2>(c.one));
  const f64x2 m = scale * p + (scale - c.one);
  const f64x2 q = m / (m + c.two);  // -tanh|x|, in [-1, 0]
  return reinterpret_cast<f64x2>((reinterpret_cast<i64x2>(q) & ~c.sign) | (bits & c.sign));
}

}  // namespace tanh_detail

// tanh(a) and tanh(b), in place.
inline void tanh_pair(float& a, float& b) noexcept {
  simd::opaque(a);
  simd::opaque(b);
  const simd::f64x2 t = tanh_detail::tanh(simd::f64x2{a, b});
  a = static_cast<float>(t[0]);
  b = static_cast<float>(t[1]);
}

// tanh(x) alone: bit for bit what tanh_pair gives for x.
inline float tanh_one(float x) noexcept {
  float unused = 0.0f;
  tanh_pair(x, unused);
  return x;
}

}  // namespace quorvane_dsp_kit
