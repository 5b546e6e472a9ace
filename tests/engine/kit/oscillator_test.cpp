#include "engine/kit/oscillator.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>

namespace quorvane_dsp_kit {
namespace {

TEST(FastExp2, KeepsTheCubicsOffsetAndExactOctaves) {
  EXPECT_FLOAT_EQ(fast_exp2(0.0f), 0.9998465f);
  EXPECT_EQ(fast_exp2(1.0f), 2.0f * 0.9998465f);
  EXPECT_EQ(fast_exp2(-1.0f), 0.5f * 0.9998465f);
  EXPECT_NEAR(fast_exp2(0.5f), std::sqrt(2.0f), 1e-3f);
  EXPECT_NEAR(fast_exp2(-2.3f), std::exp2(-2.3f), 1e-3f);
  // Out-of-range and NaN arguments stay finite instead of corrupting the exponent.
  EXPECT_TRUE(std::isfinite(fast_exp2(NAN)));
  EXPECT_TRUE(std::isfinite(fast_exp2(1000.0f)));
  EXPECT_GE(fast_exp2(-1000.0f), 0.0f);
}

TEST(Oscillator, TicksTheSineOfThePhaseBeforeTheStepAndWrapsOnce) {
  Oscillator o = Oscillator::make(4.0f, 1.0f);
  EXPECT_EQ(o.increment, 0.25f);
  EXPECT_EQ(o.tick(), 0.0f);
  EXPECT_EQ(o.tick(), std::sin(kTwoPi * 0.25f));
  o.tick();
  o.tick();
  EXPECT_EQ(o.phase, 0.0f);
}

TEST(Oscillator, NegativeOrNanFrequencyBecomesPositiveZero) {
  Oscillator o = Oscillator::make(48000.0f, 440.0f);
  o.set_frequency(-0.0f);
  EXPECT_FALSE(std::signbit(o.frequency));
  o.set_frequency(-5.0f);
  EXPECT_EQ(o.increment, 0.0f);
  o.set_frequency(NAN);
  EXPECT_EQ(o.frequency, 0.0f);
  o.set_frequency(480.0f);
  o.set_sample_rate(96000.0f);
  EXPECT_EQ(o.increment, 0.005f);
}

float lfo_value_at(LfoShape shape, float phase) {
  Lfo lfo = Lfo::make(1000.0f, 1.0f, shape);
  lfo.phase = phase;
  return lfo.tick();
}

TEST(Lfo, ShapesAtTheirBreakPoints) {
  EXPECT_EQ(lfo_value_at(LfoShape::Square, 0.5f), -1.0f);
  EXPECT_EQ(lfo_value_at(LfoShape::Square, 0.0f), 1.0f);
  EXPECT_EQ(lfo_value_at(LfoShape::Triangle, 0.0f), -1.0f);
  EXPECT_EQ(lfo_value_at(LfoShape::Triangle, 0.25f), 0.0f);
  EXPECT_EQ(lfo_value_at(LfoShape::Triangle, 0.75f), 0.0f);
  EXPECT_EQ(lfo_value_at(LfoShape::Saw, 0.0f), -1.0f);
  EXPECT_EQ(lfo_value_at(LfoShape::Sine, 0.25f), std::sin(0.5f * 3.1415927f));
  EXPECT_EQ(lfo_value_at(LfoShape::Sine, 0.0f), 0.0f);
}

// The sine shape is the C library's sine bit for bit: its error would accumulate through the
// carriers' pitch.
TEST(Lfo, SineIsTheLibrarySineOfTwicePhaseTimesPi) {
  for (std::uint32_t k = 0; k < (1u << 20); ++k) {
    const float phase = static_cast<float>(k) / (1u << 20) + 0x1p-24f * static_cast<float>(k % 16);
    ASSERT_EQ(std::bit_cast<std::uint32_t>(lfo_value_at(LfoShape::Sine, phase)),
              std::bit_cast<std::uint32_t>(std::sin((phase + phase) * 3.1415927f)))
        << phase;
  }
  for (float phase : {-0.25f, 1.5f, 37.1f}) {
    EXPECT_EQ(lfo_value_at(LfoShape::Sine, phase), std::sin((phase + phase) * 3.1415927f)) << phase;
  }
}

TEST(Lfo, SampleAndHoldRefreshesOnWrapAndIsHeardNextTick) {
  Lfo lfo = Lfo::make(10.0f, 5.0f, LfoShape::SampleHold);  // half a cycle per tick
  lfo.phase = 0.75f;
  EXPECT_EQ(lfo.tick(), 0.0f);  // still the old held value
  const float v = std::sin(0.25f * 12345.679f) * 43758.547f;
  const float expected = 2.0f * (v - std::trunc(v)) - 1.0f;
  EXPECT_EQ(lfo.held, expected);
  EXPECT_EQ(lfo.tick(), expected);
  EXPECT_GE(lfo.held, -3.0f);
  EXPECT_LE(lfo.held, 1.0f);
}

TEST(Lfo, UnknownShapeHoldsWithoutRefreshing) {
  Lfo lfo = Lfo::make(10.0f, 5.0f, static_cast<LfoShape>(9));
  lfo.held = 0.25f;
  for (int i = 0; i < 5; ++i) EXPECT_EQ(lfo.tick(), 0.25f);
  EXPECT_EQ(lfo.held, 0.25f);
}

TEST(OscillatorBank, CountIsClampedToTwoThroughSixteen) {
  EXPECT_EQ(OscillatorBank(0, 44100.0f).size(), 2u);
  EXPECT_EQ(OscillatorBank(1, 44100.0f).size(), 2u);
  EXPECT_EQ(OscillatorBank(2, 44100.0f).size(), 2u);
  EXPECT_EQ(OscillatorBank(7, 44100.0f).size(), 7u);
  EXPECT_EQ(OscillatorBank(40, 44100.0f).size(), 16u);
}

TEST(OscillatorBank, NewBankStartsAtGoldenRatioPhasesAndTheFlattenedPitch) {
  const OscillatorBank bank(16, 44100.0f);
  const float phases[] = {0.0f, 0.618034f, 0.236068f, 0.854102f};
  for (std::size_t i = 0; i < 4; ++i) EXPECT_NEAR(bank.phases[i], phases[i], 1e-6f) << i;
  for (std::size_t i = 0; i < bank.size(); ++i) {
    EXPECT_FLOAT_EQ(bank.frequencies[i], 439.93246f);
    EXPECT_EQ(bank.increments[i], bank.frequencies[i] / 44100.0f);
    EXPECT_EQ(bank.drift_phases[i], static_cast<float>(i) * 0.1f);
    EXPECT_EQ(bank.drift_rates[i], 0.1f + 0.03f * static_cast<float>(i));
    EXPECT_GE(bank.phases[i], 0.0f);
    EXPECT_LT(bank.phases[i], 1.0f);
  }
  EXPECT_EQ(bank.drift_counter, 0u);
}

TEST(OscillatorBank, SpreadPlacesOscillatorsSymmetricallyInOctaves) {
  OscillatorBank bank(5, 44100.0f);
  bank.set_spread(1.0f);
  const float positions[] = {-1.0f, -0.5f, 0.0f, 0.5f, 1.0f};
  for (std::size_t k = 0; k < 5; ++k) {
    EXPECT_EQ(OscillatorBank::position(k, 5), positions[k]);
    EXPECT_EQ(bank.frequencies[k], 440.0f * fast_exp2(positions[k]));
  }
  EXPECT_NEAR(bank.frequencies[0], 220.0f, 0.1f);
  EXPECT_NEAR(bank.frequencies[4], 880.0f, 0.2f);
  bank.set_spread(3.0f);
  EXPECT_EQ(bank.spread, 1.0f);
}

TEST(OscillatorBank, NegativeBaseFreezesEveryOscillator) {
  OscillatorBank bank(3, 44100.0f);
  bank.set_frequency(-10.0f);
  EXPECT_EQ(bank.base_frequency, 0.0f);
  const auto before = bank.phases;
  const float expected =
      (std::sin(kTwoPi * before[0]) + std::sin(kTwoPi * before[1]) + std::sin(kTwoPi * before[2])) /
      3.0f;
  for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(bank.process(), expected);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(bank.frequencies[i], 0.0f);
    EXPECT_EQ(bank.increments[i], 0.0f);
    EXPECT_EQ(bank.phases[i], before[i]);
  }
}

TEST(OscillatorBank, DriftStepsEveryThirtyTwoSamplesOnlyWhenDriftIsOn) {
  OscillatorBank still(4, 44100.0f);
  for (int i = 0; i < 100; ++i) still.process();
  EXPECT_EQ(still.drift_counter, 0u);
  EXPECT_EQ(still.drift_phases[1], 0.1f);

  OscillatorBank drifting(4, 44100.0f);
  drifting.drift = 1.0f;
  for (int i = 0; i < 31; ++i) drifting.process();
  EXPECT_EQ(drifting.drift_counter, 31u);
  EXPECT_EQ(drifting.drift_phases[1], 0.1f);
  drifting.process();
  EXPECT_EQ(drifting.drift_counter, 0u);
  const float step = 32.0f / 44100.0f;
  EXPECT_EQ(drifting.drift_phases[1], 0.1f + step * 0.13f);
  const float amplitude = 440.0f * 1.0f * 0.01f;
  // The drift uses the fast sine: within 4e-7 of the C library's, scaled by the amplitude.
  EXPECT_NEAR(drifting.frequencies[1],
              amplitude * std::sin(kTwoPi * drifting.drift_phases[1]) + 440.0f * fast_exp2(0.0f),
              amplitude * 4e-7f + 440.0f * 0x1p-24f);
  EXPECT_EQ(drifting.increments[1], drifting.frequencies[1] / 44100.0f);
  EXPECT_FLOAT_EQ(
      drifting.frequencies[3],
      amplitude * simd::sin_0_to_2pi(kTwoPi * drifting.drift_phases[3]) + 440.0f * fast_exp2(0.0f));
  EXPECT_EQ(drifting.frequencies[4], 0.0f);  // padding stays silent
}

// The owner sets the spread and the frequency once per block or every sample; neither may drop
// the offset of the last drift step, or the sound would depend on the host's block size.
TEST(OscillatorBank, RecomputedFrequenciesKeepTheLastDriftOffset) {
  OscillatorBank bank(6, 44100.0f);
  bank.drift = 0.5f;
  bank.set_spread(0.3f);
  const auto before_any_step = bank.frequencies;
  bank.set_spread(0.3f);
  EXPECT_EQ(bank.frequencies, before_any_step);  // no offset before the first drift step

  for (int i = 0; i < 32; ++i) bank.process();
  const auto drifted = bank.frequencies;
  const auto increments = bank.increments;
  ASSERT_NE(drifted, before_any_step);
  bank.set_spread(0.3f);
  bank.set_frequency(440.0f);
  bank.set_frequency_and_spread(440.0f, 0.3f);
  bank.set_sample_rate(44100.0f);
  EXPECT_EQ(bank.frequencies, drifted);
  EXPECT_EQ(bank.increments, increments);

  // A new spread and pitch move the oscillators under the same offset.
  bank.set_frequency_and_spread(300.0f, 0.8f);
  const float amplitude = 300.0f * 0.5f * 0.01f;
  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(bank.drift_sines[i], simd::sin_0_to_2pi(kTwoPi * bank.drift_phases[i]));
    EXPECT_EQ(bank.frequencies[i], amplitude * bank.drift_sines[i] +
                                       300.0f * fast_exp2(0.8f * OscillatorBank::position(i, 6)));
  }
  // At drift 0 the frequencies are the plain spread law again.
  bank.drift = 0.0f;
  bank.set_frequency_and_spread(300.0f, 0.8f);
  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(bank.frequencies[i], 300.0f * fast_exp2(0.8f * OscillatorBank::position(i, 6)));
  }
}

