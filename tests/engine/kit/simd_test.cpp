#include "engine/kit/simd.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>

#include "engine/kit/oscillator.hpp"

namespace quorvane_dsp_kit {
namespace {

// Every phase k / 2^24 in [0, 1) plus the float just below 1, as the bank computes its argument;
// the scalar form gives the vector's result on each.
TEST(Simd, SineStaysWithinFourTenthsOfAMillionthOfLibm) {
  float worst = 0.0f;
  float worst_phase = 0.0f;
  constexpr std::uint32_t kSteps = 1u << 24;
  for (std::uint32_t k = 0; k < kSteps; k += 4) {
    const simd::f32x4 phase{static_cast<float>(k) / kSteps, static_cast<float>(k + 1) / kSteps,
                            static_cast<float>(k + 2) / kSteps, static_cast<float>(k + 3) / kSteps};
    const simd::f32x4 x = kTwoPi * phase;
    const simd::f32x4 s = simd::sin_0_to_2pi(x);
    for (int lane = 0; lane < 4; ++lane) {
      ASSERT_EQ(std::bit_cast<std::uint32_t>(simd::sin_0_to_2pi(x[lane])),
                std::bit_cast<std::uint32_t>(s[lane]))
          << "scalar form differs at phase " << phase[lane];
      const float error = std::fabs(s[lane] - std::sin(x[lane]));
      if (error > worst) {
        worst = error;
        worst_phase = phase[lane];
      }
    }
  }
  const float top = std::nextafter(1.0f, 0.0f);
  const simd::f32x4 x = simd::splat(kTwoPi * top);
  worst = std::fmax(worst, std::fabs(simd::sin_0_to_2pi(x)[0] - std::sin(x[0])));
  EXPECT_LE(worst, 4e-7f) << "at phase " << worst_phase;
  // Exact zero at phase 0 keeps silent carriers silent.
  EXPECT_EQ(simd::sin_0_to_2pi(simd::splat(0.0f))[0], 0.0f);
}

// Outside [0, 2 pi] the fast reduction drifts off (5e-4 at a phase of 20000); those lanes take
// the C library's sine, the others keep the fast one.
TEST(Simd, SineOfAnyArgumentTakesTheLibraryOutsideTheFastRange) {
  const float inside[] = {0.0f, 1.0f, 3.1415927f, 6.2831855f};
  const float outside[] = {-0.5f,  6.2831860f, kTwoPi * 19996.3f, 1e30f,
                           -1e30f, NAN,        INFINITY,          -0.0f};
  for (const float out : outside) {
    for (int lane = 0; lane < 4; ++lane) {
      simd::f32x4 x{inside[0], inside[1], inside[2], inside[3]};
      x[lane] = out;
      const simd::f32x4 s = simd::sin(x);
      for (int k = 0; k < 4; ++k) {
        const float expected = k == lane ? std::sin(x[k]) : simd::sin_0_to_2pi(x[k]);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(s[k]), std::bit_cast<std::uint32_t>(expected))
            << "lane " << k << " of " << x[k];
      }
    }
  }
  EXPECT_LE(std::fabs(simd::sin(simd::splat(kTwoPi * 0.3f))[2] - std::sin(kTwoPi * 0.3f)), 4e-7f);
}

TEST(Simd, FastExp2MatchesTheScalarBitForBitInRange) {
  const float inputs[] = {-126.0f, -125.5f, -3.75f, -2.0f,  -1.0f, -0.999f, -0.5f,  -1e-7f,
                          -0.0f,   0.0f,    1e-7f,  0.3f,   0.5f,  1.0f,    1.999f, 2.0f,
                          7.25f,   100.1f,  126.9f, 127.0f, 0.75f, -60.25f, 33.0f,  -1e-30f};
  for (std::size_t i = 0; i < std::size(inputs); i += 4) {
    const simd::f32x4 x{inputs[i], inputs[i + 1], inputs[i + 2], inputs[i + 3]};
    const simd::f32x4 y = simd::fast_exp2_in_range(x);
    for (int lane = 0; lane < 4; ++lane) {
      EXPECT_EQ(y[lane], fast_exp2(x[lane])) << x[lane];
    }
  }
  for (float x = -2.0f; x <= 2.0f; x += 0.0009765625f * 0.37f) {
    EXPECT_EQ(simd::fast_exp2_in_range(simd::splat(x))[0], fast_exp2(x)) << x;
  }
}

}  // namespace
}  // namespace quorvane_dsp_kit
