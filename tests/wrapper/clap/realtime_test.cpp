// The audio thread's whole process call, while states arrive from the editor and from the host and
// the audio thread initialises the plug-in again for them: no allocation, no lock, and so no
// waiting on the main thread.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "tests/support/audio_thread.hpp"
#include "tests/wrapper/clap/instance.hpp"

namespace vessimor::test {
namespace {

// A host audio thread that processes 64-frame blocks until stopped, measuring each whole call.
class AudioThread : public MeasuredAudioThread {
 public:
  explicit AudioThread(Instance& instance)
      : MeasuredAudioThread(
            [&instance, host = std::make_shared<HostSide>()] {
              instance.process(host->block, 64, &host->automation);
            },
            std::chrono::microseconds(200)) {}

 private:
  struct HostSide {
    HostSide() {
      automation.param_value(32, COUNT_ID, 7.0);
    }  // splits the block, notifies the editor
    StereoBlock block{64};
    EventList automation;
  };
};

class ClapRealtime : public ::testing::Test {
 protected:
  void SetUp() override {
    Instance source;
    EventList in;
    in.param_value(0, GAIN_ID, 0.25);
    in.param_value(0, SHAPE_ID, 3.0);
    source.params().flush(source.plugin, in.get(), nullptr);
    ChunkedOutStream out(4096);
    ASSERT_TRUE(source.state().save(source.plugin, out.get()));
    saved = out.bytes;
    state = static_cast<clap::Wrapper<TestPlugin>*>(source.plugin->plugin_data)->state_object();

    ASSERT_TRUE(instance.activate(48000.0, 256));
    const auto* gui = instance.extension<clap_plugin_gui>(CLAP_EXT_GUI);
    clap_window window{CLAP_WINDOW_API_COCOA, {nullptr}};
    ASSERT_TRUE(gui->set_parent(instance.plugin, &window));
    ASSERT_TRUE(instance.plugin->start_processing(instance.plugin));
  }

  void TearDown() override { instance.plugin->stop_processing(instance.plugin); }

  Instance instance;
  std::string saved;
  PluginState state;
};

TEST_F(ClapRealtime, EditorStateIsServedWithoutAllocatingOrLocking) {
  AudioThread audio(instance);
  const int resets = probe().reset_calls.load();
  editor_log().context->set_state(state);
  EXPECT_DOUBLE_EQ(instance.value_of(GAIN_ID), 0.25);
  ASSERT_TRUE(wait_for_reset_after(resets));
  EXPECT_EQ(probe().reset_on.load(), audio.id());
  expect_realtime_safe(audio.stop());
}

TEST_F(ClapRealtime, HostStateLoadDuringProcessingNeverHoldsUpTheAudioThread) {
  AudioThread audio(instance);
  const int resets = probe().reset_calls.load();
  editor_log().all_values = 0;
  ChunkedInStream in(saved, 64);
  ASSERT_TRUE(instance.state().load(instance.plugin, in.get()));
  EXPECT_DOUBLE_EQ(instance.value_of(GAIN_ID), 0.25);
  EXPECT_DOUBLE_EQ(instance.value_of(SHAPE_ID), 3.0);
  // The host and the editor learn about it from the load itself, on the main thread.
  EXPECT_EQ(editor_log().all_values, 1);
  EXPECT_EQ(instance.host.rescan_calls, 1);
  ASSERT_TRUE(wait_for_reset_after(resets));
  EXPECT_EQ(probe().reset_on.load(), audio.id());
  expect_realtime_safe(audio.stop());
}

}  // namespace
}  // namespace vessimor::test
