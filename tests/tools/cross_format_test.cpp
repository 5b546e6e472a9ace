// One plug-in, two formats: every factory preset with automation renders to the same samples
// through Vessimor.clap and Vessimor.vst3, and a state saved through one loads through the other.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "framework/params/range.hpp"
#include "plugin/params.hpp"
#include "tests/tools/clap_fixture.hpp"
#include "tools/clap_host/preset_values.hpp"
#include "tools/clap_host/render.hpp"
#include "tools/clap_host/test_signal.hpp"
#include "tools/vst3_host/render.hpp"

namespace vessimor::test {
namespace {

using tools::AudioData;
using tools::AutomationPoint;
using tools::HostError;
using tools::InputEvents;
using tools::NormalizedValue;
using tools::PluginInstance;
using tools::PluginModule;
using tools::RenderJob;
using tools::resolve_parameter_values;
namespace vst3 = tools::vst3;
namespace abi = vessimor::vst3::abi;

constexpr char CLASS_ID[16] = "QuoVessimorUnit";

// Points on several parameters at offsets inside blocks, at block starts and at the very first
// frame; a stepped parameter moves by whole steps.
std::vector<AutomationPoint> automation() {
  const VessimorParams params;
  const auto normalized = [&](const std::string& id, float fraction) {
    for (const ParamMapEntry& entry : params.param_map()) {
      if (entry.id != id) continue;
      if (const std::optional<std::int32_t> steps = entry.param.step_count()) {
        return std::round(fraction * static_cast<float>(*steps)) / static_cast<float>(*steps);
      }
      return fraction;
    }
    throw HostError("no parameter " + id);
  };
  std::vector<AutomationPoint> points;
  const std::vector<std::string> ids = {"mix",       "comb_mix",    "lock_freq",
                                        "char_mode", "swarm_count", "output_gain"};
  const std::size_t frames[] = {0, 300, 512, 777, 2048, 5001, 9000, 15999};
  for (std::size_t f = 0; f < std::size(frames); ++f) {
    for (std::size_t i = 0; i < ids.size(); ++i) {
      if ((f + i) % 2 != 0) continue;
      const float fraction = static_cast<float>((f * 7 + i * 3) % 11) / 10.0f;
      points.push_back({frames[f], ids[i], normalized(ids[i], fraction)});
    }
  }
  return points;
}

class CrossFormatRender : public ::testing::TestWithParam<std::string> {};

TEST_P(CrossFormatRender, BitIdenticalThroughBothFormats) {
  const AudioData input = tools::make_test_signal("chord", 0.4, 48000.0);
  RenderJob job;
  job.values = resolve_parameter_values(GetParam(), {}, {});
  job.automation = automation();

  PluginModule clap_module(vessimor_clap_path());
  PluginInstance clap(clap_module);
  ASSERT_TRUE(clap.init());
  const AudioData through_clap = tools::render(clap, input, job);

  vst3::Vst3Module vst3_module(VESSIMOR_VST3_PATH);
  vst3::Vst3Processor instance(vst3_module, CLASS_ID);
  const AudioData through_vst3 = vst3::render(instance, input, job);

  ASSERT_EQ(through_vst3.channel_count(), 2u);
  for (std::size_t c = 0; c < 2; ++c) {
    const auto& want = through_clap.channels[c];
    const auto differs = std::mismatch(want.begin(), want.end(), through_vst3.channels[c].begin());
    EXPECT_EQ(differs.first, want.end())
        << "channel " << c << ": first difference at frame " << (differs.first - want.begin());
  }
}

INSTANTIATE_TEST_SUITE_P(AllFactoryPresets, CrossFormatRender,
                         ::testing::ValuesIn(tools::factory_preset_names()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name;
                           for (char c : info.param) name += std::isalnum(c) ? c : '_';
                           return name;
                         });

// One broken sample from upstream in a 3 s sine, with a stage that keeps state in use (the comb,
// Grit, Warm): its frame is silent in both formats, and the effect goes on sounding after it.
TEST(CrossFormatRender, ABrokenInputSampleIsSilencedAndForgotten) {
  AudioData input;
  input.sample_rate = 48000.0;
  input.channels.assign(2, std::vector<float>(3 * 48000));
  for (std::vector<float>& channel : input.channels) {
    for (std::size_t i = 0; i < channel.size(); ++i) {
      channel[i] = 0.5f * std::sin(6.2831855f * 220.0f * static_cast<float>(i) / 48000.0f);
    }
  }
  const std::vector<NormalizedValue> settings[] = {{{"comb_feedback", 0.3f / 0.95f}},
                                                   {{"char_mode", 1.0f / 3.0f}},
                                                   {{"char_mode", 2.0f / 3.0f}}};
  constexpr std::size_t kBadFrame = 24000;
  PluginModule clap_module(vessimor_clap_path());
  vst3::Vst3Module vst3_module(VESSIMOR_VST3_PATH);
  for (const float bad :
       {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
    AudioData broken = input;
    broken.channels[0][kBadFrame] = bad;
    for (const std::vector<NormalizedValue>& values : settings) {
      RenderJob job;
      job.values = values;
      PluginInstance clap(clap_module);
      ASSERT_TRUE(clap.init());
      vst3::Vst3Processor vst3_instance(vst3_module, CLASS_ID);
      const AudioData outputs[] = {tools::render(clap, broken, job),
                                   vst3::render(vst3_instance, broken, job)};
      for (const AudioData& out : outputs) {
        for (const std::vector<float>& channel : out.channels) {
          EXPECT_EQ(channel[kBadFrame], 0.0f) << values[0].id << " " << bad;
          float peak = 0.0f;
          for (std::size_t i = 48000; i < channel.size(); ++i) {
            peak = std::max(peak, std::abs(channel[i]));
          }
          EXPECT_GT(peak, 0.1f) << values[0].id << " " << bad;
        }
      }
    }
  }
}

// The CLAP stream is the JSON text after its length in 8 little-endian bytes; the VST3 stream is
// the text alone.
std::vector<std::uint8_t> with_length(const std::vector<std::uint8_t>& json) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(8 + json.size());
  for (std::size_t i = 0; i < 8; ++i)
    bytes.push_back(static_cast<std::uint8_t>(json.size() >> (8 * i)));
  for (std::uint8_t byte : json) bytes.push_back(byte);
  return bytes;
}

TEST(CrossFormatState, ASavedStateLoadsThroughTheOtherFormat) {
  PluginModule clap_module(vessimor_clap_path());
  vst3::Vst3Module vst3_module(VESSIMOR_VST3_PATH);
  const std::vector<NormalizedValue> robot = resolve_parameter_values("Robot Voice", {}, {});
  const std::vector<NormalizedValue> drone = resolve_parameter_values("Init", {}, {});

  // CLAP to VST3: values set through the CLAP host's parameter flush.
  PluginInstance clap(clap_module);
  ASSERT_TRUE(clap.init());
  std::map<clap_id, double> clap_max;
  for (const clap_param_info& info : clap.param_infos()) clap_max[info.id] = info.max_value;
  InputEvents events;
  for (const NormalizedValue& value : robot) {
    const clap_id id = hash_param_id(value.id);
    events.add_param_value(0, id, value.normalized * clap_max[id]);
  }
  clap.flush(&events, nullptr);
  const std::vector<std::uint8_t> from_clap = *clap.save_state();
  const std::vector<std::uint8_t> json(from_clap.begin() + 8, from_clap.end());
  vst3::Vst3Processor vst3_instance(vst3_module, CLASS_ID);
  ASSERT_EQ(vst3_instance.load_state(json), abi::kResultOk);
  EXPECT_EQ(vst3_instance.save_state(), json);
  EXPECT_EQ(json, vst3::vessimor_state_with(robot));

  // VST3 to CLAP: every value reaches the CLAP host's parameter view.
  vst3::Vst3Processor other(vst3_module, CLASS_ID);
  ASSERT_EQ(other.load_state(vst3::vessimor_state_with(drone)), abi::kResultOk);
  const std::vector<std::uint8_t> from_vst3 = *other.save_state();
  PluginInstance clap_target(clap_module);
  ASSERT_TRUE(clap_target.init());
  ASSERT_TRUE(clap_target.load_state(with_length(from_vst3)));
  for (const NormalizedValue& value : drone) {
    const clap_id id = hash_param_id(value.id);
    EXPECT_NEAR(*clap_target.param_value(id), value.normalized * clap_max[id], 1e-6) << value.id;
  }
  EXPECT_EQ(clap_target.save_state(), with_length(from_vst3));
}

// A host loading a preset with its transport stopped: a load between two process calls, with
// processing on, returns at once in both formats, its values there before the next call and kept
// by a save straight after.
TEST(CrossFormatState, ALoadBetweenProcessCallsNeverWaitsForTheNextCall) {
  const auto quickly = [](auto&& load) {
    const auto started = std::chrono::steady_clock::now();
    load();
    return std::chrono::steady_clock::now() - started < std::chrono::milliseconds(250);
  };
  const std::vector<std::uint8_t> robot =
      vst3::vessimor_state_with(resolve_parameter_values("Robot Voice", {}, {}));

  PluginModule clap_module(vessimor_clap_path());
  PluginInstance clap(clap_module);
  ASSERT_TRUE(clap.init());
  ASSERT_TRUE(clap.activate(48000.0, 1, 512));
  ASSERT_TRUE(clap.start_processing());
  ASSERT_NE(clap.process(512), CLAP_PROCESS_ERROR);
  EXPECT_TRUE(quickly([&] { ASSERT_TRUE(clap.load_state(with_length(robot))); }));
  EXPECT_EQ(clap.save_state(), with_length(robot));
  ASSERT_NE(clap.process(512), CLAP_PROCESS_ERROR);

  vst3::Vst3Module vst3_module(VESSIMOR_VST3_PATH);
  vst3::Vst3Processor instance(vst3_module, CLASS_ID);
  ASSERT_EQ(instance.setup(48000.0, 512), abi::kResultOk);
  ASSERT_EQ(instance.set_active(true), abi::kResultOk);
  ASSERT_EQ(instance.set_processing(true), abi::kResultOk);
  ASSERT_EQ(instance.process(512), abi::kResultOk);
  EXPECT_TRUE(quickly([&] { ASSERT_EQ(instance.load_state(robot), abi::kResultOk); }));
  EXPECT_EQ(instance.save_state(), robot);
  ASSERT_EQ(instance.process(512), abi::kResultOk);
}

// A saved state may hold a gain from outside its range, kept as it is so that a later save writes
// it back: it plays as the range's end, which is what the host shows.
TEST(CrossFormatState, OutOfRangeGainsPlayAsTheRangesEnds) {
  const std::vector<std::uint8_t> defaults = vst3::vessimor_state_with({});
  const auto state_holding = [&](const std::string& id, const std::string& value) {
    std::string text(defaults.begin(), defaults.end());
    const std::string entry = "\"" + id + "\":{\"f32\":0.0}";
    const std::size_t at = text.find(entry);
    if (at == std::string::npos) throw HostError("no " + entry + " in the default state");
    text.replace(at, entry.size(), "\"" + id + "\":{\"f32\":" + value + "}");
    return with_length(std::vector<std::uint8_t>(text.begin(), text.end()));
  };
  AudioData input;
  input.sample_rate = 48000.0;
  input.channels.assign(2, std::vector<float>(4800));
  for (std::size_t i = 0; i < 4800; ++i) {
    input.channels[0][i] = 0.3f * std::sin(0.05f * static_cast<float>(i));
    input.channels[1][i] = 0.3f * std::cos(0.03f * static_cast<float>(i));
  }
  PluginModule module(vessimor_clap_path());
  const auto render_state = [&](const std::vector<std::uint8_t>& state) {
    PluginInstance clap(module);
    EXPECT_TRUE(clap.init() && clap.load_state(state));
    const AudioData out = tools::render(clap, input, RenderJob{});
    EXPECT_EQ(clap.save_state(), state) << "the state keeps the value it was given";
    return out.channels;
  };
  const struct {
    const char* id;
    const char* stored;
    const char* end;
  } cases[] = {{"input_gain", "1e+30", "12.0"},
               {"input_gain", "-200.0", "-12.0"},
               {"output_gain", "40.0", "12.0"},
               {"output_gain", "-200.0", "-24.0"}};
  for (const auto& c : cases) {
    EXPECT_EQ(render_state(state_holding(c.id, c.stored)), render_state(state_holding(c.id, c.end)))
        << c.id << " " << c.stored;
  }
}

}  // namespace
}  // namespace vessimor::test
