#pragma once

#include <cmath>

#include "engine/kit/oscillator.hpp"

namespace quorvane_dsp_kit {

// First-order low-pass; `highpass` outputs the complement x - state instead.
struct OnePole {
  float sample_rate = 44100.0f;
  float cutoff = 1000.0f;
  float coefficient = 0.0f;
  float state = 0.0f;
  bool highpass = false;

  static float coefficient_for(float cutoff, float sample_rate) noexcept {
    return std::exp(-kTwoPi * cutoff / sample_rate);
  }
  static OnePole make(float sample_rate, float cutoff, bool highpass) noexcept {
    return OnePole{sample_rate, cutoff, coefficient_for(cutoff, sample_rate), 0.0f, highpass};
  }
  // New rate, same cut-off (deliberately not re-limited to the new rate's Nyquist).
  void set_sample_rate(float sr) noexcept {
    sample_rate = sr;
    coefficient = coefficient_for(cutoff, sr);
  }
  float process(float x) noexcept {
    state = x + coefficient * (state - x);
    return highpass ? x - state : state;
  }
};

}  // namespace quorvane_dsp_kit
