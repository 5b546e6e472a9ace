#pragma once

#include <cmath>
#include <cstdint>

#include "engine/kit/math.hpp"
#include "engine/kit/tanh.hpp"

namespace quorvane_dsp_kit {

// Values above 3 act as BiasedTanh.
enum class SaturationMode : std::uint8_t {
  Tanh = 0,
  HardClip = 1,
  AsymmetricTanh = 2,
  BiasedTanh = 3
};

struct Saturator {
  float drive = 0.0f;
  float mix = 1.0f;
  SaturationMode mode = SaturationMode::Tanh;

  float process(float x) const noexcept;
  // process(a) and process(b), with the settings looked at once.
  void process_pair(float& a, float& b) const noexcept;

 private:
  float shape(float g) const noexcept;
  // The biased curve's argument: g + 0.2 g^2 sign(g). g * |g| is (g * g) * copysign(1, g)
  // exactly, signed zeros included.
  static float biased_argument(float g) noexcept { return g + 0.2f * (g * std::fabs(g)); }
};

// Triangle folder of one to four stages.
struct Wavefolder {
  float drive = 0.0f;
  std::uint32_t stages = 1;
  float mix = 1.0f;

  void set_stages(std::uint32_t n) noexcept { stages = n == 0 ? 1 : (n < 4 ? n : 4); }
  float process(float y) const noexcept;
};

inline float Saturator::shape(float g) const noexcept {
  switch (mode) {
    case SaturationMode::Tanh:
      return tanh_one(g);
    case SaturationMode::HardClip:
      return clamp(g, -1.0f, 1.0f);
    case SaturationMode::AsymmetricTanh:
      // Each half is normalised by its own tanh(1) so that g = +-1 gives +-1.
      return g >= 0.0f ? tanh_one(1.5f * g) / 0.90514827f : tanh_one(2.0f * g) / 0.9640276f;
    default:
      return tanh_one(biased_argument(g));
  }
}

inline float Saturator::process(float x) const noexcept {
  if (drive < 0.001f) return x;
  const float driven = x * (1.0f - drive) + drive * shape(x * (1.0f + 4.0f * drive));
  return x * (1.0f - mix) + mix * driven;
}

inline void Saturator::process_pair(float& a, float& b) const noexcept {
  if (drive < 0.001f) return;
  const float gain = 1.0f + 4.0f * drive;
  const float dry = 1.0f - drive;
  const float g_a = a * gain, g_b = b * gain;
  float shaped_a, shaped_b;
  if (mode == SaturationMode::Tanh || mode >= SaturationMode::BiasedTanh) {
    // Both curves through one two-lane tanh (the Warm character's case).
    const bool plain = mode == SaturationMode::Tanh;
    shaped_a = plain ? g_a : biased_argument(g_a);
    shaped_b = plain ? g_b : biased_argument(g_b);
    tanh_pair(shaped_a, shaped_b);
  } else {
    shaped_a = shape(g_a);
    shaped_b = shape(g_b);
  }
  const float driven_a = a * dry + drive * shaped_a;
  const float driven_b = b * dry + drive * shaped_b;
  a = a * (1.0f - mix) + mix * driven_a;
  b = b * (1.0f - mix) + mix * driven_b;
}

inline float Wavefolder::process(float y) const noexcept {
  if (drive < 0.001f) return y;
  float v = y * (4.0f * drive + 1.0f);
  for (std::uint32_t i = 0; i < stages; ++i) {
    v = 0.25f * v + 0.25f;
    v = std::fabs(v - std::floor(v) - 0.5f) * 4.0f - 1.0f;
  }
  return v * mix + y * (1.0f - mix);
}

}  // namespace quorvane_dsp_kit
