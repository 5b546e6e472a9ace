#pragma once

#include <cstddef>
#include <vector>

namespace quorvane_dsp_kit {

// Ring buffer with linear interpolation between the two samples around a fractional delay.
struct DelayLine {
  std::vector<float> buffer;
  std::size_t write_pos = 0;

  explicit DelayLine(std::size_t length) : buffer(length == 0 ? 1 : length, 0.0f) {}

  // Delay D counts from the most recent write: D = 0 reads the last sample written.
  float read(float delay) const noexcept;
  void write(float x) noexcept {
    buffer[write_pos] = x;
    if (++write_pos == buffer.size()) write_pos = 0;
  }
};

}  // namespace quorvane_dsp_kit
