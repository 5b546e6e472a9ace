// The vessimor-render tool's behaviour on good and bad command lines; it writes and reads audio
// files, so it is built only where libsndfile is.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>

#include "tests/tools/clap_fixture.hpp"
#include "tests/tools/command.hpp"
#include "tools/clap_host/audio_file.hpp"
#include "tools/clap_host/test_signal.hpp"

namespace vessimor::test {
namespace {

using namespace vessimor::tools;

// Runs the tool and gives its exit status and everything it printed.
std::pair<int, std::string> run_tool(const std::string& arguments) {
  CommandResult result = run_command(std::string(VESSIMOR_RENDER_PATH) + " " + arguments + " 2>&1");
  return {result.status, std::move(result.output)};
}

std::string quoted(const std::string& path) {
  std::string text = "'";
  text += path;
  text += "'";
  return text;
}

class RenderTool : public ::testing::Test {
 protected:
  std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("vessimor-render-" + std::to_string(::getpid()));
  void SetUp() override { std::filesystem::create_directories(dir); }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string out(const std::string& name) const { return (dir / name).string(); }
};

TEST_F(RenderTool, RendersAPresetWithOverridesIntoAWavFile) {
  const auto [status, text] = run_tool("--plugin '" + vessimor_clap_path() +
                                       "' --preset 'Robot Voice' --set mix=0.5 --set "
                                       "'char_mode=Fold' --seconds 0.5 '" +
                                       out("a.wav") + "'");
  ASSERT_EQ(status, 0) << text;
  const AudioData written = read_audio_file(out("a.wav"));
  EXPECT_EQ(written.channel_count(), 2u);
  EXPECT_EQ(written.frame_count(), 24000u);
  EXPECT_EQ(written.sample_rate, 48000.0);

  // A file in, at its own rate; mono input gives stereo output.
  AudioData mono = make_test_signal("sine", 0.25, 44100.0);
  mono.channels.resize(1);
  write_wav_file(out("mono.wav"), mono);
  const auto [status2, text2] =
      run_tool("--input '" + out("mono.wav") + "' '" + out("b.wav") + "'");
  ASSERT_EQ(status2, 0) << text2;
  const AudioData b = read_audio_file(out("b.wav"));
  EXPECT_EQ(b.channel_count(), 2u);
  EXPECT_EQ(b.sample_rate, 44100.0);
  EXPECT_EQ(b.frame_count(), mono.frame_count());
}

TEST_F(RenderTool, RendersTheSameFileThroughEitherFormat) {
  const std::string common =
      " --preset 'Robot Voice' --set 'char_mode=Fold' --set 'mix=30 %'"
      " --seconds 0.25 ";
  const auto [clap_status, clap_text] = run_tool("--format clap" + common + quoted(out("c.wav")));
  ASSERT_EQ(clap_status, 0) << clap_text;
  const auto [vst3_status, vst3_text] = run_tool("--plugin '" + std::string(VESSIMOR_VST3_PATH) +
                                                 "/'" + common + quoted(out("v.wav")));
  ASSERT_EQ(vst3_status, 0) << vst3_text;
  const AudioData clap = read_audio_file(out("c.wav"));
  const AudioData vst3 = read_audio_file(out("v.wav"));
  EXPECT_EQ(vst3.frame_count(), 12000u);
  EXPECT_EQ(vst3.channels, clap.channels);
}

TEST_F(RenderTool, ClearErrorsAndNonZeroExit) {
  const std::string target = " '" + out("x.wav") + "'";
  struct Case {
    std::string arguments;
    int status;
    std::string message;
  };
  const Case cases[] = {
      {"--input '" + out("missing.wav") + "'" + target, 1, "missing.wav"},
      {"--preset 'No Such Preset'" + target, 1, "unknown preset \"No Such Preset\""},
      {"--set volume=3" + target, 1, "unknown parameter 'volume'"},
      {"--set comb_mix=30" + target, 1, "bad value '30' for comb_mix"},
      {"--set char_mode=Loud" + target, 1, "bad value 'Loud' for char_mode"},
      {"--plugin '" + out("none.clap") + "'" + target, 1, "plug-in not found"},
      {quoted(out("no/such/folder.wav")), 1, "no folder"},
      {"--set mix" + target, 2, "--set needs ID=VALUE"},
      {"--format vst2" + target, 2, "unknown plug-in format 'vst2'"},
      {"--format vst3 --plugin '" + vessimor_clap_path() + "'" + target, 2,
       "is not a vst3 plug-in"},
      {"", 2, "missing the output file"},
  };
  for (const Case& c : cases) {
    const auto [status, text] = run_tool(c.arguments);
    EXPECT_EQ(status, c.status) << c.arguments << "\n" << text;
    EXPECT_NE(text.find(c.message), std::string::npos) << c.arguments << "\n" << text;
  }
  EXPECT_FALSE(std::filesystem::exists(out("x.wav")));
}

}  // namespace
}  // namespace vessimor::test
