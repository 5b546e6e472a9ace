// Sample-accurate automation, transport and flush through our host, on a separate audio thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "framework/params/param_ptr.hpp"
#include "framework/params/range.hpp"
#include "plugin/params.hpp"
#include "tests/support/alloc_hook.hpp"
#include "tests/tools/clap_fixture.hpp"

namespace vessimor::test {
namespace {

using tools::InputEvents;
using tools::OutputEvents;
using tools::PluginInstance;
using tools::PluginModule;

constexpr float kInput = 0.5f;
const float kMinus24Db = std::pow(10.0f, -24.0f / 20.0f);

class ClapProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(instance.init());
    ASSERT_TRUE(instance.activate(48000.0, 1, 512));
    mix = param_named(instance, "Mix");
    output_gain = param_named(instance, "Output Gain");
    // Fully dry: the output is the input times the output gain, so each gain change is visible
    // at the exact sample where it lands.
    InputEvents dry;
    dry.add_param_value(0, mix.id, 0.0);
    instance.flush(&dry, nullptr);
    ASSERT_TRUE(instance.start_processing());
  }

  void fill_input(std::uint32_t frames) {
    for (std::size_t c = 0; c < 2; ++c) std::fill_n(instance.input(c).begin(), frames, kInput);
  }

  PluginModule module{vessimor_clap_path()};
  PluginInstance instance{module};
  clap_param_info mix{};
  clap_param_info output_gain{};
};

TEST_F(ClapProcess, AutomationPointTakesEffectAtItsOwnSample) {
  InputEvents events;
  events.add_param_value(0, output_gain.id, output_gain.default_value);  // 0 dB, never splits
  events.add_param_value(100, output_gain.id, 0.0);                      // -24 dB
  events.add_param_value(300, output_gain.id, output_gain.default_value);
  events.add_param_value(300, mix.id, 0.0);  // two events at one time apply together
  fill_input(512);
  ASSERT_NE(instance.process(512, &events), CLAP_PROCESS_ERROR);
  for (std::size_t c = 0; c < 2; ++c) {
    const std::vector<float>& out = instance.output(c);
    for (std::uint32_t i = 0; i < 100; ++i) ASSERT_NEAR(out[i], kInput, 1e-5f) << i;
    for (std::uint32_t i = 100; i < 300; ++i) ASSERT_NEAR(out[i], kInput * kMinus24Db, 1e-5f) << i;
    for (std::uint32_t i = 300; i < 512; ++i) ASSERT_NEAR(out[i], kInput, 1e-5f) << i;
  }
  // The last value stands after the block and reaches the host's parameter view.
  EXPECT_NEAR(*instance.param_value(output_gain.id), output_gain.default_value, 1e-6);
}

TEST_F(ClapProcess, FirstEventOfABlockLaterThanSampleZeroStillSplits) {
  InputEvents events;
  events.add_param_value(64, output_gain.id, 0.0);
  fill_input(128);
  ASSERT_NE(instance.process(128, &events), CLAP_PROCESS_ERROR);
  EXPECT_NEAR(instance.output(0)[63], kInput, 1e-5f);
  EXPECT_NEAR(instance.output(0)[64], kInput * kMinus24Db, 1e-5f);
}

TEST_F(ClapProcess, EventBeyondTheBlockIsClampedIntoIt) {
  InputEvents events;
  events.add_param_value(5000, output_gain.id, 0.0);
  fill_input(256);
  ASSERT_NE(instance.process(256, &events), CLAP_PROCESS_ERROR);
  // The value is applied within this block, and no sub-block runs past its end.
  EXPECT_NEAR(instance.output(0)[0], kInput, 1e-5f);
  EXPECT_NEAR(*instance.param_value(output_gain.id), 0.0, 1e-9);
}

