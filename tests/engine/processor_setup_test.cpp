#include <gtest/gtest.h>

#include <cmath>

#include "engine/processor.hpp"
#include "tests/engine/settings.hpp"

namespace vessimor {
namespace {

using quorvane_dsp_kit::OnePole;

TEST(ProcessorSetup, ConstructionValues) {
  const VessimorProcessor p(44100.0f);
  EXPECT_EQ(p.grid_period, 11025u);
  EXPECT_EQ(p.wavefolder.stages, 2u);
  EXPECT_EQ(p.wavefolder.drive, 0.5f);
  EXPECT_EQ(p.grit_saturator.mode, quorvane_dsp_kit::SaturationMode::HardClip);
  EXPECT_EQ(p.warm_saturator.mode, quorvane_dsp_kit::SaturationMode::BiasedTanh);
  EXPECT_TRUE(p.grit_filter.highpass);
  EXPECT_FALSE(p.warm_filter.highpass);
  EXPECT_EQ(p.trigger_lfo.shape, quorvane_dsp_kit::LfoShape::Square);
  EXPECT_EQ(p.trigger_lfo.increment, 4.0f / 44100.0f);
  EXPECT_EQ(p.cycle_lfo.shape, quorvane_dsp_kit::LfoShape::Saw);
  EXPECT_EQ(p.follower.attack_coefficient, std::exp(-1.0f / (44100.0f * 0.010000001f)));
  EXPECT_EQ(p.follower.release_coefficient, std::exp(-1.0f / (44100.0f * 0.1f)));
  EXPECT_EQ(p.pending_character_mode, CharacterMode::None);
  EXPECT_EQ(p.trigger_division, 1);
}

TEST(ProcessorSetup, GridPeriodFollowsRateAndTempo) {
  VessimorProcessor p(44100.0f);
  p.set_sample_rate(48000.0f);
  EXPECT_EQ(p.grid_period, 12000u);
  p.bpm = 300.0f;
  p.set_sample_rate(96000.0f);
  EXPECT_EQ(p.grid_period, 9600u);
  p.bpm = 20.0f;
  p.set_sample_rate(44100.0f);
  EXPECT_EQ(p.grid_period, 66150u);
  EXPECT_EQ(VessimorProcessor::grid_period_for(1e30f, 20.0f), UINT32_MAX);
  EXPECT_EQ(VessimorProcessor::grid_period_for(NAN, 20.0f), 0u);
}

TEST(ProcessorSetup, CutOffsAreLimitedOnlyAtConstruction) {
  VessimorProcessor p(44100.0f);
  for (float sr : {4000.0f, 96000.0f}) {
    p.set_sample_rate(sr);
    EXPECT_EQ(p.grit_filter.cutoff, 2000.0f);
    EXPECT_EQ(p.warm_filter.cutoff, 300.0f);
    EXPECT_EQ(p.grit_filter.coefficient, OnePole::coefficient_for(2000.0f, sr));
  }
  const VessimorProcessor low(4000.0f);
  EXPECT_EQ(low.grit_filter.cutoff, 1960.0f);
  EXPECT_EQ(low.warm_filter.cutoff, 300.0f);
}

TEST(ProcessorSetup, SampleRateReachesEveryPartAndKeepsPhases) {
  VessimorProcessor p(44100.0f);
  test::Settings s;
  s.trig_amount = 1.0f;
  test::apply(p, s);
  for (int i = 0; i < 1000; ++i) p.process(0.1f, 0.1f);
  const float trigger_phase = p.trigger_lfo.phase;
  p.set_sample_rate(48000.0f);
  EXPECT_EQ(p.trigger_lfo.phase, trigger_phase);
  EXPECT_EQ(p.trigger_lfo.increment, p.trigger_lfo.rate / 48000.0f);
  EXPECT_EQ(p.comb_left.delay_line.buffer.size(), 2401u);
  EXPECT_EQ(p.comb_right.delay_line.write_pos, 0u);
  EXPECT_EQ(p.left.sample_rate, 48000.0f);
  EXPECT_EQ(p.left.bank.sample_rate, 48000.0f);
  EXPECT_EQ(p.follower.attack_coefficient, EnvelopeFollower::coefficient_for(10.0f, 48000.0f));
}

TEST(ProcessorSetup, ZeroAttackJumpsToLargerInputs) {
  EXPECT_EQ(EnvelopeFollower::coefficient_for(0.0f, 44100.0f), 0.0f);
  EXPECT_EQ(EnvelopeFollower::coefficient_for(-3.0f, 44100.0f), 0.0f);
  VessimorProcessor p(44100.0f);
  p.follower.attack_ms = 0.0f;
  p.follower.set_sample_rate(44100.0f);
  p.env_amount = 1.0f;
  p.process(0.5f, 0.3f);
  EXPECT_EQ(p.follower.envelope, 0.4f);
}

TEST(ProcessorSetup, ResetDropsPendingModeAndRestartsTheGrid) {
  VessimorProcessor p(44100.0f);
  test::Settings s;
  s.trig_amount = 0.5f;
  s.carrier_env_amount = 0.5f;
  s.mode_cycle_enable = true;
  s.comb_feedback = 0.5f;
  s.char_mode = 2;
  test::apply(p, s);
  p.playing = true;
  s.char_mode = 3;
  test::apply(p, s);
  for (int i = 0; i < 500; ++i) p.process(0.3f, -0.2f);
  ASSERT_EQ(p.pending_character_mode, CharacterMode::Fold);
  p.reset();
  EXPECT_EQ(p.pending_character_mode, CharacterMode::None);
  EXPECT_EQ(p.character_mode, CharacterMode::Warm);
  EXPECT_EQ(p.grid_counter, 0u);
  EXPECT_EQ(p.trigger_lfo.phase, 0.0f);
  EXPECT_EQ(p.cycle_lfo.phase, 0.0f);
  EXPECT_EQ(p.follower.envelope, 0.0f);
  EXPECT_EQ(p.cycle_counter, 0u);
  EXPECT_FALSE(p.cycle_was_positive);
  EXPECT_EQ(p.comb_left.delay_line.buffer[3], 0.0f);
  EXPECT_EQ(p.left.sine.phase, 0.0f);
  EXPECT_TRUE(p.playing);
}

}  // namespace
}  // namespace vessimor

