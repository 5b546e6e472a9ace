// Vessimor.vst3 processing through our own host on a separate audio thread: automation on its
// sample, the comb tail as the CLAP side reports it, and no allocation while parameters move.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "framework/params/range.hpp"
#include "plugin/params.hpp"
#include "tests/support/alloc_hook.hpp"
#include "tests/tools/clap_fixture.hpp"
#include "tools/vst3_host/processor.hpp"

namespace vessimor::test {
namespace {

namespace vst3 = tools::vst3;
namespace abi = vessimor::vst3::abi;

constexpr char CLASS_ID[16] = "QuoVessimorUnit";
constexpr float kInput = 0.5f;
const float kMinus24Db = std::pow(10.0f, -24.0f / 20.0f);
const abi::ParamID MIX = hash_param_id("mix");
const abi::ParamID OUTPUT_GAIN = hash_param_id("output_gain");

double default_normalized(abi::ParamID id) {
  const VessimorParams params;
  for (const ParamMapEntry& entry : params.param_map()) {
    if (hash_param_id(entry.id) == id) return entry.param.default_normalized_value();
  }
  return -1.0;
}

class Vst3Process : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(instance.setup(48000.0, 512), abi::kResultOk);
    ASSERT_EQ(instance.set_active(true), abi::kResultOk);
    ASSERT_EQ(instance.set_processing(true), abi::kResultOk);
    // Fully dry: the output is the input times the output gain.
    vst3::ParameterChanges dry;
    dry.add(MIX, 0, 0.0);
    ASSERT_EQ(instance.process(0, &dry), abi::kResultOk);
  }
  void fill_input(std::int32_t frames) {
    for (std::size_t c = 0; c < 2; ++c) {
      std::fill_n(instance.input(c).begin(), frames, kInput);
    }
  }

  vst3::Vst3Module module{VESSIMOR_VST3_PATH};
  vst3::Vst3Processor instance{module, CLASS_ID};
};

TEST_F(Vst3Process, AutomationPointTakesEffectAtItsOwnSample) {
  vst3::ParameterChanges changes;
  changes.add(OUTPUT_GAIN, 100, 0.0);                              // -24 dB
  changes.add(OUTPUT_GAIN, 300, default_normalized(OUTPUT_GAIN));  // 0 dB
  fill_input(512);
  ASSERT_EQ(instance.process(512, &changes), abi::kResultOk);
  for (std::size_t c = 0; c < 2; ++c) {
    const std::vector<float>& out = instance.output(c);
    for (std::uint32_t i = 0; i < 100; ++i) ASSERT_NEAR(out[i], kInput, 1e-5f) << i;
    for (std::uint32_t i = 100; i < 300; ++i) ASSERT_NEAR(out[i], kInput * kMinus24Db, 1e-5f) << i;
    for (std::uint32_t i = 300; i < 512; ++i) ASSERT_NEAR(out[i], kInput, 1e-5f) << i;
  }
}

// A host that renders offline or puts idle plug-ins to sleep keeps processing for the tail, and
// both formats report the same one.
TEST_F(Vst3Process, TailFollowsTheCombAsTheClapTailDoes) {
  tools::PluginModule clap_module(vessimor_clap_path());
  ActiveInstance clap(clap_module, 48000.0, 512);
  ASSERT_TRUE(clap.instance.start_processing());
  const auto* clap_tail = clap.instance.extension<clap_plugin_tail>(CLAP_EXT_TAIL);
  ASSERT_NE(clap_tail, nullptr);
  const auto set = [&](const char* id, double normalized) {
    vst3::ParameterChanges changes;
    changes.add(hash_param_id(id), 0, normalized);
    ASSERT_EQ(instance.process(64, &changes), abi::kResultOk);
    tools::InputEvents events;
    events.add_param_value(0, hash_param_id(id), normalized);
    ASSERT_NE(clap.instance.process(64, &events), CLAP_PROCESS_ERROR);
    EXPECT_EQ(instance.tail_samples(), clap_tail->get(clap.instance.plugin())) << id;
  };
  set("comb_feedback", 1.0);
  EXPECT_EQ(instance.tail_samples(), 0u);  // no comb mix yet
  set("comb_mix", 1.0);
  set("comb_tuning", 0.0);
  EXPECT_EQ(instance.tail_samples(), 480000u);  // capped at 10 s
  set("comb_tuning", 1.0);
  EXPECT_GT(instance.tail_samples(), 1000u);
  set("comb_feedback", 0.0);
  EXPECT_EQ(instance.tail_samples(), 0u);
}

TEST_F(Vst3Process, AllocatesNothingWithEveryParameterMoving) {
  const VessimorParams params;
  std::mt19937 random(22);
  std::uniform_int_distribution<std::int32_t> offset(-8, 600);
  std::uniform_real_distribution<double> value(0.0, 1.0);
  std::vector<vst3::ParameterChanges> blocks(41);
  for (vst3::ParameterChanges& changes : blocks) {
    for (const ParamMapEntry& entry : params.param_map()) {
      for (int point = 0; point < 3; ++point) {
        changes.add(hash_param_id(entry.id), offset(random), value(random));
      }
    }
  }
  const abi::ProcessContext context = vst3::make_process_context(120.0, true, 0, 48000.0);
  fill_input(512);
  ASSERT_EQ(instance.process(512, &blocks[0], &context), abi::kResultOk);  // warm up

  std::size_t allocations = 0;
  bool all_ok = true;
  instance.run_on_audio_thread([&] {
    AllocationHook hook;
    for (std::size_t block = 1; block < blocks.size(); ++block) {
      all_ok = instance.process_here(512, &blocks[block], &context) == abi::kResultOk && all_ok;
    }
    allocations = hook.count();
  });
  EXPECT_TRUE(all_ok);
  EXPECT_EQ(allocations, 0u);
}

// Guards the test above: the hook must count the bundle's own operator new, not only ours.
TEST_F(Vst3Process, AllocationHookSeesAllocationsInsideTheBundle) {
  // A stream with room reserved, so that only the plug-in can allocate during the save.
  vst3::MemoryStream stream({}, vst3::StreamOptions{.max_chunk = 1 << 20});
  stream.reserve(1 << 16);
  std::size_t allocations = 0;
  {
    AllocationHook hook;
    ASSERT_EQ(
        vst3::call(instance.component(), instance.component()->vtbl->getState, stream.stream()),
        abi::kResultOk);
    allocations = hook.count();
  }
  EXPECT_GT(stream.bytes().size(), 100u);
  EXPECT_GT(allocations, 1u);
}

}  // namespace
}  // namespace vessimor::test
