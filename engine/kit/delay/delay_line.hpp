#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorvane_dsp_kit {

// Ring buffer with linear interpolation between the two samples around a fractional delay.
struct DelayLine {
  std::vector<float> buffer;
  std::size_t write_pos = 0;

  explicit DelayLine(std::size_t length) : buffer(length == 0 ? 1 : length, 0.0f) {}

  // A read position worked out once, for a delay that holds still over many samples.
  struct Tap {
    std::size_t back = 0;  // the newer sample lies this many slots after write_pos, wrapped
    float frac = 0.0f;
  };

  // Delay D counts from the most recent write: D = 0 reads the last sample written.
  float read(float delay) const noexcept { return read(tap(delay)); }
  Tap tap(float delay) const noexcept;
  // Valid while the buffer keeps the length the tap was made for.
  float read(Tap tap) const noexcept;
  void write(float x) noexcept {
    buffer[write_pos] = x;
    if (++write_pos == buffer.size()) write_pos = 0;
  }
};

inline DelayLine::Tap DelayLine::tap(float delay) const noexcept {
  const std::size_t length = buffer.size();
  // NaN and negative delays read the newest sample; delays of length - 1 or more read the oldest
  // one alone, since its older neighbour would wrap round to the newest.
  std::size_t n = 0;
  if (delay > 0.0f) {
    n = delay < 16777216.0f ? static_cast<std::uint32_t>(delay) : 16777216u;
    if (n >= length - 1) return Tap{0, 0.0f};
  }
  return Tap{length - 1 - n, delay - static_cast<float>(n)};
}

inline float DelayLine::read(Tap tap) const noexcept {
  const std::size_t length = buffer.size();
  std::size_t i = write_pos + tap.back;  // n + 1 writes ago
  if (i >= length) i -= length;
  const float a = buffer[i];
  const float b = buffer[i == 0 ? length - 1 : i - 1];  // one sample older
  return a + tap.frac * (b - a);
}

}  // namespace quorvane_dsp_kit
