#pragma once

// Four-lane float vectors (SSE2 on x86-64, NEON on arm64) through the compiler's generic vector
// extension, so that one source serves both targets.
#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace quorvane_dsp_kit::simd {

using f32x4 = float __attribute__((vector_size(16)));
using i32x4 = std::int32_t __attribute__((vector_size(16)));
using u32x4 = std::uint32_t __attribute__((vector_size(16)));
// Two-lane forms, for work on the left and right samples together.
using f32x2 = float __attribute__((vector_size(8)));
using f64x2 = double __attribute__((vector_size(16)));
using i64x2 = std::int64_t __attribute__((vector_size(16)));

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

// The left and right samples in the two low lanes; the upper lanes hold zeros.
inline f32x4 pair(float left, float right) noexcept {
  return f32x4{left, right, 0.0f, 0.0f};
}
// A constant for both lanes of a pair. Zeros in the upper lanes make it a constant that GCC on
// baseline x86-64 uses from memory; one with four equal lanes it rebuilds from a scalar each time.
constexpr f32x4 pair_lanes(float x) noexcept {
  return f32x4{x, x, 0.0f, 0.0f};
}

// Lane-wise a < b ? a : b and a > b ? a : b, each one instruction where the target has it.
inline f32x4 min(f32x4 a, f32x4 b) noexcept {
#if defined(__SSE2__)
  return _mm_min_ps(a, b);
#else
  return a < b ? a : b;
#endif
}
inline f32x4 max(f32x4 a, f32x4 b) noexcept {
#if defined(__SSE2__)
  return _mm_max_ps(a, b);
#else
  return a > b ? a : b;
#endif
}

// Hides a float's origin from the optimiser, in its vector register. GCC's straight-line vectoriser
// otherwise packs everything that leads to a two-lane operation into pairs, back to the processor's
// input, which costs more shuffles than it saves.
inline void opaque(float& x) noexcept {
#if defined(__SSE2__)
  asm("" : "+x"(x));
#elif defined(__aarch64__)
  asm("" : "+w"(x));
#endif
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

// The constants of sin_0_to_2pi, shared by its vector and scalar forms.
namespace sine {
inline constexpr float kInvPi = 0.31830987f, kPiHi = 3.1415927f, kPiLo = -8.742278e-8f;
inline constexpr float kS9 = 2.5928185e-06f, kS7 = -1.9802256e-04f, kS5 = 8.3329268e-03f,
                       kS3 = -1.6666650e-01f, kS1 = 9.9999998e-01f;
}  // namespace sine

// sin(x) for 0 <= x <= 6.2831855 with an absolute error against the C library's sinf of at most
// 4e-7 (1.8e-7 measured over the phases k / 2^24, which include every float in [0.5, 1)). Reduction
// by the nearest multiple of pi in two parts (x - j*pi_hi is exact there), then an odd degree-9 fit
// on [-pi/2, pi/2].
inline f32x4 sin_0_to_2pi(f32x4 x) noexcept {
  using namespace sine;
  const i32x4 j = __builtin_convertvector(x * kInvPi + 0.5f, i32x4);
  const f32x4 jf = __builtin_convertvector(j, f32x4);
  const f32x4 r = (x - jf * kPiHi) - jf * kPiLo;
  const f32x4 r2 = r * r;
  f32x4 p = kS9 * r2 + kS7;
  p = p * r2 + kS5;
  p = p * r2 + kS3;
  p = p * r2 + kS1;
  const f32x4 s = p * r;
  // sin(r + j*pi) = (-1)^j sin(r): flip the sign bit for odd j.
  return reinterpret_cast<f32x4>(reinterpret_cast<u32x4>(s) ^ (reinterpret_cast<u32x4>(j) << 31));
}

// True when any lane of a comparison mask is set.
inline bool any_lane(i32x4 mask) noexcept {
#if defined(__SSE2__)
  return _mm_movemask_ps(reinterpret_cast<__m128>(mask)) != 0;
#else
  std::uint64_t halves[2];
  std::memcpy(halves, &mask, sizeof halves);
  return (halves[0] | halves[1]) != 0;
#endif
}

// Lane-wise: the float's bits above `limit` as unsigned numbers. For a positive limit that is x
// above it, negative (sign bit set, -0 included) or NaN: one comparison for a range check.
inline i32x4 bits_above(f32x4 x, std::uint32_t limit) noexcept {
  return reinterpret_cast<u32x4>(x) > limit;
}

// The C library's sinf on each lane.
inline f32x4 library_sin(f32x4 x) noexcept {
  return f32x4{std::sin(x[0]), std::sin(x[1]), std::sin(x[2]), std::sin(x[3])};
}

// sin(x) for any x within the same 4e-7 of the C library's sinf: the fast sine on [0, 6.2831855],
// the library's on the lanes outside, where the reduction above loses its accuracy (an oscillator
// at or above the sample rate takes its phase past 1). One check per four lanes otherwise.
inline f32x4 sin(f32x4 x) noexcept {
  const i32x4 outside = bits_above(x, 0x40c90fdbu);  // 6.2831855f
  const f32x4 s = sin_0_to_2pi(x);
  if (__builtin_expect(!any_lane(outside), 1)) return s;
  return select(outside, library_sin(x), s);
}

// The same steps on one float: bit for bit one lane of the vector form.
inline float sin_0_to_2pi(float x) noexcept {
  using namespace sine;
  const std::int32_t j = static_cast<std::int32_t>(x * kInvPi + 0.5f);
  const float jf = static_cast<float>(j);
  const float r = (x - jf * kPiHi) - jf * kPiLo;
  const float r2 = r * r;
  float p = kS9 * r2 + kS7;
  p = p * r2 + kS5;
  p = p * r2 + kS3;
  p = p * r2 + kS1;
  const float s = p * r;
  std::uint32_t bits;
  std::memcpy(&bits, &s, sizeof bits);
  bits ^= static_cast<std::uint32_t>(j) << 31;
  float out;
  std::memcpy(&out, &bits, sizeof out);
  return out;
}

}  // namespace quorvane_dsp_kit::simd