TEST(OscillatorBank, ProcessReturnsTheMeanOfItsSines) {
  OscillatorBank bank(4, 44100.0f);
  float expected = 0.0f;
  for (std::size_t i = 0; i < 4; ++i) expected += std::sin(kTwoPi * bank.phases[i]);
  EXPECT_NEAR(bank.process(), expected / 4.0f, 1e-6f);
  bank.reset();
  EXPECT_NEAR(bank.phases[3], 0.854102f, 1e-6f);
}

// An oscillator at or above the sample rate takes its phase past 1, where it keeps growing; the
// sines stay within the fast sine's bound there too, on both stepping paths.
TEST(OscillatorBank, SinesStayAccurateWhenPhasesGrowPastOne) {
  for (const bool moving : {false, true}) {
    OscillatorBank bank(16, 8000.0f);
    bank.drift = 1.0f;
    bank.set_frequency_and_spread(5000.0f, 1.0f);
    float worst = 0.0f;
    for (int i = 0; i < 80000; ++i) {
      float sum = 0.0f;
      for (std::size_t k = 0; k < 16; ++k) sum += std::sin(kTwoPi * bank.phases[k]);
      const float mean = moving ? bank.process_at(5000.0f, 1.0f) : bank.process();
      worst = std::fmax(worst, std::fabs(mean - sum / 16.0f));
    }
    EXPECT_GT(bank.phases[15], 10000.0f);
    // 4e-7 per sine plus the rounding of a sum of sixteen.
    EXPECT_LE(worst, 2e-6f) << "moving " << moving;
  }
}

