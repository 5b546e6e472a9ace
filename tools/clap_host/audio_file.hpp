#pragma once

// Audio files through libsndfile: its own library (vessimor_audio_file), built only where
// libsndfile is installed for the target.

#include <string>

#include "tools/clap_host/audio_data.hpp"
#include "tools/clap_host/host_error.hpp"

namespace vessimor::tools {

// Reads any file libsndfile understands (WAV, AIFF, FLAC, ...) as 32-bit floats.
// Throws HostError naming the file when it is missing, unreadable or holds no channels.
AudioData read_audio_file(const std::string& path);

// Writes a 32-bit float WAV file; a float file keeps peaks above full scale unclipped.
// Throws HostError when the file cannot be created or written.
void write_wav_file(const std::string& path, const AudioData& audio);

}  // namespace vessimor::tools
