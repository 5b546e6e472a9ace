#include "engine/kit/tanh.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace quorvane_dsp_kit {
namespace {

// Distance in representable floats (ulps) between two finite floats of any sign.
std::int64_t ulps_apart(float a, float b) {
  const auto ordered = [](float f) -> std::int64_t {
    const auto bits = std::bit_cast<std::int32_t>(f);
    return bits < 0 ? -static_cast<std::int64_t>(bits & 0x7fffffff) : bits;
  };
  return std::llabs(ordered(a) - ordered(b));
}

// Every 131st float from 0 to beyond the point where tanh rounds to 1, each with its negative:
// within 2 ulp of the C library, within 1 ulp of tanh rounded once from double, odd, and the
// same for either lane of the pair.
TEST(Tanh, StaysWithinTwoUlpOfTheLibraryOverADenseSweep) {
  const std::uint32_t end = std::bit_cast<std::uint32_t>(12.0f);
  std::int64_t worst_library = 0, worst_rounded = 0;
  float worst_at = 0.0f;
  for (std::uint32_t bits = 0; bits < end; bits += 131) {
    const float x = std::bit_cast<float>(bits);
    float a = x, b = -x;
    tanh_pair(a, b);
    const std::int64_t library = ulps_apart(a, std::tanh(x));
    if (library > worst_library) {
      worst_library = library;
      worst_at = x;
    }
    worst_rounded =
        std::max(worst_rounded, ulps_apart(a, static_cast<float>(std::tanh(double{x}))));
    ASSERT_EQ(std::bit_cast<std::uint32_t>(b), std::bit_cast<std::uint32_t>(-a)) << x;
    float c = 0.5f, d = x;
    tanh_pair(c, d);
    ASSERT_EQ(std::bit_cast<std::uint32_t>(d), std::bit_cast<std::uint32_t>(a)) << x;
  }
  EXPECT_LE(worst_library, 2) << "at " << worst_at;
  EXPECT_LE(worst_rounded, 1);
}

TEST(Tanh, EdgesLimitsAndNonFiniteInputs) {
  const float small[] = {0.0f, FLT_TRUE_MIN, 1e-40f, FLT_MIN, 1e-30f, 0x1p-13f, 0x1p-12f};
  for (const float x : small) {
    EXPECT_EQ(std::bit_cast<std::uint32_t>(tanh_one(x)), std::bit_cast<std::uint32_t>(x)) << x;
    EXPECT_EQ(std::bit_cast<std::uint32_t>(tanh_one(-x)), std::bit_cast<std::uint32_t>(-x)) << x;
  }
  // 1 exactly once tanh lies within half an ulp of it, and from there on for every input.
  EXPECT_LT(tanh_one(9.0f), 1.0f);
  const float large[] = {9.02f, 10.0f, 10.5f, 88.0f, 1e10f, FLT_MAX, INFINITY};
  for (const float x : large) {
    EXPECT_EQ(tanh_one(x), 1.0f) << x;
    EXPECT_EQ(tanh_one(-x), -1.0f) << x;
  }
  EXPECT_TRUE(std::isnan(tanh_one(NAN)));
  // Every exponent, with a few mantissas: finite inputs never give NaN and stay in [-1, 1].
  for (std::uint32_t bits = 0; bits < 0x7f800000u; bits += 0x00100003u) {
    for (const float x : {std::bit_cast<float>(bits), -std::bit_cast<float>(bits)}) {
      const float t = tanh_one(x);
      ASSERT_FALSE(std::isnan(t)) << x;
      ASSERT_LE(std::fabs(t), 1.0f) << x;
    }
  }
}

}  // namespace
}  // namespace quorvane_dsp_kit
