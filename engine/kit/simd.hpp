#pragma once

// Float vectors through the compiler's generic vector extension, so that one source serves every
// target: four lanes (SSE2 on x86-64, NEON on arm64) everywhere, and eight lanes (AVX2) inside the
// functions built for it on x86-64 (see vector_path.hpp). The lane-wise functions below are
// written once for any width and do the same operations on every lane.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

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
#if defined(__x86_64__)
// Eight lanes: only ever used inside functions built for AVX2.
using f32x8 = float __attribute__((vector_size(32)));
using i32x8 = std::int32_t __attribute__((vector_size(32)));
using u32x8 = std::uint32_t __attribute__((vector_size(32)));
#endif

// The integer vectors of a float vector's width: what its comparisons give, and the unsigned form.
template <class F>
struct IntegerLanes;
template <>
struct IntegerLanes<f32x4> {
  using Signed = i32x4;
  using Unsigned = u32x4;
};
#if defined(__x86_64__)
template <>
struct IntegerLanes<f32x8> {
  using Signed = i32x8;
  using Unsigned = u32x8;
};
#endif
template <class F>
using ints = typename IntegerLanes<F>::Signed;
template <class F>
using uints = typename IntegerLanes<F>::Unsigned;
template <class F>
inline constexpr std::size_t kLanes = sizeof(F) / sizeof(float);

