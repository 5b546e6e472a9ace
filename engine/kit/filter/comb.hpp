#pragma once

#include <bit>
#include <cstdint>

#include "engine/kit/delay/delay_line.hpp"
#include "engine/kit/filter/one_pole.hpp"

namespace quorvane_dsp_kit {

// Feedback comb of up to 50 ms with a low-pass in the feedback path.
struct CombFilter {
  DelayLine delay_line;
  OnePole damping;
  float sample_rate;
  float frequency = 440.0f;
  float delay_samples;
  float feedback = 0.0f;  // settings keep it within [0, 0.95]
  float mix = 0.0f;

  explicit CombFilter(float sample_rate);

  static std::size_t length_for(float sample_rate) noexcept;

  // Hertz, within 20..5000 (the owner limits it).
  void set_frequency(float f) noexcept {
    frequency = f;
    delay_samples = sample_rate / f;
  }

  // Clears the line; allocates only when the rate gives it another length (main thread).
  void set_sample_rate(float sr);
  void reset() noexcept;
  // The read position for `delay_samples`, worked out again only when the delay changed (once
  // per block at most); the line's own changes (construction, sample rate) work it out at once.
  DelayLine::Tap tap() noexcept {
    if (std::bit_cast<std::uint32_t>(delay_samples) != tap_delay_bits_) refresh_tap();
    return tap_;
  }

  float process(float x) noexcept {
    if (feedback <= 0.0f && mix <= 0.0f) {
      // Keep recording so that raising the mix later plays real history.
      delay_line.write(x);
      return x;
    }
    const float d = delay_line.read(tap());
    const float damped = damping.process(feedback * d);
    delay_line.write(x + damped);
    return d * mix + x * (1.0f - mix);
  }

 private:
  void refresh_tap() noexcept {
    tap_ = delay_line.tap(delay_samples);
    tap_delay_bits_ = std::bit_cast<std::uint32_t>(delay_samples);
  }

  DelayLine::Tap tap_;
  std::uint32_t tap_delay_bits_ = 0;
};

}  // namespace quorvane_dsp_kit
