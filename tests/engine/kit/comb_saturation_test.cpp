#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <utility>

#include "engine/kit/delay/delay_line.hpp"
#include "engine/kit/filter/comb.hpp"
#include "engine/kit/filter/one_pole.hpp"
#include "engine/kit/saturation.hpp"

namespace quorvane_dsp_kit {
namespace {

TEST(DelayLine, ReadsInterpolatedHistoryBeforeTheCurrentWrite) {
  DelayLine line(8);
  for (int i = 1; i <= 5; ++i) line.write(static_cast<float>(i));
  EXPECT_EQ(line.read(0.0f), 5.0f);
  EXPECT_EQ(line.read(1.0f), 4.0f);
  EXPECT_EQ(line.read(1.25f), 4.0f + 0.25f * (3.0f - 4.0f));
  // The longest delay with both neighbours in the line interpolates the two oldest samples.
  EXPECT_EQ(line.read(6.5f), 0.0f + 0.5f * (0.0f - 0.0f));
  line.write(6.0f);
  line.write(7.0f);
  line.write(8.0f);  // slots: 1 2 3 4 5 6 7 8, the oldest is 1
  EXPECT_EQ(line.read(6.5f), 2.0f + 0.5f * (1.0f - 2.0f));
  // From length - 1 on, the oldest sample alone: never mixed with the newest, never past the end.
  EXPECT_EQ(line.read(7.0f), 1.0f);
  EXPECT_EQ(line.read(7.5f), 1.0f);
  EXPECT_EQ(line.read(1e9f), 1.0f);
}

TEST(CombFilter, BufferLengthAndTuning) {
  const CombFilter c44(44100.0f);
  EXPECT_EQ(c44.delay_line.buffer.size(), 2206u);
  EXPECT_FLOAT_EQ(c44.delay_samples, 100.22727f);
  EXPECT_EQ(c44.damping.cutoff, 8000.0f);
  CombFilter c48(48000.0f);
  EXPECT_EQ(c48.delay_line.buffer.size(), 2401u);
  EXPECT_EQ(CombFilter(10000.0f).damping.cutoff, 4900.0f);
  c48.frequency = 20.0f;
  c48.set_sample_rate(44100.0f);
  EXPECT_EQ(c48.delay_line.buffer.size(), 2206u);
  EXPECT_EQ(c48.delay_samples, 2205.0f);
  EXPECT_EQ(c48.damping.coefficient, OnePole::coefficient_for(8000.0f, 44100.0f));
  // The same rate again keeps the line's memory but clears it, as a new line would be.
  c48.process(0.5f);
  const float* memory = c48.delay_line.buffer.data();
  c48.set_sample_rate(44100.0f);
  EXPECT_EQ(c48.delay_line.buffer.data(), memory);
  EXPECT_EQ(c48.delay_line.write_pos, 0u);
  EXPECT_EQ(c48.delay_line.buffer[0], 0.0f);
}

// At the lowest tuning the delay is sr / 20 samples, a fraction at 11025 and 22050 Hz; both
// samples it reads lie in the line: a ramp comes back exactly 1 + delay samples late.
TEST(CombFilter, LowestTuningReadsTwoSamplesOfTheLineAtEveryRate) {
  const std::pair<float, std::size_t> rates[] = {
      {11025.0f, 553u}, {22050.0f, 1104u}, {44100.0f, 2206u}, {48000.0f, 2401u}};
  for (const auto& [rate, length] : rates) {
    CombFilter comb(rate);
    EXPECT_EQ(comb.delay_line.buffer.size(), length) << rate;
    comb.frequency = 20.0f;
    comb.delay_samples = rate / comb.frequency;
    comb.mix = 1.0f;
    for (std::size_t k = 0; k < 3 * length; ++k) {
      const float out = comb.process(static_cast<float>(k));
      if (k >= length) {
        ASSERT_EQ(out, static_cast<float>(k) - 1.0f - comb.delay_samples) << rate << " at " << k;
      }
    }
    comb.set_sample_rate(rate);
    EXPECT_EQ(comb.delay_line.buffer.size(), length) << rate;
  }
}

TEST(CombFilter, ReadsOneHundredOneAndTwoWritesAgoAt440) {
  CombFilter comb(44100.0f);
  comb.mix = 1.0f;
  // Write an impulse, then wait: the output 101 samples later is the weighted pair.
  std::vector<float> out;
  for (int i = 0; i < 110; ++i) out.push_back(comb.process(i == 0 ? 1.0f : 0.0f));
  const float frac = comb.delay_samples - 100.0f;
  EXPECT_EQ(out[101], 1.0f + frac * (0.0f - 1.0f));
  EXPECT_EQ(out[102], 0.0f + frac * (1.0f - 0.0f));
  EXPECT_EQ(out[100], 0.0f);
}

TEST(CombFilter, BypassStillRecordsAndResetClears) {
  CombFilter comb(44100.0f);
  EXPECT_EQ(comb.process(0.75f), 0.75f);
  EXPECT_EQ(comb.delay_line.buffer[0], 0.75f);
  EXPECT_EQ(comb.delay_line.write_pos, 1u);
  comb.damping.state = 0.3f;
  comb.reset();
  EXPECT_EQ(comb.delay_line.buffer[0], 0.0f);
  EXPECT_EQ(comb.delay_line.write_pos, 0u);
  EXPECT_EQ(comb.damping.state, 0.0f);
}

TEST(CombFilter, FeedbackGoesThroughTheDamping) {
  CombFilter comb(44100.0f);
  comb.feedback = 0.5f;
  comb.delay_samples = 0.0f;
  comb.process(1.0f);  // d = 0
  const float coefficient = comb.damping.coefficient;
  comb.process(0.0f);  // d = 1, damped = 0.5 - c * 0.5
  EXPECT_FLOAT_EQ(comb.delay_line.buffer[1], 0.5f + coefficient * (0.0f - 0.5f));
}

TEST(OnePole, LowAndHighPassAreComplements) {
  OnePole lp = OnePole::make(44100.0f, 300.0f, false);
  OnePole hp = OnePole::make(44100.0f, 300.0f, true);
  EXPECT_EQ(lp.coefficient, std::exp(-kTwoPi * 300.0f / 44100.0f));
  const float l = lp.process(1.0f);
  const float h = hp.process(1.0f);
  EXPECT_EQ(l, 1.0f + lp.coefficient * (0.0f - 1.0f));
  EXPECT_EQ(h, 1.0f - l);
}

TEST(Saturator, BelowDriveThresholdPassesEvenWithMix) {
  Saturator s{0.0005f, 0.3f, SaturationMode::HardClip};
  EXPECT_EQ(s.process(0.9f), 0.9f);
  EXPECT_EQ(s.process(-7.0f), -7.0f);
}

TEST(Saturator, CurvesAtTheirReferencePoints) {
  Saturator clip{1.0f, 1.0f, SaturationMode::HardClip};
  EXPECT_EQ(clip.process(0.5f), 1.0f);
  EXPECT_EQ(clip.process(-0.5f), -1.0f);

  // Asymmetric: g = +-1 gives +-1 on each half.
  Saturator asym{0.25f, 1.0f, SaturationMode::AsymmetricTanh};
  EXPECT_FLOAT_EQ(asym.process(0.5f), 0.5f * 0.75f + 0.25f * 1.0f);
  EXPECT_FLOAT_EQ(asym.process(-0.5f), -0.5f * 0.75f - 0.25f * 1.0f);

  Saturator tanh_sat{0.5f, 0.5f, SaturationMode::Tanh};
  const float driven = 0.2f * 0.5f + 0.5f * std::tanh(0.2f * 3.0f);
  EXPECT_FLOAT_EQ(tanh_sat.process(0.2f), 0.2f * 0.5f + 0.5f * driven);

  Saturator biased{1.0f, 1.0f, static_cast<SaturationMode>(200)};
  const float g = -0.3f * 5.0f;
  EXPECT_FLOAT_EQ(biased.process(-0.3f), std::tanh(g + 0.2f * (g * g) * -1.0f));
  EXPECT_EQ(biased.process(0.0f), 0.0f);
}

TEST(Wavefolder, StagesAreClampedAndSmallDriveNearlyPasses) {
  Wavefolder w;
  w.set_stages(0);
  EXPECT_EQ(w.stages, 1u);
  w.set_stages(7);
  EXPECT_EQ(w.stages, 4u);
  w.set_stages(2);
  EXPECT_EQ(w.stages, 2u);
  w.drive = 0.0f;
  EXPECT_EQ(w.process(0.4f), 0.4f);
  w.drive = 0.001f;
  w.mix = 1.0f;
  EXPECT_NEAR(w.process(0.1f), 0.1f * 1.004f, 1e-6f);
  w.set_stages(1);
  EXPECT_NEAR(w.process(0.1f), -0.1f * 1.004f, 1e-6f);
}

TEST(Wavefolder, FoldsLargeInputsBackIntoRange) {
  Wavefolder w{1.0f, 1, 1.0f};
  for (float x = -3.0f; x <= 3.0f; x += 0.01f) {
    const float y = w.process(x);
    EXPECT_GE(y, -1.0f);
    EXPECT_LE(y, 1.0f);
  }
  EXPECT_EQ(w.process(0.2f), -1.0f);  // v = 1 folds to the trough
  EXPECT_EQ(w.process(0.4f), 0.0f);   // v = 2 folds back to the middle
}

}  // namespace
}  // namespace quorvane_dsp_kit