template <class V, class T, std::size_t... I>
[[gnu::always_inline]] constexpr V broadcast(T x, std::index_sequence<I...>) noexcept {
  return V{((void)I, x)...};
}
// x in every lane of V; usable in constant expressions.
template <class V, class T>
[[gnu::always_inline]] constexpr V broadcast(T x) noexcept {
  return broadcast<V>(x, std::make_index_sequence<sizeof(V) / sizeof(T)>{});
}
// x in every lane of F, at run time (the form that compilers turn into one broadcast).
template <class F>
[[gnu::always_inline]] inline F splat_lanes(float x) noexcept {
  if constexpr (kLanes<F> == 4) {
    return F{x, x, x, x};
  } else {
    return F{x, x, x, x, x, x, x, x};
  }
}
template <class V, class T>
[[gnu::always_inline]] inline V load_lanes(const T* p) noexcept {
  V v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <class V, class T>
[[gnu::always_inline]] inline void store_lanes(T* p, V v) noexcept {
  std::memcpy(p, &v, sizeof v);
}

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

// The constants of sin_0_to_2pi, shared by its vector and scalar forms.
namespace sine {
inline constexpr float kInvPi = 0.31830987f, kPiHi = 3.1415927f, kPiLo = -8.742278e-8f;
inline constexpr float kS9 = 2.5928185e-06f, kS7 = -1.9802256e-04f, kS5 = 8.3329268e-03f,
                       kS3 = -1.6666650e-01f, kS1 = 9.9999998e-01f;
}  // namespace sine

// The constants of the lane-wise functions below, in vectors of type F.
template <class F>
struct Constants {
  F one = broadcast<F>(1.0f);
  F two_pi = broadcast<F>(6.2831855f);
  F exp2_c3 = broadcast<F>(0.07944154f), exp2_c2 = broadcast<F>(0.22741129f),
    exp2_c1 = broadcast<F>(0.69680786f), exp2_c0 = broadcast<F>(0.9998465f);
  uints<F> one_bits = broadcast<uints<F>>(0x3f800000u);
  F inv_pi = broadcast<F>(sine::kInvPi), half = broadcast<F>(0.5f);
  F pi_hi = broadcast<F>(sine::kPiHi), pi_lo = broadcast<F>(sine::kPiLo);
  F s9 = broadcast<F>(sine::kS9), s7 = broadcast<F>(sine::kS7), s5 = broadcast<F>(sine::kS5),
    s3 = broadcast<F>(sine::kS3), s1 = broadcast<F>(sine::kS1);
  // For unsigned comparisons through signed ones: the sign bit, and the float below 1 with its
  // sign bit flipped.
  ints<F> sign_bit = broadcast<ints<F>>(INT32_MIN);
  ints<F> below_one_flipped = broadcast<ints<F>>(static_cast<std::int32_t>(0xbf7fffffu));
};
template <class F>
inline constexpr Constants<F> kConstants{};

// The constants for F, read through a pointer that the optimiser cannot see through: left to
// itself, GCC on baseline x86-64 rebuilds a four-lane constant from a scalar with two
// instructions at every use instead of using it from memory.
template <class F>
[[gnu::always_inline]] inline const Constants<F>& constants() noexcept {
  const Constants<F>* c = &kConstants<F>;
  asm("" : "+r"(c));
  return *c;
}

// The scalar fast_exp2, lane by lane and bit for bit, for -126 <= x <= 127 (the scalar one also
// clamps; callers here stay within a few octaves).
template <class F>
[[gnu::always_inline]] inline F fast_exp2_in_range(F x, const Constants<F>& c) noexcept {
  ints<F> i = __builtin_convertvector(x, ints<F>);  // toward zero
  i += __builtin_convertvector(i, F) > x;           // minus one where that went up (negative x)
  const F t = x - __builtin_convertvector(i, F);
  const F p = ((c.exp2_c3 * t + c.exp2_c2) * t + c.exp2_c1) * t + c.exp2_c0;
  const uints<F> bits = c.one_bits + (reinterpret_cast<uints<F>>(i) << 23);
  return p * reinterpret_cast<F>(bits);
}
inline f32x4 fast_exp2_in_range(f32x4 x) noexcept {
  return fast_exp2_in_range(x, constants<f32x4>());
}
#if defined(__AVX2__)
// The same with the floor in one instruction (exact, as is the integer conversion of a floor).
[[gnu::always_inline]] inline f32x8 fast_exp2_in_range(f32x8 x,
                                                       const Constants<f32x8>& c) noexcept {
  const f32x8 whole = _mm256_floor_ps(x);
  const f32x8 t = x - whole;
  const f32x8 p = ((c.exp2_c3 * t + c.exp2_c2) * t + c.exp2_c1) * t + c.exp2_c0;
  const u32x8 bits =
      c.one_bits + (reinterpret_cast<u32x8>(__builtin_convertvector(whole, i32x8)) << 23);
  return p * reinterpret_cast<f32x8>(bits);
}
#endif

// Lane-wise v > 0 ? v : 0 (NaN gives 0, -0 gives +0).
template <class F>
[[gnu::always_inline]] inline F positive_or_zero(F v) noexcept {
  return reinterpret_cast<F>((v > F{}) & reinterpret_cast<ints<F>>(v));
}

// sin(x) for 0 <= x <= 6.2831855 with an absolute error against the C library's sinf of at most
// 4e-7 (1.8e-7 measured over the phases k / 2^24, which include every float in [0.5, 1)). Reduction
// by the nearest multiple of pi in two parts (x - j*pi_hi is exact there), then an odd degree-9 fit
// on [-pi/2, pi/2].
// Lane-wise: x outside [0, 1): negative (-0 included), 1 or more, or NaN. As unsigned numbers
// those are exactly the bit patterns above that of the float below 1.
template <class F>
[[gnu::always_inline]] inline ints<F> outside_unit_range(F x, const Constants<F>& c) noexcept {
  return (reinterpret_cast<ints<F>>(x) ^ c.sign_bit) > c.below_one_flipped;
}

template <class F>
[[gnu::always_inline]] inline F sin_0_to_2pi(F x, const Constants<F>& c) noexcept {
  const ints<F> j = __builtin_convertvector(x * c.inv_pi + c.half, ints<F>);
  const F jf = __builtin_convertvector(j, F);
  const F r = (x - jf * c.pi_hi) - jf * c.pi_lo;
  const F r2 = r * r;
  F p = c.s9 * r2 + c.s7;
  p = p * r2 + c.s5;
  p = p * r2 + c.s3;
  p = p * r2 + c.s1;
  const F s = p * r;
  // sin(r + j*pi) = (-1)^j sin(r): flip the sign bit for odd j.
  return reinterpret_cast<F>(reinterpret_cast<uints<F>>(s) ^ (reinterpret_cast<uints<F>>(j) << 31));
}
inline f32x4 sin_0_to_2pi(f32x4 x) noexcept {
  return sin_0_to_2pi(x, constants<f32x4>());
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
template <class F>
[[gnu::always_inline]] inline ints<F> bits_above(F x, std::uint32_t limit) noexcept {
  return reinterpret_cast<uints<F>>(x) > limit;
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
