#include "engine/kit/delay/delay_line.hpp"

#include <cstdint>

namespace quorvane_dsp_kit {

float DelayLine::read(float delay) const noexcept {
  const std::size_t length = buffer.size();
  // NaN and negative delays read the newest sample; delays longer than the line read its oldest
  // one instead of outside it.
  std::size_t n = 0;
  if (delay > 0.0f) {
    n = delay < 16777216.0f ? static_cast<std::uint32_t>(delay) : 16777216u;
    if (n > length - 1) n = length - 1;
  }
  const float frac = delay - static_cast<float>(n);
  std::size_t i = write_pos + (length - 1 - n);  // n + 1 writes ago
  if (i >= length) i -= length;
  const float a = buffer[i];
  const float b = buffer[i == 0 ? length - 1 : i - 1];  // one sample older
  return a + frac * (b - a);
}

}  // namespace quorvane_dsp_kit