namespace quorvane_dsp_kit {
namespace {

TEST(Saturator, PairGivesTheSingleResultsBitForBit) {
  const float inputs[] = {-3.0f, -1.0f, -0.4f, -0.0f, 0.0f, 1e-30f, 0.2f, 0.7f, 1.0f, 2.5f, NAN};
  for (int mode = 0; mode < 6; ++mode) {
    for (float drive : {0.0f, 0.3f, 1.0f}) {
      const Saturator s{drive, 0.75f, static_cast<SaturationMode>(mode)};
      for (float a : inputs) {
        for (float b : inputs) {
          float pa = a, pb = b;
          s.process_pair(pa, pb);
          const float sa = s.process(a), sb = s.process(b);
          ASSERT_EQ(std::bit_cast<std::uint32_t>(pa), std::bit_cast<std::uint32_t>(sa)) << mode;
          ASSERT_EQ(std::bit_cast<std::uint32_t>(pb), std::bit_cast<std::uint32_t>(sb)) << mode;
        }
      }
    }
  }
}

TEST(CombFilter, TapFollowsTheDelayAndTheLine) {
  CombFilter comb(44100.0f);
  comb.mix = 1.0f;  // the output is the delayed sample
  const auto expect_reads = [&comb](float delay, int frames) {
    comb.delay_samples = delay;
    for (int i = 0; i < frames; ++i) {
      const float d = comb.delay_line.read(delay);
      ASSERT_EQ(comb.process(static_cast<float>(i)), d) << delay << " at " << i;
    }
  };
  expect_reads(10.5f, 50);
  expect_reads(3.25f, 5);
  expect_reads(2000.0f, 300);
  comb.set_sample_rate(8000.0f);  // a shorter line: the same delay reads its oldest sample now
  expect_reads(2000.0f, 500);
}

}  // namespace
}  // namespace quorvane_dsp_kit
