// An instance of the built plug-in driven through every legal lifecycle order by our own host.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "tests/tools/clap_fixture.hpp"

namespace vessimor::test {
namespace {

using tools::HostOptions;
using tools::PluginInstance;
using tools::PluginModule;

void fill_input(PluginInstance& instance, std::uint32_t frames, float value) {
  for (std::size_t c = 0; c < 2; ++c) {
    std::fill_n(instance.input(c).begin(), frames, value);
    std::fill_n(instance.output(c).begin(), frames, 123.0f);
  }
}

bool output_finite_and_written(PluginInstance& instance, std::uint32_t frames) {
  for (std::size_t c = 0; c < 2; ++c) {
    for (std::uint32_t i = 0; i < frames; ++i) {
      const float v = instance.output(c)[i];
      if (!std::isfinite(v) || std::fabs(v) > 4.0f) return false;
    }
  }
  return true;
}

class ClapLifecycle : public ::testing::Test {
 protected:
  PluginModule module{vessimor_clap_path()};
};

TEST_F(ClapLifecycle, FullOrderWithProcessingOnTheAudioThread) {
  PluginInstance instance(module);
  ASSERT_TRUE(instance.init());
  // The wrapper asks for its host extensions once, in a fixed order.
  EXPECT_EQ(instance.queried_host_extensions(),
            (std::vector<std::string>{"clap.gui", "clap.latency", "clap.params", "clap.voice-info",
                                      "clap.thread-check"}));
  ASSERT_TRUE(instance.activate(48000.0, 1, 512));
  ASSERT_TRUE(instance.start_processing());
  EXPECT_NE(instance.audio_thread(), instance.main_thread());
  for (int block = 0; block < 8; ++block) {
    fill_input(instance, 512, 0.25f);
    const clap_process_status status = instance.process(512);
    EXPECT_TRUE(status == CLAP_PROCESS_CONTINUE || status == CLAP_PROCESS_CONTINUE_IF_NOT_QUIET)
        << status;
    EXPECT_TRUE(output_finite_and_written(instance, 512));
  }
  instance.stop_processing();
  instance.deactivate();
  instance.destroy();
  EXPECT_EQ(instance.calls().wrong_thread.load(), 0);
}

TEST_F(ClapLifecycle, EveryLegalOrder) {
  {  // created and destroyed without init
    PluginInstance instance(module);
  }
  {  // initialised, never activated
    PluginInstance instance(module);
    ASSERT_TRUE(instance.init());
  }
  {  // activated, never processed; then activated again at another rate
    PluginInstance instance(module);
    ASSERT_TRUE(instance.init());
    ASSERT_TRUE(instance.activate(44100.0, 1, 256));
    instance.deactivate();
    ASSERT_TRUE(instance.activate(96000.0, 32, 2048));
    ASSERT_TRUE(instance.start_processing());
    fill_input(instance, 2048, 0.1f);
    EXPECT_NE(instance.process(2048), CLAP_PROCESS_ERROR);
    EXPECT_TRUE(output_finite_and_written(instance, 2048));
  }  // the destructor stops, deactivates and destroys
  {  // processing started and stopped repeatedly, with resets in between
    PluginInstance instance(module);
    ASSERT_TRUE(instance.init());
    ASSERT_TRUE(instance.activate(48000.0, 1, 64));
    for (int round = 0; round < 3; ++round) {
      ASSERT_TRUE(instance.start_processing());
      fill_input(instance, 64, 0.5f);
      EXPECT_NE(instance.process(64), CLAP_PROCESS_ERROR);
      instance.reset();
      EXPECT_NE(instance.process(1), CLAP_PROCESS_ERROR);
      instance.stop_processing();
    }
  }
}

TEST_F(ClapLifecycle, SilenceInGivesSilenceOutAfterReset) {
  ActiveInstance active(module, 48000.0, 256);
  PluginInstance& instance = active.instance;
  ASSERT_TRUE(instance.start_processing());
  instance.reset();
  fill_input(instance, 256, 0.0f);
  instance.process(256);
  for (std::size_t c = 0; c < 2; ++c) {
    for (std::uint32_t i = 0; i < 256; ++i) ASSERT_EQ(instance.output(c)[i], 0.0f);
  }
}

TEST_F(ClapLifecycle, HostWithoutOptionalExtensions) {
  HostOptions bare;
  bare.offer_gui = bare.offer_latency = bare.offer_params = bare.offer_thread_check = false;
  ActiveInstance active(module, 48000.0, 128, bare);
  PluginInstance& instance = active.instance;
  ASSERT_TRUE(instance.start_processing());
  fill_input(instance, 128, 0.3f);
  EXPECT_NE(instance.process(128), CLAP_PROCESS_ERROR);
  EXPECT_TRUE(output_finite_and_written(instance, 128));
}

TEST_F(ClapLifecycle, HostWithEveryExtensionIncludingVoiceInfo) {
  HostOptions full;
  full.offer_voice_info = true;
  ActiveInstance active(module, 48000.0, 128, full);
  ASSERT_TRUE(active.instance.start_processing());
  EXPECT_NE(active.instance.process(128), CLAP_PROCESS_ERROR);
}

TEST_F(ClapLifecycle, PluginExtensionsAnsweredAndRefused) {
  PluginInstance instance(module);
  ASSERT_TRUE(instance.init());
  const clap_plugin* plugin = instance.plugin();
  for (const char* offered :
       {"clap.audio-ports", "clap.audio-ports-config", "clap.latency", "clap.params",
        "clap.remote-controls/2", "clap.render", "clap.state", "clap.tail"}) {
    EXPECT_NE(plugin->get_extension(plugin, offered), nullptr) << offered;
  }
  // The Linux module carries no editor, so it has no GUI to offer.
  for (const char* refused :
       {"clap.gui", "clap.note-ports", "clap.voice-info", "clap.remote-controls",
        "clap.audio-ports-configx", "", "clap.params "}) {
    EXPECT_EQ(plugin->get_extension(plugin, refused), nullptr) << refused;
  }
  EXPECT_EQ(plugin->get_extension(plugin, nullptr), nullptr);
}

TEST_F(ClapLifecycle, StereoPortsInPlacePairs) {
  PluginInstance instance(module);
  ASSERT_TRUE(instance.init());
  const auto* ports = instance.extension<clap_plugin_audio_ports>(CLAP_EXT_AUDIO_PORTS);
  ASSERT_NE(ports, nullptr);
  ASSERT_EQ(ports->count(instance.plugin(), true), 1u);
  ASSERT_EQ(ports->count(instance.plugin(), false), 1u);
  clap_audio_port_info in{}, out{};
  ASSERT_TRUE(ports->get(instance.plugin(), 0, true, &in));
  ASSERT_TRUE(ports->get(instance.plugin(), 0, false, &out));
  EXPECT_FALSE(ports->get(instance.plugin(), 1, true, &in));
  EXPECT_EQ(in.id, 0u);
  EXPECT_EQ(out.id, 1u);
  EXPECT_STREQ(in.name, "Input");
  EXPECT_STREQ(out.name, "Output");
  EXPECT_EQ(in.channel_count, 2u);
  EXPECT_EQ(out.channel_count, 2u);
  EXPECT_STREQ(in.port_type, "stereo");
  EXPECT_EQ(in.in_place_pair, out.id);
  EXPECT_EQ(out.in_place_pair, in.id);
}

TEST_F(ClapLifecycle, NoChannelPointersSkipsTheEffect) {
  ActiveInstance active(module, 48000.0, 64);
  ASSERT_TRUE(active.instance.start_processing());
  active.instance.set_null_channel_pointers(true);
  EXPECT_EQ(active.instance.process(64), CLAP_PROCESS_CONTINUE_IF_NOT_QUIET);
}

TEST_F(ClapLifecycle, InstancesShareOneBackgroundWorkerJoinedWithTheLast) {
  ASSERT_EQ(await_threads_named("bg-worker", 0), 0) << "another instance is still alive";
  auto first = std::make_unique<PluginInstance>(module);
  auto second = std::make_unique<PluginInstance>(module);
  ASSERT_TRUE(first->init());
  ASSERT_TRUE(second->init());
  EXPECT_EQ(await_threads_named("bg-worker", 1), 1);
  first.reset();
  EXPECT_EQ(count_threads_named("bg-worker"), 1);
  second.reset();
  // Joined with the last instance: the thread ends instead of lingering.
  EXPECT_EQ(await_threads_named("bg-worker", 0), 0);
}

}  // namespace
}  // namespace vessimor::test