TEST(OscillatorBank, SampleRateChangeRescalesIncrements) {
  OscillatorBank bank(2, 44100.0f);
  bank.set_sample_rate(88200.0f);
  EXPECT_EQ(bank.increments[0], bank.frequencies[0] / 88200.0f);
  EXPECT_EQ(bank.sample_rate, 88200.0f);
}

}  // namespace
}  // namespace quorvane_dsp_kit

namespace quorvane_dsp_kit {
namespace {

TEST(OscillatorBank, CombinedFrequencyAndSpreadEqualsTheTwoCallsInOrder) {
  for (std::size_t n : {2u, 5u, 11u, 16u}) {
    OscillatorBank a(n, 48000.0f), b(n, 48000.0f);
    a.set_frequency(311.0f);
    a.set_spread(0.37f);
    b.set_frequency_and_spread(311.0f, 0.37f);
    EXPECT_EQ(a.frequencies, b.frequencies);
    EXPECT_EQ(a.increments, b.increments);
    EXPECT_EQ(a.spread, b.spread);
    EXPECT_EQ(a.base_frequency, b.base_frequency);
  }
}

}  // namespace
}  // namespace quorvane_dsp_kit

namespace quorvane_dsp_kit {
namespace {

TEST(Math, ClampKeepsNanAndSignedZeroAndStopsAtTheBounds) {
  EXPECT_TRUE(std::isnan(clamp(NAN, 0.0f, 1.0f)));
  EXPECT_TRUE(std::signbit(clamp(-0.0f, 0.0f, 1.0f)));
  EXPECT_FALSE(std::signbit(clamp(0.0f, -0.0f, 1.0f)));
  EXPECT_EQ(clamp(-2.0f, -1.0f, 1.0f), -1.0f);
  EXPECT_EQ(clamp(2.0f, -1.0f, 1.0f), 1.0f);
  EXPECT_EQ(clamp(INFINITY, -4.0f, 4.0f), 4.0f);
  EXPECT_EQ(clamp(-INFINITY, -4.0f, 4.0f), -4.0f);
  EXPECT_EQ(clamp(0.25f, 0.0f, 1.0f), 0.25f);
  EXPECT_EQ(at_least(NAN, 0.0f), 0.0f);
  EXPECT_EQ(at_most(NAN, 1.0f), 1.0f);
}

}  // namespace
}  // namespace quorvane_dsp_kit

