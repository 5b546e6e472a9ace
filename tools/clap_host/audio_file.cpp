#include "tools/clap_host/audio_file.hpp"

#include <sndfile.h>

#include <algorithm>
#include <memory>

namespace vessimor::tools {
namespace {

struct SndfileCloser {
  void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndfileHandle = std::unique_ptr<SNDFILE, SndfileCloser>;

// libsndfile moves a bounded number of frames per call; chunking keeps the interleaved scratch
// buffer small however long the file is.
constexpr sf_count_t kChunkFrames = 8192;

}  // namespace

AudioData read_audio_file(const std::string& path) {
  SF_INFO info{};
  SndfileHandle file(sf_open(path.c_str(), SFM_READ, &info));
  if (!file) {
    throw HostError("cannot read '" + path + "': " + sf_strerror(nullptr));
  }
  if (info.channels <= 0 || info.samplerate <= 0) {
    throw HostError("'" + path + "' has no audio channels");
  }
  const auto channel_count = static_cast<std::size_t>(info.channels);
  AudioData audio;
  audio.sample_rate = info.samplerate;
  audio.channels.resize(channel_count);
  if (info.frames > 0) {
    for (auto& channel : audio.channels) channel.reserve(static_cast<std::size_t>(info.frames));
  }
  std::vector<float> interleaved(static_cast<std::size_t>(kChunkFrames) * channel_count);
  for (;;) {
    const sf_count_t got = sf_readf_float(file.get(), interleaved.data(), kChunkFrames);
    if (got <= 0) break;
    for (sf_count_t frame = 0; frame < got; ++frame) {
      for (std::size_t c = 0; c < channel_count; ++c) {
        audio.channels[c].push_back(
            interleaved[static_cast<std::size_t>(frame) * channel_count + c]);
      }
    }
  }
  if (sf_error(file.get()) != SF_ERR_NO_ERROR) {
    throw HostError("cannot read '" + path + "': " + sf_strerror(file.get()));
  }
  return audio;
}

void write_wav_file(const std::string& path, const AudioData& audio) {
  if (audio.channels.empty()) throw HostError("nothing to write to '" + path + "'");
  SF_INFO info{};
  info.samplerate = static_cast<int>(audio.sample_rate + 0.5);
  info.channels = static_cast<int>(audio.channel_count());
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SndfileHandle file(sf_open(path.c_str(), SFM_WRITE, &info));
  if (!file) {
    throw HostError("cannot create '" + path + "': " + sf_strerror(nullptr));
  }
  const std::size_t channel_count = audio.channel_count();
  const std::size_t frames = audio.frame_count();
  std::vector<float> interleaved(static_cast<std::size_t>(kChunkFrames) * channel_count);
  for (std::size_t start = 0; start < frames; start += kChunkFrames) {
    const std::size_t count = std::min<std::size_t>(kChunkFrames, frames - start);
    for (std::size_t frame = 0; frame < count; ++frame) {
      for (std::size_t c = 0; c < channel_count; ++c) {
        interleaved[frame * channel_count + c] = audio.channels[c][start + frame];
      }
    }
    const auto wanted = static_cast<sf_count_t>(count);
    if (sf_writef_float(file.get(), interleaved.data(), wanted) != wanted) {
      throw HostError("cannot write '" + path + "': " + sf_strerror(file.get()));
    }
  }
  // Closing flushes the header; a failure there (full disk) must not pass as success.
  if (sf_close(file.release()) != 0) throw HostError("cannot finish '" + path + "'");
}

}  // namespace vessimor::tools
