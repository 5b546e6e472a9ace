#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tools/clap_host/host_error.hpp"

namespace vessimor::tools {

// Planar audio: one vector of samples per channel, all of equal length.
struct AudioData {
  double sample_rate = 48000.0;
  std::vector<std::vector<float>> channels;

  std::size_t frame_count() const { return channels.empty() ? 0 : channels.front().size(); }
  std::size_t channel_count() const { return channels.size(); }
};

// Reads any file libsndfile understands (WAV, AIFF, FLAC, ...) as 32-bit floats.
// Throws HostError naming the file when it is missing, unreadable or holds no channels.
AudioData read_audio_file(const std::string& path);

// Writes a 32-bit float WAV file; a float file keeps peaks above full scale unclipped.
// Throws HostError when the file cannot be created or written.
void write_wav_file(const std::string& path, const AudioData& audio);

}  // namespace vessimor::tools
