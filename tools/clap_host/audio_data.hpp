#pragma once

#include <cstddef>
#include <vector>

namespace vessimor::tools {

// Planar audio: one vector of samples per channel, all of equal length.
struct AudioData {
  double sample_rate = 48000.0;
  std::vector<std::vector<float>> channels;

  std::size_t frame_count() const { return channels.empty() ? 0 : channels.front().size(); }
  std::size_t channel_count() const { return channels.size(); }
};

}  // namespace vessimor::tools
