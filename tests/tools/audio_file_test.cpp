// Audio files through libsndfile, which Debian installs for x86-64 only.
#include "tools/clap_host/audio_file.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/clap_host/test_signal.hpp"

namespace vessimor::test {
namespace {

using namespace vessimor::tools;

class AudioFiles : public ::testing::Test {
 protected:
  std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("vessimor-audio-" + std::to_string(::getpid()));
  void SetUp() override { std::filesystem::create_directories(dir); }
  void TearDown() override { std::filesystem::remove_all(dir); }
};

TEST_F(AudioFiles, FloatWavRoundTripIsExact) {
  AudioData audio = make_test_signal("noise", 0.2, 48000.0);
  audio.channels[1][7] = 1.75f;  // above full scale survives in a float file
  const std::string path = (dir / "noise.wav").string();
  write_wav_file(path, audio);
  const AudioData back = read_audio_file(path);
  EXPECT_EQ(back.sample_rate, 48000.0);
  EXPECT_EQ(back.channels, audio.channels);
}

TEST_F(AudioFiles, ClearErrorsNameTheFile) {
  const std::string missing = (dir / "missing.wav").string();
  try {
    read_audio_file(missing);
    FAIL() << "no error";
  } catch (const HostError& error) {
    EXPECT_NE(std::string(error.what()).find(missing), std::string::npos) << error.what();
  }
  const std::string not_audio = (dir / "text.wav").string();
  FILE* file = std::fopen(not_audio.c_str(), "w");
  std::fputs("not audio at all", file);
  std::fclose(file);
  EXPECT_THROW(read_audio_file(not_audio), HostError);
  EXPECT_THROW(write_wav_file((dir / "no" / "such" / "dir.wav").string(),
                              make_test_signal("sine", 0.01, 48000.0)),
               HostError);
}

}  // namespace
}  // namespace vessimor::test