TEST_F(ClapProcess, NonFiniteValuesFromTheHostAreIgnored) {
  InputEvents events;
  events.add_param_value(0, output_gain.id, std::nan(""));
  events.add_param_value(10, output_gain.id, INFINITY);
  events.add_param_mod(20, output_gain.id, -INFINITY);
  fill_input(64);
  ASSERT_NE(instance.process(64, &events), CLAP_PROCESS_ERROR);
  EXPECT_NEAR(*instance.param_value(output_gain.id), output_gain.default_value, 1e-6);
  for (std::uint32_t i = 0; i < 64; ++i) ASSERT_NEAR(instance.output(0)[i], kInput, 1e-5f);
}

TEST_F(ClapProcess, AudioThreadChangesReachTheMainThroughTheHostLoop) {
  InputEvents events;
  events.add_param_value(32, output_gain.id, 0.25);
  fill_input(64);
  ASSERT_NE(instance.process(64, &events), CLAP_PROCESS_ERROR);
  // The value change was noticed on the audio thread, so the plug-in asked for a main-thread
  // callback instead of touching the editor there; our main loop answers it.
  EXPECT_GE(instance.calls().request_callback.load(), 1);
  instance.main_loop_step();
  EXPECT_EQ(instance.calls().wrong_thread.load(), 0);
}

// A host that renders offline or puts idle plug-ins to sleep keeps processing for the tail.
TEST_F(ClapProcess, TailFollowsTheCombSettings) {
  const auto* tail = instance.extension<clap_plugin_tail>(CLAP_EXT_TAIL);
  ASSERT_NE(tail, nullptr);
  const auto set = [&](const char* name, double value) {
    InputEvents events;
    events.add_param_value(0, param_named(instance, name).id, value);
    ASSERT_NE(instance.process(64, &events), CLAP_PROCESS_ERROR);
  };
  set("Comb Feedback", 1.0);                    // 0.95
  EXPECT_EQ(tail->get(instance.plugin()), 0u);  // no comb mix yet
  set("Comb Mix", 1.0);
  set("Comb Tuning", 0.0);                           // 20 Hz: over 10 s to fall 90 dB
  EXPECT_EQ(tail->get(instance.plugin()), 480000u);  // capped at 10 s
  set("Comb Tuning", 1.0);                           // 5000 Hz
  EXPECT_GT(tail->get(instance.plugin()), 1000u);
  EXPECT_LT(tail->get(instance.plugin()), 4800u);
  set("Comb Feedback", 0.0);
  EXPECT_EQ(tail->get(instance.plugin()), 0u);
}

TEST_F(ClapProcess, TransportRecordsAndNone) {
  const clap_event_transport playing = tools::make_transport(120.0, true, 48000, 48000.0);
  const clap_event_transport later = tools::make_transport(90.0, true, 96000, 48000.0);
  InputEvents events;
  events.add_transport(200, later);  // a new transport in the middle of the block
  fill_input(512);
  EXPECT_NE(instance.process(512, &events, nullptr, &playing), CLAP_PROCESS_ERROR);
  EXPECT_NE(instance.process(512, nullptr, nullptr, nullptr), CLAP_PROCESS_ERROR);
  const clap_event_transport stopped = tools::make_transport(120.0, false, 0, 48000.0);
  EXPECT_NE(instance.process(512, nullptr, nullptr, &stopped), CLAP_PROCESS_ERROR);
}

TEST_F(ClapProcess, ForeignAndNoteEventsAreSkipped) {
  clap_event_header foreign{sizeof(clap_event_header), 10, 7, CLAP_EVENT_PARAM_VALUE, 0};
  InputEvents events;
  events.add_raw(foreign);
  struct {
    clap_event_header header;
    std::int32_t note_id;
    std::int16_t port_index, channel, key;
    double velocity;
  } note{{40, 20, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_NOTE_ON, 0}, 1, 0, 0, 60, 1.0};
  static_assert(sizeof(note) == 40);
  events.add_raw(note.header);
  fill_input(64);
  EXPECT_NE(instance.process(64, &events), CLAP_PROCESS_ERROR);
  for (std::uint32_t i = 0; i < 64; ++i) ASSERT_NEAR(instance.output(1)[i], kInput, 1e-5f);
}