namespace vessimor {
namespace {

// The comb is filled with a steady input, which then stops: the samples until its output stays
// below the given level under the steady output.
std::size_t ringing_after_stop(VessimorProcessor& p, double decibels, std::size_t frames) {
  float steady = 0.0f;
  for (int i = 0; i < 200000; ++i) steady = p.comb_left.process(1.0f);
  const double level = std::fabs(static_cast<double>(steady)) * std::pow(10.0, -decibels / 20.0);
  std::size_t last = 0;
  for (std::size_t i = 0; i < frames; ++i) {
    if (std::fabs(static_cast<double>(p.comb_left.process(0.0f))) > level) last = i + 1;
  }
  return last;
}

// The host stops processing after the tail: the figure must cover the comb's ringing down to
// -90 dB, and by no more than one trip round the loop.
TEST(ProcessorSetup, CombTailCoversTheRingingWithinOneTrip) {
  for (float sr : {44100.0f, 96000.0f}) {
    for (float feedback : {0.1f, 0.5f, 0.9f}) {
      for (float tuning : {20.0f, 440.0f, 5000.0f}) {
        VessimorProcessor p(sr);
        test::Settings s;
        s.comb_feedback = feedback;
        s.comb_tuning = tuning;
        s.comb_mix = 1.0f;  // the output is the ringing alone
        test::apply(p, s);
        const std::size_t tail = p.comb_tail_samples();
        const auto trip = static_cast<std::size_t>(p.comb_left.delay_samples) + 2;
        const std::size_t ringing = ringing_after_stop(p, 90.0, tail + 4 * trip);
        EXPECT_GE(tail, ringing) << sr << " Hz, feedback " << feedback << ", tuning " << tuning;
        EXPECT_LE(tail, ringing + trip)
            << sr << " Hz, feedback " << feedback << ", tuning " << tuning;
      }
    }
  }

  VessimorProcessor p(48000.0f);
  test::Settings s;
  s.comb_feedback = 0.95f;  // about 10.2 s at 20 Hz: capped
  s.comb_tuning = 20.0f;
  s.comb_mix = 1.0f;
  test::apply(p, s);
  EXPECT_EQ(p.comb_tail_samples(), 480000u);
  s.comb_mix = 0.0f;
  test::apply(p, s);
  EXPECT_EQ(p.comb_tail_samples(), 0u);
  s.comb_mix = 1.0f;
  s.comb_feedback = 0.0f;
  test::apply(p, s);
  EXPECT_EQ(p.comb_tail_samples(), 0u);
}

}  // namespace
}  // namespace vessimor
