#include "engine/kit/filter/comb.hpp"

#include <algorithm>
#include <cmath>

#include "engine/kit/math.hpp"

namespace quorvane_dsp_kit {

std::size_t CombFilter::length_for(float sr) noexcept {
  // 50 ms rounded up, plus one: the longest delay, sr / 20 at the lowest tuning of 20 Hz, then
  // has both of its neighbours in the line even when it is not a whole number of samples (at
  // 11025 Hz: 551.25 in 553 samples). Rates with a whole number keep floor(0.05 * sr) + 1.
  const float samples = std::ceil(sr / 20.0f);
  // A non-positive or NaN rate still gets a one-sample line; the tuning range keeps real rates
  // far from the upper end.
  if (!(samples > 0.0f)) return 1;
  return static_cast<std::size_t>(std::min(samples, 16777216.0f)) + 1;
}

CombFilter::CombFilter(float sr)
    : delay_line(length_for(sr)),
      damping(OnePole::make(sr, at_most(0.49f * sr, 8000.0f), false)),
      sample_rate(sr),
      delay_samples(sr / 440.0f) {
  refresh_tap();
}

void CombFilter::set_sample_rate(float sr) {
  sample_rate = sr;
  const std::size_t length = length_for(sr);
  if (length == delay_line.buffer.size()) {
    // Same length: clear the line in place. A state applied between audio blocks re-initialises
    // the plug-in at an unchanged rate, and must not allocate there.
    std::fill(delay_line.buffer.begin(), delay_line.buffer.end(), 0.0f);
    delay_line.write_pos = 0;
  } else {
    delay_line = DelayLine(length);
  }
  damping.set_sample_rate(sr);
  set_frequency(frequency);
  refresh_tap();
}

void CombFilter::reset() noexcept {
  std::fill(delay_line.buffer.begin(), delay_line.buffer.end(), 0.0f);
  delay_line.write_pos = 0;
  damping.state = 0.0f;
}

}  // namespace quorvane_dsp_kit