TEST(ClapFlush, AppliesValuesWithAndWithoutProcessing) {
  PluginModule module(vessimor_clap_path());
  PluginInstance instance(module);
  ASSERT_TRUE(instance.init());
  const clap_param_info swarm = param_named(instance, "Swarm Count");
  EXPECT_NE(swarm.flags & CLAP_PARAM_IS_STEPPED, 0u);
  EXPECT_EQ(swarm.max_value, 14.0);

  // Before activation.
  InputEvents set;
  set.add_param_value(0, swarm.id, 6.0);
  OutputEvents out;
  instance.flush(&set, &out);
  EXPECT_NEAR(*instance.param_value(swarm.id), 6.0, 1e-5);
  EXPECT_EQ(instance.value_to_text(swarm.id, 6.0), "8");
  // Nothing in, nothing out: no change.
  instance.flush(nullptr, nullptr);
  instance.flush(nullptr, &out);
  EXPECT_NEAR(*instance.param_value(swarm.id), 6.0, 1e-5);
  EXPECT_EQ(out.size(), 0u);

  // While processing, flush runs on the audio thread between blocks.
  ASSERT_TRUE(instance.activate(48000.0, 1, 64));
  ASSERT_TRUE(instance.start_processing());
  instance.run_on_audio_thread([&] {
    InputEvents none;
    instance.process_here(64, &none, &out, nullptr);
  });
  InputEvents later;
  later.add_param_value(0, swarm.id, 2.0);
  instance.run_on_audio_thread([&] { instance.flush(&later, &out); });
  EXPECT_NEAR(*instance.param_value(swarm.id), 2.0, 1e-5);
  EXPECT_EQ(instance.calls().wrong_thread.load(), 0);
}

TEST(ClapParams, TextBothWaysThroughTheHost) {
  PluginModule module(vessimor_clap_path());
  PluginInstance instance(module);
  ASSERT_TRUE(instance.init());
  const auto infos = instance.param_infos();
  ASSERT_EQ(infos.size(), 29u);
  for (const clap_param_info& info : infos) {
    const auto text = instance.value_to_text(info.id, info.default_value);
    ASSERT_TRUE(text) << info.name;
    const auto back = instance.text_to_value(info.id, *text);
    ASSERT_TRUE(back) << info.name << ": " << *text;
    // Reading the text back shows the same text again.
    EXPECT_EQ(instance.value_to_text(info.id, *back), text) << info.name;
  }
  // Across each whole range too: a text a host shows must read back to a value with that text.
  for (const clap_param_info& info : infos) {
    for (int i = 0; i <= 1000; ++i) {
      const double value = info.max_value * i / 1000.0;
      const auto text = instance.value_to_text(info.id, value);
      ASSERT_TRUE(text) << info.name;
      const auto back = instance.text_to_value(info.id, *text);
      ASSERT_TRUE(back) << info.name << ": " << *text;
      EXPECT_EQ(instance.value_to_text(info.id, *back), text) << info.name << " at " << value;
    }
  }
  EXPECT_FALSE(instance.value_to_text(0x7FFFFFFFu, 0.0));
  EXPECT_FALSE(instance.text_to_value(param_named(instance, "Mix").id, "lots"));

  // Stepped parameters are read in host units: 0 to their step count.
  EXPECT_EQ(instance.value_to_text(param_named(instance, "Lock Motion Enable").id, 1.0), "On");
  EXPECT_EQ(instance.value_to_text(param_named(instance, "Lock Motion Shape").id, 2.0), "Saw");
  EXPECT_EQ(instance.value_to_text(param_named(instance, "Character Mode").id, 3.0), "Fold");
  const auto count = instance.text_to_value(param_named(instance, "Swarm Count").id, "9");
  ASSERT_TRUE(count);
  EXPECT_NEAR(*count, 7.0, 1e-5);
}

}  // namespace
}  // namespace vessimor::test

