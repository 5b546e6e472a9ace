#include "engine/kit/formant.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>

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

// The band-pass section's closed form: the analog (s/Q) / (s^2 + s/Q + 1) through the bilinear
// transform warped to the centre, so at digital frequency w, s = j tan(w/2) / tan(w0/2).
std::complex<double> band_pass_response(double w, double w0, double q) {
  const std::complex<double> s(0.0, std::tan(w / 2.0) / std::tan(w0 / 2.0));
  return (s / q) / (s * s + s / q + 1.0);
}

// The steady-state complex gain of `process` for a sine of `hz`: the output after one second
// of settling, correlated with the input's sine and cosine over the next second (a whole number
// of periods).
template <typename Process>
std::complex<double> measured_response(Process process, double hz, double sr) {
  const double w = 2.0 * std::numbers::pi * hz / sr;
  const auto settle = static_cast<int>(sr);
  double re = 0.0, im = 0.0;
  for (int n = 0; n < 2 * settle; ++n) {
    const double y = process(static_cast<float>(std::sin(w * n)));
    if (n < settle) continue;
    re += y * std::sin(w * n);
    im += y * std::cos(w * n);
  }
  return {2.0 * re / settle, 2.0 * im / settle};
}

TEST(FormantFilter, ResponseAtEachCentreMatchesTheClosedForm) {
  // Every coefficient shapes this (a wrong a2 moves the poles and with them the gain at the
  // peak), where the coefficient checks cover only the ones they name.
  constexpr double sr = 44100.0;
  const double centres[] = {800.0, 1200.0, 2500.0};
  const double qs[] = {10.0, 12.0, 15.0};
  const double weights[] = {1.0, 0.7, 0.4};
  for (const double hz : centres) {
    FormantFilter f(static_cast<float>(sr));
    std::complex<double> expected = 0.0;
    for (int k = 0; k < 3; ++k) {
      expected += 0.5 * weights[k] *
                  band_pass_response(2.0 * std::numbers::pi * hz / sr,
                                     2.0 * std::numbers::pi * centres[k] / sr, qs[k]);
    }
    const auto measured = measured_response([&](float x) { return f.process(x); }, hz, sr);
    EXPECT_NEAR(std::abs(measured), std::abs(expected), 5e-4 * std::abs(expected)) << hz;
    EXPECT_NEAR(std::arg(measured), std::arg(expected), 5e-4) << hz;
  }
  // One section alone passes its centre at 0 dB with no phase shift.
  Biquad b;
  b.sample_rate = 48000.0f;
  b.frequency = 440.0f;
  b.q = 20.0f;
  b.update();
  const auto alone = measured_response([&](float x) { return b.process(x); }, 440.0, 48000.0);
  EXPECT_NEAR(std::abs(alone), 1.0, 1e-3);
  EXPECT_NEAR(std::arg(alone), 0.0, 1e-3);
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
