#pragma once

// Four-lane float vectors (SSE2 on x86-64, NEON on arm64) through the compiler's generic vector
// extension, so that one source serves both targets.
#include <cstdint>
#include <cstring>

namespace quorvane_dsp_kit::simd {

using f32x4 = float __attribute__((vector_size(16)));
using i32x4 = std::int32_t __attribute__((vector_size(16)));
using u32x4 = std::uint32_t __attribute__((vector_size(16)));

inline f32x4 load(const float* p) noexcept {
  f32x4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline u32x4 load(const std::uint32_t* p) noexcept {
  u32x4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void store(float* p, f32x4 v) noexcept {
  std::memcpy(p, &v, sizeof v);
}
inline f32x4 splat(float x) noexcept {
  return f32x4{x, x, x, x};
}
// Broadcast usable in constant expressions, for the polynomial coefficients.
constexpr f32x4 lanes(float x) noexcept {
  return f32x4{x, x, x, x};
}

// Lane-wise mask ? a : b, with masks as produced by vector comparisons (all bits set or clear).
inline f32x4 select(i32x4 mask, f32x4 a, f32x4 b) noexcept {
  return reinterpret_cast<f32x4>((mask & reinterpret_cast<i32x4>(a)) |
                                 (~mask & reinterpret_cast<i32x4>(b)));
}

// The scalar fast_exp2, lane by lane and bit for bit, for -126 <= x <= 127 (the scalar one also
// clamps; callers here stay within a few octaves).
inline f32x4 fast_exp2_in_range(f32x4 x) noexcept {
  constexpr f32x4 c3 = lanes(0.07944154f), c2 = lanes(0.22741129f), c1 = lanes(0.69680786f),
                  c0 = lanes(0.9998465f);
  constexpr u32x4 one_bits = {0x3f800000u, 0x3f800000u, 0x3f800000u, 0x3f800000u};
  i32x4 i = __builtin_convertvector(x, i32x4);  // toward zero
  i += __builtin_convertvector(i, f32x4) > x;   // minus one where that went up (negative x)
  const f32x4 t = x - __builtin_convertvector(i, f32x4);
  const f32x4 p = ((c3 * t + c2) * t + c1) * t + c0;
  const u32x4 bits = one_bits + (reinterpret_cast<u32x4>(i) << 23);
  return p * reinterpret_cast<f32x4>(bits);
}

// Lane-wise v > 0 ? v : 0 (NaN gives 0, -0 gives +0).
inline f32x4 positive_or_zero(f32x4 v) noexcept {
  return reinterpret_cast<f32x4>((v > 0.0f) & reinterpret_cast<i32x4>(v));
}

// sin(x) for 0 <= x <= 6.2831855 with an absolute error against the C library's sinf of at most
// 4e-7 (1.8e-7 measured over the phases k / 2^24, which include every float in [0.5, 1)). Reduction
// by the nearest multiple of pi in two parts (x - j*pi_hi is exact there), then an odd degree-9 fit
// on [-pi/2, pi/2].
inline f32x4 sin_0_to_2pi(f32x4 x) noexcept {
  constexpr f32x4 inv_pi = lanes(0.31830987f), half = lanes(0.5f);
  constexpr f32x4 pi_hi = lanes(3.1415927f), pi_lo = lanes(-8.742278e-8f);
  constexpr f32x4 s9 = lanes(2.5928185e-06f), s7 = lanes(-1.9802256e-04f),
                  s5 = lanes(8.3329268e-03f), s3 = lanes(-1.6666650e-01f),
                  s1 = lanes(9.9999998e-01f);
  const i32x4 j = __builtin_convertvector(x * inv_pi + half, i32x4);
  const f32x4 jf = __builtin_convertvector(j, f32x4);
  const f32x4 r = (x - jf * pi_hi) - jf * pi_lo;
  const f32x4 r2 = r * r;
  f32x4 p = s9 * r2 + s7;
  p = p * r2 + s5;
  p = p * r2 + s3;
  p = p * r2 + s1;
  const f32x4 s = p * r;
  // sin(r + j*pi) = (-1)^j sin(r): flip the sign bit for odd j.
  return reinterpret_cast<f32x4>(reinterpret_cast<u32x4>(s) ^ (reinterpret_cast<u32x4>(j) << 31));
}

}  // namespace quorvane_dsp_kit::simd
