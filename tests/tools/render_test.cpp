// Rendering through the built plug-in: every factory preset, and the vessimor-render tool's
// behaviour on good and bad command lines.
#include "tools/clap_host/render.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <string>

#include "framework/params/range.hpp"
#include "tests/tools/clap_fixture.hpp"
#include "tests/tools/command.hpp"
#include "tools/clap_host/audio_file.hpp"
#include "tools/clap_host/preset_values.hpp"
#include "tools/clap_host/test_signal.hpp"

namespace vessimor::test {
namespace {

using namespace vessimor::tools;

AudioData render_preset(const PluginModule& module, const std::string& preset,
                        const AudioData& input, std::uint32_t block_size = 512,
                        const std::vector<ParameterOverride>& overrides = {}) {
  PluginInstance instance(module);
  if (!instance.init()) throw HostError("init failed");
  RenderJob job;
  job.values = resolve_parameter_values(preset, overrides, {});
  job.block_size = block_size;
  return render(instance, input, job);
}

class FactoryPresetRender : public ::testing::TestWithParam<std::string> {};

TEST_P(FactoryPresetRender, FiniteBoundedAndIdenticalOnTwoRuns) {
  PluginModule module(vessimor_clap_path());
  const AudioData input = make_test_signal("chord", 2.0, 48000.0);
  const AudioData first = render_preset(module, GetParam(), input);
  const AudioData second = render_preset(module, GetParam(), input);
  ASSERT_EQ(first.channel_count(), 2u);
  ASSERT_EQ(first.frame_count(), input.frame_count());
  double energy = 0.0;
  for (const auto& channel : first.channels) {
    for (float v : channel) {
      ASSERT_TRUE(std::isfinite(v));
      ASSERT_LE(std::fabs(v), 4.0f);
      energy += static_cast<double>(v) * v;
    }
  }
  EXPECT_GT(energy, 0.0) << "silent render";
  EXPECT_EQ(first.channels, second.channels);
}

// The host's block size is not part of the sound: the settings applied at each block start must
// leave every carrier where the per-sample chain had it. Lock motion, on in most presets, sets
// the pitch every sample; without it the swarm's pitch and spread are set once per block.
TEST_P(FactoryPresetRender, BitIdenticalAtEveryBlockSize) {
  PluginModule module(vessimor_clap_path());
  const AudioData input = make_test_signal("chord", 1.0, 48000.0);
  for (const std::string lock_motion : {"", "0"}) {
    std::vector<ParameterOverride> overrides;
    if (!lock_motion.empty()) overrides.push_back({"lock_motion_enable", lock_motion});
    const AudioData reference = render_preset(module, GetParam(), input, 1, overrides);
    for (std::uint32_t block_size : {64u, 512u, 4096u}) {
      const AudioData output = render_preset(module, GetParam(), input, block_size, overrides);
      for (std::size_t c = 0; c < 2; ++c) {
        const auto& want = reference.channels[c];
        const auto differs = std::mismatch(want.begin(), want.end(), output.channels[c].begin());
        EXPECT_EQ(differs.first, want.end())
            << "lock motion " << (lock_motion.empty() ? "as stored" : "off") << ", block size "
            << block_size << ", channel " << c << ": first difference at frame "
            << (differs.first - want.begin());
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllFactoryPresets, FactoryPresetRender,
                         ::testing::ValuesIn(factory_preset_names()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name;
                           for (char c : info.param) name += std::isalnum(c) ? c : '_';
                           return name;
                         });

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
