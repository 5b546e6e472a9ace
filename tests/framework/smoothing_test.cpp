#include "framework/params/smoothing.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <memory>

namespace vessimor {
namespace {

TEST(Smoother, LinearStepsAndIncrement) {
  Smoother<float> s(SmoothingStyle::Linear{10.0f});
  s.reset(0.0f);
  s.set_target(48000.0f, 1.0f);
  EXPECT_EQ(s.steps_left(), 480);
  EXPECT_FLOAT_EQ(s.step_size(), 1.0f / 480.0f);
  EXPECT_EQ(s.target(), 1.0f);
}

TEST(Smoother, TooShortGlideHasNoSteps) {
  Smoother<float> s(SmoothingStyle::Linear{0.01f});
  s.set_target(44100.0f, 5.0f);
  EXPECT_EQ(s.steps_left(), 0);
  EXPECT_EQ(s.step_size(), 0.0f);
  EXPECT_EQ(s.target(), 5.0f);
}

TEST(Smoother, NoneIsOneStepOfZero) {
  Smoother<std::int32_t> s;
  s.set_target(96000.0f, 7);
  EXPECT_EQ(s.steps_left(), 1);
  EXPECT_EQ(s.step_size(), 0.0f);
  EXPECT_EQ(s.target(), 7);
}

TEST(Smoother, ExponentialAndLogarithmic) {
  Smoother<float> e(SmoothingStyle::Exponential{1.0f});
  e.set_target(1000.0f, 3.0f);
  EXPECT_EQ(e.steps_left(), 1);
  EXPECT_FLOAT_EQ(e.step_size(), 0.0001f);

  Smoother<float> l(SmoothingStyle::Logarithmic{2.0f});
  l.reset(1.0f);
  l.set_target(1000.0f, 4.0f);
  EXPECT_EQ(l.steps_left(), 2);
  EXPECT_FLOAT_EQ(l.step_size(), 2.0f);  // two equal ratios from 1 to 4
}

TEST(Smoother, OversamplingAwareMultipliesRate) {
  auto factor = std::make_shared<std::atomic<float>>(4.0f);
  Smoother<float> s(SmoothingStyle::OversamplingAware{
      factor, std::make_shared<const SmoothingStyle>(SmoothingStyle::Linear{10.0f})});
  s.reset(0.0f);
  s.set_target(48000.0f, 1.0f);
  EXPECT_EQ(s.steps_left(), 1920);
  EXPECT_FLOAT_EQ(s.step_size(), 1.0f / 1920.0f);
  factor->store(1.0f);
  s.set_target(48000.0f, 1.0f);
  EXPECT_EQ(s.steps_left(), 480);
}

TEST(Smoother, NonsenseRatesGiveNoGlide) {
  Smoother<float> s(SmoothingStyle::Linear{10.0f});
  s.set_target(-48000.0f, 1.0f);
  EXPECT_EQ(s.steps_left(), 0);
  s.set_target(std::numeric_limits<float>::quiet_NaN(), 1.0f);
  EXPECT_EQ(s.steps_left(), 0);
  s.set_target(std::numeric_limits<float>::infinity(), 1.0f);  // beyond the signed range
  EXPECT_LT(s.steps_left(), 1);
  EXPECT_EQ(s.step_size(), 0.0f);
}

TEST(Smoother, ResetJumps) {
  Smoother<std::int32_t> s(SmoothingStyle::Linear{10.0f});
  s.set_target(48000.0f, 9);
  s.reset(3);
  EXPECT_EQ(s.steps_left(), 0);
  EXPECT_EQ(s.current(), 3.0f);
  EXPECT_EQ(s.target(), 3);
}

}  // namespace
}  // namespace vessimor