namespace vessimor::test {
namespace {

TEST(ClapParams, InfosMatchTheEffectsParameterSet) {
  PluginModule module(vessimor_clap_path());
  PluginInstance instance(module);
  ASSERT_TRUE(instance.init());
  const auto infos = instance.param_infos();
  const VessimorParams params;
  const ParamMap map = params.param_map();
  ASSERT_EQ(infos.size(), map.size());
  for (std::size_t i = 0; i < map.size(); ++i) {
    const clap_param_info& info = infos[i];
    const ParamPtr& param = map[i].param;
    SCOPED_TRACE(map[i].id);
    EXPECT_EQ(info.id, hash_param_id(map[i].id));
    EXPECT_EQ(std::string(info.name), param.name());
    EXPECT_STREQ(info.module, "");
    EXPECT_EQ(info.cookie, nullptr);
    EXPECT_EQ(info.min_value, 0.0);
    const double max = param.step_count() ? *param.step_count() : 1.0;
    EXPECT_EQ(info.max_value, max);
    EXPECT_NEAR(info.default_value, max * param.default_normalized_value(), 1e-6);
    EXPECT_NEAR(*instance.param_value(info.id), info.default_value, 1e-5);
    EXPECT_NE(info.flags & CLAP_PARAM_IS_AUTOMATABLE, 0u);
    EXPECT_NE(info.flags & CLAP_PARAM_IS_MODULATABLE, 0u);
    EXPECT_EQ((info.flags & CLAP_PARAM_IS_STEPPED) != 0, param.step_count().has_value());
  }
  clap_param_info past_end{};
  EXPECT_FALSE(instance.params().get_info(instance.plugin(), 29, &past_end));

  // What hosts keep in projects: 29 parameters under the hashes of their ids, in this order.
  ASSERT_EQ(infos.size(), 29u);
  EXPECT_EQ(infos.front().id, hash_param_id("input_gain"));
  EXPECT_EQ(infos.back().id, hash_param_id("comb_mix"));
  EXPECT_STREQ(infos.back().name, "Comb Mix");
  std::size_t continuous = 0;
  for (const clap_param_info& info : infos) {
    continuous += (info.flags & CLAP_PARAM_IS_STEPPED) == 0 ? 1 : 0;
  }
  EXPECT_EQ(continuous, 20u);
  const clap_param_info swarm = param_named(instance, "Swarm Count");
  EXPECT_EQ(swarm.max_value, 14.0);
  EXPECT_NEAR(swarm.default_value, 2.0, 1e-5);
  EXPECT_EQ(param_named(instance, "Lock Motion Rate").max_value, 8.0);
  EXPECT_EQ(param_named(instance, "Lock Motion Enable").max_value, 1.0);
}

// Hosts show, store and compare a stepped parameter's value as the whole number it stands for;
// 2.0000000894 for a swarm of four would be a fraction in every project and automation lane.
TEST(ClapParams, SteppedValuesAreWholeNumbersAtEveryStep) {
  PluginModule module(vessimor_clap_path());
  PluginInstance instance(module);
  ASSERT_TRUE(instance.init());
  int stepped = 0;
  for (const clap_param_info& info : instance.param_infos()) {
    if ((info.flags & CLAP_PARAM_IS_STEPPED) == 0) continue;
    ++stepped;
    SCOPED_TRACE(info.name);
    EXPECT_EQ(info.default_value, std::round(info.default_value));
    EXPECT_EQ(*instance.param_value(info.id), info.default_value);
    for (double step = 0.0; step <= info.max_value; step += 1.0) {
      InputEvents set;
      set.add_param_value(0, info.id, step);
      instance.flush(&set, nullptr);
      EXPECT_EQ(*instance.param_value(info.id), step);
      EXPECT_EQ(instance.text_to_value(info.id, *instance.value_to_text(info.id, step)), step);
    }
  }
  EXPECT_EQ(stepped, 9);
}

TEST(ClapProcessSweep, AnyBlockSizeAndSampleRateGivesFiniteBoundedOutput) {
  PluginModule module(vessimor_clap_path());
  std::mt19937 random(99);
  for (double rate : {8000.0, 22050.0, 44100.0, 96000.0, 192000.0, 384000.0}) {
    SCOPED_TRACE(rate);
    PluginInstance instance(module);
    ASSERT_TRUE(instance.init());
    // A loud, busy setting: full wet swarm carrier with folding and comb feedback.
    InputEvents loud;
    for (const auto& [name, value] :
         std::vector<std::pair<std::string, double>>{{"Mix", 1.0},
                                                     {"Input Gain", 1.0},
                                                     {"Output Gain", 1.0},
                                                     {"Carrier Mode", 2.0},
                                                     {"Character Mode", 3.0},
                                                     {"Comb Feedback", 1.0},
                                                     {"Comb Mix", 1.0}}) {
      loud.add_param_value(0, param_named(instance, name).id, value);
    }
    instance.flush(&loud, nullptr);
    ASSERT_TRUE(instance.activate(rate, 1, 16384));
    ASSERT_TRUE(instance.start_processing());
    std::uniform_int_distribution<std::uint32_t> size(1, 16384);
    std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
    for (int block = 0; block < 6; ++block) {
      const std::uint32_t frames = block == 0 ? 1 : block == 1 ? 16384 : size(random);
      for (std::size_t c = 0; c < 2; ++c) {
        for (std::uint32_t i = 0; i < frames; ++i) instance.input(c)[i] = sample(random);
      }
      ASSERT_NE(instance.process(frames), CLAP_PROCESS_ERROR);
      for (std::size_t c = 0; c < 2; ++c) {
        for (std::uint32_t i = 0; i < frames; ++i) {
          const float v = instance.output(c)[i];
          ASSERT_TRUE(std::isfinite(v) && std::fabs(v) <= 4.0f) << frames << " " << i << " " << v;
        }
      }
    }
  }
}

}  // namespace
}  // namespace vessimor::test

