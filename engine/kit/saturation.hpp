#pragma once

#include <cmath>
#include <cstdint>

#include "engine/kit/math.hpp"

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
};

// Triangle folder of one to four stages.
struct Wavefolder {
  float drive = 0.0f;
  std::uint32_t stages = 1;
  float mix = 1.0f;

  void set_stages(std::uint32_t n) noexcept { stages = n == 0 ? 1 : (n < 4 ? n : 4); }
  float process(float y) const noexcept;
};

inline float Saturator::process(float x) const noexcept {
  if (drive < 0.001f) return x;
  const float g = x * (1.0f + 4.0f * drive);
  float shaped;
  switch (mode) {
    case SaturationMode::Tanh:
      shaped = std::tanh(g);
      break;
    case SaturationMode::HardClip:
      shaped = clamp(g, -1.0f, 1.0f);
      break;
    case SaturationMode::AsymmetricTanh:
      // Each half is normalised by its own tanh(1) so that g = +-1 gives +-1.
      shaped = g >= 0.0f ? std::tanh(1.5f * g) / 0.90514827f : std::tanh(2.0f * g) / 0.9640276f;
      break;
    default:
      shaped = std::tanh(g + 0.2f * (g * g) * std::copysign(1.0f, g));
      break;
  }
  const float driven = x * (1.0f - drive) + drive * shaped;
  return x * (1.0f - mix) + mix * driven;
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