namespace quorvane_dsp_kit {
namespace {

// Over drift steps and every group count, with the pitch and the spread moving each sample.
TEST(OscillatorBank, OnePassEqualsTheSettersThenProcessBitForBit) {
  for (std::size_t n : {2u, 4u, 7u, 12u, 16u}) {
    OscillatorBank fused(n, 48000.0f), stepwise(n, 48000.0f);
    fused.drift = stepwise.drift = n % 2 ? 0.0f : 0.8f;
    for (int i = 0; i < 200; ++i) {
      const float f = 300.0f + 5.0f * static_cast<float>(i % 17);
      const float s = 0.01f * static_cast<float>(i % 101);
      float a, b;
      if (i % 3 == 0) {
        a = fused.process_at_spread(s);
        stepwise.set_spread(s);
      } else {
        a = fused.process_at(f, s);
        stepwise.set_frequency_and_spread(f, s);
      }
      b = stepwise.process();
      ASSERT_EQ(std::bit_cast<std::uint32_t>(a), std::bit_cast<std::uint32_t>(b)) << n << " " << i;
      ASSERT_EQ(fused.phases, stepwise.phases);
      ASSERT_EQ(fused.frequencies, stepwise.frequencies);
      ASSERT_EQ(fused.increments, stepwise.increments);
      ASSERT_EQ(fused.drift_counter, stepwise.drift_counter);
    }
  }
}

}  // namespace
}  // namespace quorvane_dsp_kit
