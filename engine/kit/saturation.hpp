#pragma once

#include <cstdint>

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

}  // namespace quorvane_dsp_kit
