#include "engine/kit/formant.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/kit/oscillator.hpp"

namespace quorvane_dsp_kit {
namespace {

struct Formants {
  float position, f1, f2, f3;
};

TEST(FormantFilter, PositionsGiveTheTabledAndInterpolatedFormants) {
  const Formants cases[] = {{0.0f, 800, 1200, 2500},  {0.25f, 400, 2000, 2550},
                            {0.5f, 280, 2250, 2900},  {0.75f, 450, 800, 2830},
                            {1.0f, 325, 700, 2530},   {0.125f, 600, 1600, 2525},
                            {-3.0f, 800, 1200, 2500}, {7.0f, 325, 700, 2530}};
  for (const Formants& c : cases) {
    FormantFilter f(44100.0f);
    f.set_position(0.6f);  // move away first so that every case recomputes
    f.set_position(c.position);
    EXPECT_FLOAT_EQ(f.f1, c.f1) << c.position;
    EXPECT_FLOAT_EQ(f.f2, c.f2) << c.position;
    EXPECT_FLOAT_EQ(f.f3, c.f3) << c.position;
    EXPECT_FLOAT_EQ(f.sections[0].frequency, c.f1);
  }
}

TEST(FormantFilter, SmallMovesInsideTheDeadBandChangeNothing) {
  FormantFilter f(44100.0f);
  f.set_position(0.5f);
  const Biquad before = f.sections[1];
  f.set_position(0.5009f);
  EXPECT_EQ(f.last_position, 0.5f);
  EXPECT_EQ(f.position, 0.5009f);
  EXPECT_EQ(f.sections[1].b0, before.b0);
  f.set_position(0.5011f);
  EXPECT_EQ(f.last_position, 0.5011f);
  EXPECT_NE(f.sections[1].b0, before.b0);
}

TEST(FormantFilter, NanPositionCountsAsTheFirstVowel) {
  FormantFilter f(44100.0f);
  f.set_position(0.5f);
  f.set_position(NAN);
  EXPECT_EQ(f.position, 0.0f);
  EXPECT_FLOAT_EQ(f.f1, 800.0f);
}

TEST(FormantFilter, LowSampleRateLimitsSectionFrequencies) {
  FormantFilter f(4000.0f);
  EXPECT_EQ(f.sections[2].frequency, 1960.0f);
  f.set_position(0.5f);
  EXPECT_EQ(f.sections[1].frequency, 1960.0f);
  EXPECT_EQ(f.sections[2].frequency, 1960.0f);
  EXPECT_EQ(f.f3, 2900.0f);
  f.set_sample_rate(44100.0f);
  EXPECT_EQ(f.sections[2].frequency, 2900.0f);
}

TEST(FormantFilter, ResonanceScalesTheQs) {
  FormantFilter f(44100.0f);
  EXPECT_EQ(f.sections[0].q, 10.0f);
  f.set_resonance(0.0f);
  EXPECT_FLOAT_EQ(f.sections[0].q, 5.0f);
  EXPECT_FLOAT_EQ(f.sections[1].q, 6.0f);
  EXPECT_FLOAT_EQ(f.sections[2].q, 7.5f);
  f.set_resonance(1.0f);
  EXPECT_FLOAT_EQ(f.sections[0].q, 20.0f);
  EXPECT_FLOAT_EQ(f.sections[1].q, 24.0f);
  EXPECT_FLOAT_EQ(f.sections[2].q, 30.0f);
}

TEST(FormantFilter, DryMixPassesTheInputAndKeepsState) {
  FormantFilter f(44100.0f);
  f.mix = 0.0009f;
  EXPECT_EQ(f.process(0.37f), 0.37f);
  EXPECT_EQ(f.sections[0].z1, 0.0f);
  f.mix = 1.0f;
  const float y = f.process(1.0f);
  const Biquad& s = f.sections[0];
  EXPECT_FLOAT_EQ(y, 0.5f * (f.sections[0].b0 + 0.7f * f.sections[1].b0 + 0.4f * f.sections[2].b0));
  EXPECT_NE(s.z1, 0.0f);
}

TEST(Biquad, CookbookBandPassAndPassThroughForUnknownKinds) {
  Biquad b;
  b.sample_rate = 48000.0f;
  b.frequency = 1000.0f;
  b.q = 2.0f;
  b.kind = BiquadKind::BandPass;
  b.update();
  const float w = kTwoPi * 1000.0f / 48000.0f;
  const float alpha = std::sin(w) / 4.0f;
  EXPECT_FLOAT_EQ(b.b0, alpha / (1.0f + alpha));
  EXPECT_EQ(b.b1, 0.0f);
  EXPECT_FLOAT_EQ(b.b2, -alpha / (1.0f + alpha));
  EXPECT_FLOAT_EQ(b.a1, -2.0f * std::cos(w) / (1.0f + alpha));
  b.kind = BiquadKind::LowPass;
  b.update();
  EXPECT_FLOAT_EQ(b.b1, 2.0f * b.b0);
  b.kind = static_cast<BiquadKind>(17);
  b.update();
  EXPECT_EQ(b.process(0.3f), 0.3f);
  EXPECT_EQ(b.process(-0.6f), -0.6f);
}

}  // namespace
}  // namespace quorvane_dsp_kit
