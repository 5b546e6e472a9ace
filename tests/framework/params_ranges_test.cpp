#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "framework/panic.hpp"
#include "framework/params/range.hpp"

namespace vessimor {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

TEST(FloatRange, LinearClampsOutsideValues) {
  const auto r = FloatRange::linear(-12.0f, 12.0f);
  EXPECT_EQ(r.normalize(-100.0f), 0.0f);
  EXPECT_EQ(r.normalize(100.0f), 1.0f);
  EXPECT_EQ(r.normalize(0.0f), 0.5f);
  EXPECT_EQ(r.unnormalize(0.25f), -6.0f);
  EXPECT_EQ(r.unnormalize(1.7f), 12.0f);
  EXPECT_EQ(r.unnormalize(-0.2f), -12.0f);
  EXPECT_EQ(r.unnormalize(kNaN), -12.0f);  // NaN counts as 0
}

TEST(FloatRange, SkewedMatchesPowerCurve) {
  const auto r = FloatRange::skewed(40.0f, 5000.0f, 0.25f);
  EXPECT_NEAR(r.normalize(440.0f), 0.5328986f, 1e-6f);
  EXPECT_FLOAT_EQ(r.unnormalize(0.5f), 350.0f);
  EXPECT_EQ(r.normalize(40.0f), 0.0f);
  EXPECT_EQ(r.normalize(5000.0f), 1.0f);
  EXPECT_NEAR(FloatRange::skewed(20.0f, 5000.0f, 0.25f).normalize(440.0f), 0.5388960f, 1e-6f);
}

TEST(FloatRange, SymmetricalSkewedCentreIsHalf) {
  const auto r = FloatRange::symmetrical_skewed(-10.0f, 30.0f, 0.5f, 5.0f);
  EXPECT_EQ(r.normalize(5.0f), 0.5f);
  EXPECT_FLOAT_EQ(r.unnormalize(0.5f), 5.0f);
  EXPECT_EQ(r.normalize(-10.0f), 0.0f);
  EXPECT_EQ(r.normalize(30.0f), 1.0f);
  for (float n = 0.05f; n < 1.0f; n += 0.1f) EXPECT_NEAR(r.normalize(r.unnormalize(n)), n, 1e-5f);
  EXPECT_LT(r.normalize(0.0f), 0.5f);
  EXPECT_GT(r.normalize(10.0f), 0.5f);
}

TEST(FloatRange, ReversedAndNested) {
  const auto reversed = FloatRange::reversed(FloatRange::linear(0.0f, 10.0f));
  EXPECT_EQ(reversed.normalize(2.0f), 0.8f);
  EXPECT_FLOAT_EQ(reversed.unnormalize(0.8f), 2.0f);
  EXPECT_EQ(reversed.unnormalize(1.5f), 0.0f);
  const auto twice = FloatRange::reversed(reversed);
  EXPECT_FLOAT_EQ(twice.normalize(2.0f), 0.2f);
  EXPECT_FLOAT_EQ(twice.unnormalize(0.2f), 2.0f);
  // Snapping uses the innermost bounds.
  EXPECT_EQ(twice.snap_to_step(11.0f, 1.0f), 10.0f);
  twice.assert_validity();
}

TEST(FloatRange, SnapToStepRoundsHalfAwayThenClamps) {
  const auto r = FloatRange::linear(-1.0f, 1.0f);
  EXPECT_EQ(r.snap_to_step(0.125f, 0.25f), 0.25f);
  EXPECT_EQ(r.snap_to_step(-0.125f, 0.25f), -0.25f);
  EXPECT_EQ(r.snap_to_step(0.95f, 0.25f), 1.0f);
  EXPECT_EQ(r.snap_to_step(1.2f, 0.5f), 1.0f);
}

TEST(FloatRange, InvertedBoundsAreAFailure) {
  const auto r = FloatRange::linear(1.0f, 0.0f);
  EXPECT_THROW(r.normalize(0.5f), Panic);
  EXPECT_THROW(
      FloatRange::linear(0.0f, std::numeric_limits<float>::quiet_NaN()).snap_to_step(0.5f, 0.1f),
      Panic);
}

TEST(IntRange, NormalizeAndUnnormalize) {
  const auto r = IntRange::linear(0, 3);
  EXPECT_FLOAT_EQ(r.normalize(1), 1.0f / 3.0f);
  EXPECT_EQ(r.unnormalize(0.5f), 2);  // 1.5 rounds away from zero
  EXPECT_EQ(r.unnormalize(-0.2f), 0);
  EXPECT_EQ(r.unnormalize(1.7f), 3);
  EXPECT_EQ(r.normalize(-5), 0.0f);
  EXPECT_EQ(r.normalize(9), 1.0f);
  EXPECT_EQ(r.step_count(), 3);
}

TEST(IntRange, NonFiniteAndExtremeInputsAreDefined) {
  const auto r = IntRange::linear(2, 16);
  EXPECT_EQ(r.unnormalize(kNaN), 2);
  EXPECT_EQ(r.unnormalize(kInf), 16);
  EXPECT_EQ(r.unnormalize(-kInf), 2);
  // Offsets that overflow 32 bits must still clamp, not wrap.
  EXPECT_EQ(r.normalize(std::numeric_limits<std::int32_t>::min()), 0.0f);
  EXPECT_EQ(r.normalize(std::numeric_limits<std::int32_t>::max()), 1.0f);
  const auto full = IntRange::linear(std::numeric_limits<std::int32_t>::min(),
                                     std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(full.unnormalize(1.0f), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(full.unnormalize(0.0f), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(full.step_count(), std::numeric_limits<std::int32_t>::max());
}

TEST(IntRange, Reversed) {
  const auto r = IntRange::reversed(IntRange::linear(0, 4));
  EXPECT_EQ(r.normalize(1), 0.75f);
  EXPECT_EQ(r.unnormalize(0.75f), 1);
  EXPECT_EQ(r.unnormalize(kNaN), 4);
  EXPECT_EQ(r.step_count(), 4);
}

TEST(Conversions, SaturatingFloatToInteger) {
  EXPECT_EQ(saturating_f32_to_i32(kNaN), 0);
  EXPECT_EQ(saturating_f32_to_i32(3e9f), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(saturating_f32_to_i32(-3e9f), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(saturating_f32_to_i32(-2.9f), -2);
  EXPECT_EQ(saturating_f32_to_u32(-1.0f), 0u);
  EXPECT_EQ(saturating_f32_to_u32(kInf), std::numeric_limits<std::uint32_t>::max());
}

TEST(HashParamId, KnownValues) {
  EXPECT_EQ(hash_param_id("mix"), 108124u);
  EXPECT_EQ(hash_param_id("input_gain"), 1386281684u);
  EXPECT_EQ(hash_param_id(""), 0u);
  // Bytes above 127 count as unsigned and the top bit is always clear.
  EXPECT_EQ(hash_param_id("\xff"), 255u);
  EXPECT_EQ(hash_param_id("a_rather_long_parameter_identifier") & 0x80000000u, 0u);
}

}  // namespace
}  // namespace vessimor
