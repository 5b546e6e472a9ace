#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "engine/processor.hpp"
#include "tests/engine/settings.hpp"

namespace vessimor {
namespace {

using quorvane_dsp_kit::CarrierMode;

TEST(ProcessorChain, SilenceGivesExactZeroInEveryModeAndCharacter) {
  for (int mode = 0; mode < 3; ++mode) {
    for (int character = 0; character < 4; ++character) {
      VessimorProcessor p(44100.0f);
      test::Settings s;
      s.carrier_mode = mode;
      s.char_mode = character;
      s.char_amount = 1.0f;
      s.comb_feedback = 0.9f;
      s.comb_mix = 0.5f;
      s.trig_amount = 0.7f;
      s.lock_motion_enable = true;
      s.carrier_env_amount = 1.0f;
      s.formant_morph_rate = 3.0f;
      test::apply(p, s);
      for (int i = 0; i < 3000; ++i) p.process(0.5f, -0.5f);
      p.reset();
      for (int i = 0; i < 3000; ++i) {
        const StereoSample out = p.process(0.0f, 0.0f);
        ASSERT_EQ(out.left, 0.0f) << mode << character << " at " << i;
        ASSERT_EQ(out.right, 0.0f) << mode << character << " at " << i;
      }
    }
  }
}

TEST(ProcessorChain, DryMixPassesTheInput) {
  VessimorProcessor p(44100.0f);
  test::Settings s;
  s.mix = 0.0f;
  s.carrier_mode = 2;
  s.char_mode = 3;
  test::apply(p, s);
  test::Noise noise;
  for (int i = 0; i < 1000; ++i) {
    const float l = noise.next(), r = noise.next();
    const StereoSample out = p.process(l, r);
    EXPECT_NEAR(out.left, l, 1e-6f);
    EXPECT_NEAR(out.right, r, 1e-6f);
  }
  EXPECT_EQ(p.process(10.0f, -10.0f).left, 4.0f);
  EXPECT_EQ(p.process(-10.0f, 10.0f).left, -4.0f);
}

TEST(ProcessorChain, NanOrInfiniteOnOneChannelZeroesBoth) {
  for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                    -std::numeric_limits<float>::infinity()}) {
    VessimorProcessor p(44100.0f);
    const StereoSample out = p.process(bad, 0.25f);
    EXPECT_EQ(out.left, 0.0f);
    EXPECT_EQ(out.right, 0.0f);
  }
}

TEST(ProcessorChain, WidthZeroIsMonoAndTwoDoublesTheSide) {
  VessimorProcessor p(44100.0f);
  p.mix = 0.0f;
  p.width = 0.0f;
  StereoSample out = p.process(0.5f, 0.1f);
  EXPECT_FLOAT_EQ(out.left, 0.3f);
  EXPECT_FLOAT_EQ(out.right, 0.3f);
  p.width = 2.0f;
  out = p.process(0.5f, 0.1f);
  EXPECT_FLOAT_EQ(out.left, 0.7f);
  EXPECT_FLOAT_EQ(out.right, -0.1f);
}

TEST(ProcessorChain, RingModulatesTheInputWithTheCarrier) {
  VessimorProcessor p(44100.0f);
  quorvane_dsp_kit::Carrier twin = p.left;
  p.mix = 1.0f;
  for (int i = 0; i < 200; ++i) {
    const StereoSample out = p.process(0.5f, 0.5f);
    const float y = std::clamp(0.5f * twin.process(), -4.0f, 4.0f);
    ASSERT_EQ(out.left, y) << i;
    ASSERT_EQ(out.right, y) << i;
  }
}

TEST(ProcessorChain, ModeCycleStepsStochSwarmFormantEachHalfSecond) {
  VessimorProcessor p(44100.0f);
  test::Settings s;
  s.mode_cycle_enable = true;
  s.mode_cycle_div = 0;  // "1/4" at 120 BPM: 2 Hz
  test::apply(p, s);
  std::vector<std::pair<int, CarrierMode>> changes;
  CarrierMode last = p.left.mode;
  for (int i = 0; i < 44100 * 2; ++i) {
    p.process(0.1f, 0.1f);
    if (p.left.mode != last) {
      last = p.left.mode;
      changes.emplace_back(i, last);
    }
  }
  ASSERT_GE(changes.size(), 4u);
  EXPECT_EQ(changes[0].second, CarrierMode::Stoch);
  EXPECT_EQ(changes[1].second, CarrierMode::Swarm);
  EXPECT_EQ(changes[2].second, CarrierMode::Formant);
  EXPECT_EQ(changes[3].second, CarrierMode::Stoch);
  for (std::size_t k = 1; k < changes.size(); ++k) {
    EXPECT_NEAR(changes[k].first - changes[k - 1].first, 22050, 5);  // float phase steps
  }
}

TEST(ProcessorChain, PendingCharacterModeWaitsForTheGridTick) {
  VessimorProcessor p(44100.0f);
  test::Settings s;
  test::apply(p, s);
  p.playing = true;
  s.char_mode = 1;
  test::apply(p, s);
  EXPECT_EQ(p.character_mode, CharacterMode::Clean);
  for (std::uint32_t i = 1; i < p.grid_period; ++i) p.process(0.1f, 0.1f);
  EXPECT_EQ(p.character_mode, CharacterMode::Clean);
  p.process(0.1f, 0.1f);
  EXPECT_EQ(p.character_mode, CharacterMode::Grit);
  EXPECT_EQ(p.pending_character_mode, CharacterMode::None);
  EXPECT_EQ(p.grid_counter, 0u);
  p.grid_period = 0;  // ticks every sample
  p.pending_character_mode = CharacterMode::Warm;
  p.process(0.1f, 0.1f);
  EXPECT_EQ(p.character_mode, CharacterMode::Warm);
}

