#include "engine/kit/saturation.hpp"

#include <cmath>

#include "engine/kit/math.hpp"

namespace quorvane_dsp_kit {

float Saturator::process(float x) const noexcept {
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

float Wavefolder::process(float y) const noexcept {
  if (drive < 0.001f) return y;
  float v = y * (4.0f * drive + 1.0f);
  for (std::uint32_t i = 0; i < stages; ++i) {
    v = 0.25f * v + 0.25f;
    v = std::fabs(v - std::floor(v) - 0.5f) * 4.0f - 1.0f;
  }
  return v * mix + y * (1.0f - mix);
}

}  // namespace quorvane_dsp_kit
