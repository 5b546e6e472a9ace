#include "engine/kit/delay/delay_line.hpp"

namespace quorvane_dsp_kit {

float DelayLine::read(float delay) const noexcept {
  const std::size_t length = buffer.size();
  // Longer delays than the line holds would read outside it; they read its oldest sample.
  std::size_t n = 0;
  if (delay > 0.0f) {
    const float limit = static_cast<float>(length - 1);
    n = delay < limit ? static_cast<std::size_t>(delay) : length - 1;
  }
  const float frac = delay - static_cast<float>(n);
  const std::size_t i = (length + write_pos - 1 - n) % length;
  const float a = buffer[i];
  const float b = buffer[(length + i - 1) % length];
  return a + frac * (b - a);
}

}  // namespace quorvane_dsp_kit