TEST(ProcessorChain, FollowerRunsOnlyWithAnEnvelopeAmount) {
  VessimorProcessor p(44100.0f);
  p.follower.envelope = 0.3f;
  for (int i = 0; i < 100; ++i) p.process(1.0f, 1.0f);
  EXPECT_EQ(p.follower.envelope, 0.3f);
  p.env_amount = 1.0f;
  p.process(1.0f, 1.0f);
  EXPECT_EQ(p.follower.envelope, 1.0f + p.follower.attack_coefficient * (0.3f - 1.0f));
}

TEST(ProcessorChain, EnvelopeMovesTheSettingsOfTheLeftCarriersMode) {
  VessimorProcessor p(44100.0f);
  test::Settings s;
  s.carrier_env_amount = 1.0f;
  s.carrier_mode = 2;
  test::apply(p, s);
  p.follower.attack_ms = 0.0f;
  p.follower.set_sample_rate(44100.0f);
  p.process(1.0f, 1.0f);
  EXPECT_FLOAT_EQ(p.left.swarm_spread, 0.3f + 0.2f);
  EXPECT_FLOAT_EQ(p.left.bank.drift, 0.5f + 0.3f);
  EXPECT_FLOAT_EQ(p.left.bank.spread, 0.5f);

  s.carrier_mode = 1;
  test::apply(p, s);
  p.process(1.0f, 1.0f);
  EXPECT_FLOAT_EQ(p.left.stoch_spread, 0.8f);
  EXPECT_FLOAT_EQ(p.left.stoch_density, 0.8f);
  EXPECT_FLOAT_EQ(p.left.stoch_clock.frequency, 0.5f + 49.5f * 0.8f);

  s.carrier_mode = 0;
  test::apply(p, s);
  p.process(1.0f, 1.0f);
  EXPECT_EQ(p.left.formant.position, 1.0f);
  EXPECT_EQ(p.left.formant_position, 1.0f);
}

TEST(ProcessorChain, LockMotionSetsBothCarriersWithinTheClamp) {
  VessimorProcessor p(44100.0f);
  test::Settings s;
  s.lock_motion_enable = true;
  s.lock_motion_depth = 1.0f;
  s.lock_freq = 4000.0f;
  test::apply(p, s);  // the first block still sets the frequency directly
  test::apply(p, s);
  p.lock_lfo.phase = 0.25f;  // sine at its peak: two octaves up, clamped
  p.process(0.0f, 0.0f);
  EXPECT_EQ(p.left.frequency, 5000.0f);
  EXPECT_EQ(p.left.bank.base_frequency, 5000.0f);
  p.lock_depth = 0.001f;  // at or below the threshold the LFO stands still
  const float phase = p.lock_lfo.phase;
  p.process(0.0f, 0.0f);
  EXPECT_EQ(p.lock_lfo.phase, phase);
}

TEST(ProcessorChain, GateFollowsTheSquareTriggerLfo) {
  VessimorProcessor p(44100.0f);
  p.mix = 1.0f;
  p.trigger_amount = 0.5f;
  p.left.mode = CarrierMode::Swarm;
  p.trigger_lfo.phase = 0.6f;  // low half of the square: gain 0.5
  VessimorProcessor open = p;
  open.trigger_amount = 0.0f;
  const StereoSample gated = p.process(0.5f, 0.5f);
  const StereoSample full = open.process(0.5f, 0.5f);
  EXPECT_FLOAT_EQ(gated.left, 0.5f * full.left);
  EXPECT_NE(full.left, 0.0f);
}

TEST(ProcessorChain, TwoProcessorsGiveBitIdenticalOutput) {
  VessimorProcessor a(48000.0f), b(48000.0f);
  a.set_sample_rate(44100.0f);
  b.set_sample_rate(44100.0f);
  test::Noise settings_noise(7), input_noise(11);
  test::Settings s;
  for (int block = 0; block < 60; ++block) {
    s.carrier_mode = static_cast<int>(settings_noise.bits() % 3);
    s.char_mode = static_cast<int>(settings_noise.bits() % 4);
    s.char_amount = settings_noise.next() * 0.5f + 0.5f;
    s.swarm_count = 2 + static_cast<int>(settings_noise.bits() % 15);
    s.swarm_drift = 1.0f;
    s.lock_motion_enable = block % 3 == 0;
    s.lock_motion_shape = static_cast<int>(settings_noise.bits() % 5);
    s.carrier_env_amount = block % 2 ? 1.0f : 0.0f;
    s.comb_feedback = 0.9f;
    s.comb_mix = 0.5f;
    s.trig_amount = 0.5f;
    s.formant_morph_rate = block % 4 == 0 ? 5.0f : 0.0f;
    test::apply(a, s);
    test::apply(b, s);
    for (int i = 0; i < 256; ++i) {
      const float l = input_noise.next(), r = input_noise.next();
      const StereoSample x = a.process(l, r);
      const StereoSample y = b.process(l, r);
      ASSERT_EQ(std::bit_cast<std::uint32_t>(x.left), std::bit_cast<std::uint32_t>(y.left));
      ASSERT_EQ(std::bit_cast<std::uint32_t>(x.right), std::bit_cast<std::uint32_t>(y.right));
    }
  }
}

}  // namespace
}  // namespace vessimor
