// Our host against a tiny probe plug-in: threads, sample offsets, callbacks and chunked state.
#include <gtest/gtest.h>

#include "tools/clap_host/host.hpp"
#include "tools/clap_host/streams.hpp"

namespace vessimor::test {
namespace {

using namespace vessimor::tools;

constexpr clap_id kGain = 7;
constexpr clap_id kMisplacedCalls = 8;
constexpr clap_id kMainThreadCallbacks = 9;

class HostProbe : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(instance.init());
    ASSERT_TRUE(instance.activate(48000.0, 1, 256));
    ASSERT_TRUE(instance.start_processing());
  }
  void TearDown() override {
    instance.destroy();
    EXPECT_EQ(instance.calls().wrong_thread.load(), 0);
  }

  PluginModule module{VESSIMOR_PROBE_CLAP_PATH};
  PluginInstance instance{module};
};

TEST_F(HostProbe, AudioCallsRunOnTheirOwnThreadAndMainCallsOnTheMain) {
  EXPECT_NE(instance.audio_thread(), instance.main_thread());
  instance.process(256);
  instance.reset();
  instance.stop_processing();
  instance.deactivate();
  EXPECT_EQ(instance.param_value(kMisplacedCalls), 0.0);
  EXPECT_GT(instance.calls().thread_check_calls.load(), 0);
}

TEST_F(HostProbe, EventsReachThePluginAtTheirOffsets) {
  for (std::size_t c = 0; c < 2; ++c) std::fill_n(instance.input(c).begin(), 256, 1.0f);
  InputEvents events;
  events.add_param_value(10, kGain, 0.5);
  events.add_param_value(200, kGain, 2.0);
  OutputEvents out;
  ASSERT_EQ(instance.process(256, &events, &out), CLAP_PROCESS_CONTINUE);
  EXPECT_EQ(instance.output(0)[9], 1.0f);
  EXPECT_EQ(instance.output(0)[10], 0.5f);
  EXPECT_EQ(instance.output(1)[199], 0.5f);
  EXPECT_EQ(instance.output(1)[200], 2.0f);
  const auto pushed = out.events();
  ASSERT_EQ(pushed.size(), 1u);
  EXPECT_EQ(pushed[0].param_id, kGain);
  EXPECT_EQ(pushed[0].value, 2.0);
}

TEST_F(HostProbe, MainLoopAnswersCallbackRequestsFromTheAudioThread) {
  InputEvents events;
  events.add_param_value(0, kGain, 0.25);
  instance.process(64, &events);
  EXPECT_EQ(instance.calls().request_callback.load(), 1);
  instance.main_loop_step();  // no-op when the wait already served it
  EXPECT_EQ(instance.param_value(kMainThreadCallbacks), 1.0);
  EXPECT_FALSE(instance.main_loop_step());  // nothing pending any more
  EXPECT_EQ(instance.param_value(kMisplacedCalls), 0.0);
}

TEST_F(HostProbe, StateThroughThreeByteStreams) {
  InputEvents events;
  events.add_param_value(0, kGain, 1.5);
  instance.flush(&events, nullptr);
  const auto saved = instance.save_state(3);
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->size(), sizeof(double));
  events.clear();
  events.add_param_value(0, kGain, 0.0);
  instance.flush(&events, nullptr);
  ASSERT_TRUE(instance.load_state(*saved, 3));
  EXPECT_EQ(instance.param_value(kGain), 1.5);
  EXPECT_FALSE(instance.load_state({1, 2, 3}, 3));  // ends early
}

TEST(HostModule, LoadFailuresNameThePath) {
  try {
    PluginModule module("/nonexistent/Nothing.clap");
    FAIL();
  } catch (const HostError& error) {
    EXPECT_NE(std::string(error.what()).find("/nonexistent/Nothing.clap"), std::string::npos);
  }
  PluginModule module(VESSIMOR_PROBE_CLAP_PATH);
  EXPECT_THROW(PluginInstance(module, {}, std::string("test.other")), HostError);
}

}  // namespace
}  // namespace vessimor::test