namespace vessimor::test {
namespace {

TEST_F(ClapProcess, ProcessAllocatesNothingOnTheAudioThread) {
  const clap_event_transport transport = tools::make_transport(120.0, true, 0, 48000.0);
  InputEvents events;
  events.add_param_value(0, output_gain.id, 0.3);
  events.add_param_value(128, mix.id, 0.7);
  events.add_param_mod(256, output_gain.id, 0.1);
  events.add_transport(300, transport);
  OutputEvents out;
  fill_input(512);
  ASSERT_NE(instance.process(512, &events, &out, &transport), CLAP_PROCESS_ERROR);  // warm up

  std::size_t allocations = 0;
  clap_process_status status = CLAP_PROCESS_ERROR;
  events.clear();
  events.add_param_value(64, output_gain.id, 0.6);
  events.add_param_value(200, mix.id, 0.2);
  instance.run_on_audio_thread([&] {
    AllocationHook hook;
    status = instance.process_here(512, &events, &out, &transport);
    allocations = hook.count();
  });
  EXPECT_NE(status, CLAP_PROCESS_ERROR);
  EXPECT_EQ(allocations, 0u);
}

// Guards the test above: the hook must count the module's own operator new, not only ours.
TEST(ClapAllocationHook, SeesAllocationsMadeInsideThePlugin) {
  PluginModule module(vessimor_clap_path());
  PluginInstance instance(module);
  ASSERT_TRUE(instance.init());
  const auto* state = instance.extension<clap_plugin_state>(CLAP_EXT_STATE);
  ASSERT_NE(state, nullptr);
  // A stream into a fixed buffer, so that only the plug-in can allocate during the save.
  static std::array<char, 1 << 16> buffer;
  static std::size_t used = 0;
  const clap_ostream stream{nullptr, [](const clap_ostream*, const void* data, std::uint64_t size) {
                              const std::size_t n =
                                  std::min<std::size_t>(size, buffer.size() - used);
                              std::memcpy(buffer.data() + used, data, n);
                              used += n;
                              return static_cast<std::int64_t>(n);
                            }};
  std::size_t allocations = 0;
  {
    AllocationHook hook;
    ASSERT_TRUE(state->save(instance.plugin(), &stream));
    allocations = hook.count();
  }
  EXPECT_GT(used, 8u);
  EXPECT_GT(allocations, 0u);
}

}  // namespace
}  // namespace vessimor::test
