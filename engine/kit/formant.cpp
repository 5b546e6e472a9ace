#include "engine/kit/formant.hpp"

#include <cmath>

#include "engine/kit/math.hpp"
#include "engine/kit/oscillator.hpp"

namespace quorvane_dsp_kit {

namespace {

constexpr std::array<float, 3> kBaseQ{10.0f, 12.0f, 15.0f};
// Changes smaller than this leave the coefficients alone, so per-sample modulation stays cheap.
constexpr float kDeadBand = 0.001f;

}  // namespace

void Biquad::update() noexcept {
  const float w = kTwoPi * frequency / sample_rate;
  const float sn = std::sin(w);
  const float cs = std::cos(w);
  const float alpha = sn / (2.0f * q);
  float n0, n1, n2, d0, d1, d2;
  switch (kind) {
    case BiquadKind::LowPass:
      n0 = (1.0f - cs) / 2.0f;
      n1 = 1.0f - cs;
      n2 = n0;
      break;
    case BiquadKind::HighPass:
      n0 = (1.0f + cs) / 2.0f;
      n1 = -(1.0f + cs);
      n2 = n0;
      break;
    case BiquadKind::BandPass:
      n0 = alpha;
      n1 = 0.0f;
      n2 = -alpha;
      break;
    case BiquadKind::Notch:
      n0 = 1.0f;
      n1 = -2.0f * cs;
      n2 = 1.0f;
      break;
    default:
      b0 = 1.0f;
      b1 = b2 = a1 = a2 = 0.0f;
      return;
  }
  d0 = 1.0f + alpha;
  d1 = -2.0f * cs;
  d2 = 1.0f - alpha;
  b0 = n0 / d0;
  b1 = n1 / d0;
  b2 = n2 / d0;
  a1 = d1 / d0;
  a2 = d2 / d0;
}

FormantFilter::FormantFilter(float sr) noexcept : sample_rate(sr) {
  const std::array<float, 3> start{800.0f, 1200.0f, 2500.0f};
  for (std::size_t k = 0; k < 3; ++k) {
    Biquad& s = sections[k];
    s.sample_rate = sr;
    s.frequency = at_most(start[k], 0.49f * sr);
    s.q = kBaseQ[k];
    s.gain = 0.0f;
    s.kind = BiquadKind::BandPass;
    s.update();
  }
}

void FormantFilter::recompute() noexcept {
  const float s = 4.0f * position;
  const float row_f = at_most(std::floor(s), 3.0f);
  const auto row = static_cast<std::size_t>(row_f);
  const float t = s - row_f;
  std::array<float, 3> f{};
  for (std::size_t k = 0; k < 3; ++k) {
    const float lo = FORMANT_TABLE[row][k];
    f[k] = lo + t * (FORMANT_TABLE[row + 1][k] - lo);
  }
  f1 = f[0];
  f2 = f[1];
  f3 = f[2];
  const float factor = 1.5f * resonance + 0.5f;
  for (std::size_t k = 0; k < 3; ++k) {
    Biquad& sec = sections[k];
    sec.frequency = at_most(at_least(f[k], 1.0f), 0.49f * sec.sample_rate);
    sec.q = at_least(kBaseQ[k] * factor, 0.1f);
    sec.gain = 0.0f;
    sec.update();
  }
}

void FormantFilter::set_position(float p) noexcept {
  // A NaN position would index outside the table; it counts as the first vowel.
  position = p == p ? clamp(p, 0.0f, 1.0f) : 0.0f;
  if (std::fabs(position - last_position) > kDeadBand) {
    last_position = position;
    recompute();
  }
}

void FormantFilter::set_resonance(float r) noexcept {
  resonance = clamp(r, 0.0f, 1.0f);
  if (std::fabs(resonance - last_resonance) > kDeadBand) {
    last_resonance = resonance;
    recompute();
  }
}

void FormantFilter::set_sample_rate(float sr) noexcept {
  sample_rate = sr;
  for (Biquad& s : sections) {
    s.sample_rate = sr;
    s.update();
  }
  recompute();
}

float FormantFilter::process(float x) noexcept {
  if (mix < 0.001f) return x;
  const float y1 = sections[0].process(x);
  const float y2 = sections[1].process(x);
  const float y3 = sections[2].process(x);
  const float wet = 0.5f * (1.0f * y1 + 0.7f * y2 + 0.4f * y3);
  return x * (1.0f - mix) + mix * wet;
}

}  // namespace quorvane_dsp_kit
