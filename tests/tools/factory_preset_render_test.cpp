// Every factory preset rendered through the built plug-in module: sound, repeatable, and the same
// at every host block size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>
#include <vector>

#include "tests/tools/clap_fixture.hpp"
#include "tools/clap_host/preset_values.hpp"
#include "tools/clap_host/render.hpp"
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

}  // namespace
}  // namespace vessimor::test
