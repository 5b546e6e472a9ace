#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
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

// Every value a stage carries from one input sample to the next.
bool input_state_is_finite(const VessimorProcessor& p) {
  const auto finite = [](float v) { return std::isfinite(v); };
  for (const quorvane_dsp_kit::CombFilter* comb : {&p.comb_left, &p.comb_right}) {
    const std::vector<float>& line = comb->delay_line.buffer;
    if (!std::all_of(line.begin(), line.end(), finite) || !finite(comb->damping.state)) {
      return false;
    }
  }
  return finite(p.grit_filter.state) && finite(p.warm_filter.state) && finite(p.follower.envelope);
}

// A sine through process_block in blocks of 1, 7, 64 and 512 frames in turn.
std::vector<float> render_sine(VessimorProcessor& p, std::size_t bad_frame, std::size_t bad_channel,
                               float bad_value) {
  constexpr std::size_t kFrames = 13230;
  std::vector<float> channels[2];
  for (std::vector<float>& c : channels) {
    c.resize(kFrames);
    for (std::size_t i = 0; i < kFrames; ++i) {
      c[i] = 0.5f * std::sin(6.2831855f * 220.0f * static_cast<float>(i) / 44100.0f);
    }
  }
  channels[bad_channel][bad_frame] = bad_value;
  constexpr std::size_t kBlocks[] = {1, 7, 64, 512};
  for (std::size_t at = 0, k = 0; at < kFrames; ++k) {
    const std::size_t n = std::min(kBlocks[k % 4], kFrames - at);
    p.process_block(channels[0].data() + at, channels[1].data() + at, n);
    at += n;
  }
  std::vector<float> out;
  for (std::size_t i = 0; i < kFrames; ++i) {
    out.push_back(channels[0][i]);
    out.push_back(channels[1][i]);
  }
  return out;
}

// A broken sample from upstream (NaN, an infinity, or a number past any signal) on either channel
// is silenced for its frame and must leave no stage holding it: in every carrier and character
// mode, with the comb and the envelope follower running, the rest of the render is exactly the
// render in which that sample was silence, or for a finite sample still sounds.
TEST(ProcessorChain, ABrokenInputSampleLeavesNoTrace) {
  constexpr float kBad[] = {std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(), 3e38f, -3e38f};
  constexpr std::size_t kBadFrame = 5000;
  for (int mode = 0; mode < 3; ++mode) {
    for (int character = 0; character < 4; ++character) {
      test::Settings s;
      s.carrier_mode = mode;
      s.char_mode = character;
      s.comb_feedback = 0.3f;
      s.comb_mix = 0.5f;
      s.carrier_env_amount = 0.5f;
      s.input_gain = 12.0f;  // the loudest the stages get
      s.char_amount = 1.0f;
      for (const float bad : kBad) {
        for (std::size_t channel = 0; channel < 2; ++channel) {
          VessimorProcessor p(44100.0f);
          test::apply(p, s);
          const std::vector<float> out = render_sine(p, kBadFrame, channel, bad);
          const std::string where = "mode " + std::to_string(mode) + ", character " +
                                    std::to_string(character) + ", " + std::to_string(bad) +
                                    " on channel " + std::to_string(channel);
          ASSERT_TRUE(input_state_is_finite(p)) << where;
          if (std::isfinite(bad)) {
            float late_peak = 0.0f;
            for (auto i = out.end() - 4410; i != out.end(); ++i) {
              late_peak = std::max(late_peak, std::abs(*i));
            }
            EXPECT_GT(late_peak, 0.01f) << where;
            continue;
          }
          VessimorProcessor twin(44100.0f);
          test::apply(twin, s);
          std::vector<float> expected = render_sine(twin, kBadFrame, channel, 0.0f);
          expected[2 * kBadFrame] = 0.0f;
          expected[2 * kBadFrame + 1] = 0.0f;
          for (std::size_t i = 0; i < out.size(); ++i) {
            ASSERT_EQ(std::bit_cast<std::uint32_t>(out[i]),
                      std::bit_cast<std::uint32_t>(expected[i]))
                << where << ", frame " << i / 2;
          }
        }
      }
    }
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
