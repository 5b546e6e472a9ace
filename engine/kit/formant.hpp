#pragma once

#include <array>
#include <cstdint>

namespace quorvane_dsp_kit {

// Values outside 0..3 give a pass-through section.
enum class BiquadKind : std::uint8_t { LowPass = 0, HighPass = 1, BandPass = 2, Notch = 3 };

// Second-order section in transposed direct form II (cookbook coefficients).
struct Biquad {
  float sample_rate = 44100.0f;
  float frequency = 1000.0f;
  float q = 0.707f;
  float gain = 0.0f;  // decibels; unused by the kinds above
  float b0 = 1.0f, b1 = 0.0f, b2 = 0.0f, a1 = 0.0f, a2 = 0.0f;
  float z1 = 0.0f, z2 = 0.0f;
  BiquadKind kind = BiquadKind::BandPass;

  void update() noexcept;
  float process(float x) noexcept {
    const float y = b0 * x + z1;
    z1 = b1 * x - a1 * y + z2;
    z2 = b2 * x - a2 * y;
    return y;
  }
};

// F1, F2, F3 in hertz of the five vowels along the morph path.
inline constexpr std::array<std::array<float, 3>, 5> FORMANT_TABLE{{
    {800.0f, 1200.0f, 2500.0f},
    {400.0f, 2000.0f, 2550.0f},
    {280.0f, 2250.0f, 2900.0f},
    {450.0f, 800.0f, 2830.0f},
    {325.0f, 700.0f, 2530.0f},
}};

// Three parallel band-passes on the first three formants of a vowel picked by `position`.
struct FormantFilter {
  std::array<Biquad, 3> sections{};
  float sample_rate = 44100.0f;
  float f1 = 800.0f, f2 = 1200.0f, f3 = 2500.0f;
  float position = 0.0f;
  float last_position = 0.0f;
  float resonance = 0.5f;
  float last_resonance = 0.5f;
  float mix = 1.0f;

  explicit FormantFilter(float sample_rate) noexcept;

  void set_position(float p) noexcept;
  void set_resonance(float r) noexcept;
  void set_sample_rate(float sr) noexcept;
  float process(float x) noexcept;

 private:
  void recompute() noexcept;
};

}  // namespace quorvane_dsp_kit
