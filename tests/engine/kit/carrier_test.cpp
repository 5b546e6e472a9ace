#include "engine/kit/carrier.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace quorvane_dsp_kit {
namespace {

TEST(Carrier, ConstructionValues) {
  const Carrier c(44100.0f);
  EXPECT_EQ(c.bank.size(), 4u);
  EXPECT_EQ(c.noise_state, 3336926330u);
  EXPECT_FLOAT_EQ(c.stoch_value, 0.5538774f);
  EXPECT_EQ(c.stoch_target, c.stoch_value);
  EXPECT_FLOAT_EQ(c.formant.sections[0].q, 8.0f);
  EXPECT_FLOAT_EQ(c.formant.sections[1].q, 9.6f);
  EXPECT_FLOAT_EQ(c.formant.sections[2].q, 12.0f);
  EXPECT_EQ(c.stoch_clock.frequency, 10.0f);
  EXPECT_EQ(c.morph_lfo.increment, 0.001f / 44100.0f);
  EXPECT_EQ(c.mode, CarrierMode::Formant);
}

TEST(Carrier, ModeByteOutsideRangePlaysFormant) {
  Carrier a(44100.0f), b(44100.0f);
  b.mode = static_cast<CarrierMode>(7);
  // sin(0) through the filter's zero state: the first sample is exactly 0 ...
  EXPECT_EQ(b.process(), 0.0f);
  EXPECT_EQ(a.process(), 0.0f);
  // ... and the rest is sound, the formant carrier's sample for sample.
  float peak = 0.0f;
  for (int i = 0; i < 64; ++i) {
    const float out = b.process();
    EXPECT_EQ(out, a.process());
    peak = std::fmax(peak, std::fabs(out));
  }
  EXPECT_GT(peak, 0.0f);
}

TEST(Carrier, SwarmIsTheBankTimesOnePointTwo) {
  Carrier c(44100.0f);
  c.mode = CarrierMode::Swarm;
  OscillatorBank copy = c.bank;
  EXPECT_EQ(c.process(), copy.process() * 1.2f);
}

TEST(Carrier, StochWithoutSpreadIsASteadySineAtTheClampedFrequency) {
  for (float f : {20.0f, 440.0f, 6000.0f}) {
    Carrier c(44100.0f);
    c.mode = CarrierMode::Stoch;
    c.stoch_spread = 0.0f;
    c.stoch_clock.set_frequency(50.0f);
    c.set_frequency(f);
    const float expected = std::fmin(std::fmax(f * fast_exp2(0.0f), 40.0f), 5000.0f);
    for (int i = 0; i < 2000; ++i) c.process();
    EXPECT_EQ(c.stoch_osc.frequency, expected) << f;
  }
}

TEST(Carrier, StochDrawsXorshiftValuesAtTheClockRate) {
  Carrier c(100.0f);
  c.mode = CarrierMode::Stoch;
  c.smoothing = 0.0f;
  c.stoch_clock.set_frequency(50.0f);  // a new value every other sample
  c.process();
  EXPECT_EQ(c.noise_state, 3336926330u);
  c.process();
  const std::uint32_t next = Carrier::xorshift32(3336926330u);
  EXPECT_EQ(c.noise_state, next);
  EXPECT_EQ(c.stoch_value, Carrier::noise_value(next));
  // The stochastic frequency moves at most two octaves at spread 1.
  c.stoch_spread = 1.0f;
  for (int i = 0; i < 200; ++i) {
    c.process();
    EXPECT_GE(c.stoch_osc.frequency, 40.0f);
    EXPECT_LE(c.stoch_osc.frequency, 5000.0f);
  }
}

TEST(Carrier, SmoothingGlidesTowardTheTarget) {
  Carrier c(44100.0f);
  c.mode = CarrierMode::Stoch;
  c.smoothing = 0.5f;
  c.stoch_value = 0.0f;
  c.stoch_target = 1.0f;
  c.stoch_clock.increment = 0.0f;
  c.process();
  const float k = 0.999f * 0.5f;
  EXPECT_EQ(c.stoch_value, k * 0.0f + (1.0f - k) * 1.0f);
}

TEST(Carrier, SameSwarmCountKeepsThePhasesANewOneRestartsThem) {
  Carrier c(44100.0f);
  c.mode = CarrierMode::Swarm;
  c.bank.drift = 1.0f;
  for (int i = 0; i < 40; ++i) c.process();
  const auto phases = c.bank.phases;
  c.set_swarm_count(4);
  EXPECT_EQ(c.bank.phases, phases);
  c.swarm_spread = 0.5f;
  c.swarm_drift = 3.0f;
  c.set_frequency(300.0f);
  c.set_swarm_count(99);
  EXPECT_EQ(c.bank.size(), 16u);
  EXPECT_EQ(c.bank.phases[0], 0.0f);
  EXPECT_EQ(c.bank.drift_counter, 0u);
  EXPECT_EQ(c.bank.base_frequency, 300.0f);
  EXPECT_EQ(c.bank.spread, 0.5f);
  EXPECT_EQ(c.bank.drift, 1.0f);
  EXPECT_EQ(c.bank.frequencies[15], 300.0f * fast_exp2(0.5f));
}

TEST(Carrier, MorphLfoMovesTheFormantOnlyAboveItsThreshold) {
  Carrier c(44100.0f);
  c.morph_rate = 0.001f;
  c.morph_lfo.phase = 0.25f;
  c.process();
  EXPECT_EQ(c.formant.position, 0.0f);
  c.morph_rate = 0.5f;
  c.process();
  EXPECT_NEAR(c.formant.position, 0.75f, 1e-3f);
}

TEST(Carrier, ResetRestartsPhasesAndStepsTheNoiseOnce) {
  Carrier a(44100.0f), b(44100.0f);
  a.mode = CarrierMode::Stoch;
  for (int i = 0; i < 5000; ++i) a.process();
  a.reset();
  b.reset();
  EXPECT_EQ(a.sine.phase, 0.0f);
  EXPECT_EQ(a.stoch_clock.phase, 0.0f);
  EXPECT_EQ(a.formant.sections[2].z2, 0.0f);
  EXPECT_EQ(b.noise_state, Carrier::xorshift32(3336926330u));
  EXPECT_EQ(b.stoch_value, b.stoch_target);
  EXPECT_EQ(b.stoch_value, Carrier::noise_value(b.noise_state));
}

TEST(Carrier, SampleRateReachesEverySource) {
  Carrier c(44100.0f);
  c.morph_lfo.rate = 2.0f;
  c.set_sample_rate(48000.0f);
  EXPECT_EQ(c.sine.increment, 440.0f / 48000.0f);
  EXPECT_EQ(c.stoch_clock.increment, 10.0f / 48000.0f);
  EXPECT_EQ(c.morph_lfo.increment, 2.0f / 48000.0f);
  EXPECT_EQ(c.bank.sample_rate, 48000.0f);
  EXPECT_EQ(c.formant.sections[0].sample_rate, 48000.0f);
}

}  // namespace
}  // namespace quorvane_dsp_kit
