// The state extension and the editor's whole state, loaded without waiting for the audio thread.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <string>
#include <thread>

#include "tests/wrapper/clap/instance.hpp"

namespace vessimor::test {
namespace {

void set_values(Instance& instance) {
  EventList in;
  in.param_value(0, GAIN_ID, 0.25);
  in.param_value(0, COUNT_ID, 10.0);
  in.param_value(0, ENABLED_ID, 0.0);
  in.param_value(0, SHAPE_ID, 3.0);
  instance.params().flush(instance.plugin, in.get(), nullptr);
}

std::string saved_state(Instance& instance, std::size_t chunk) {
  ChunkedOutStream out(chunk);
  EXPECT_TRUE(instance.state().save(instance.plugin, out.get()));
  return out.bytes;
}

std::string with_prefix(std::uint64_t length, std::string body) {
  std::string bytes(8, '\0');
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<char>((length >> (8 * i)) & 0xFF);
  return bytes + body;
}

TEST(ClapState, RoundTripThroughShortReadsAndWrites) {
  std::string saved;
  {
    Instance source;
    set_values(source);
    saved = saved_state(source, 3);
  }
  ASSERT_GT(saved.size(), 8u);
  std::uint64_t length = 0;
  for (int i = 0; i < 8; ++i)
    length |= std::uint64_t{static_cast<unsigned char>(saved[i])} << (8 * i);
  EXPECT_EQ(length, saved.size() - 8);
  EXPECT_EQ(saved[8], '{');

  Instance target;
  ChunkedInStream in(saved, 5);
  ASSERT_TRUE(target.state().load(target.plugin, in.get()));
  EXPECT_DOUBLE_EQ(target.value_of(GAIN_ID), 0.25);
  EXPECT_NEAR(target.value_of(COUNT_ID), 10.0, 1e-5);
  EXPECT_DOUBLE_EQ(target.value_of(ENABLED_ID), 0.0);
  EXPECT_DOUBLE_EQ(target.value_of(SHAPE_ID), 3.0);
  EXPECT_EQ(saved_state(target, 1 << 20), saved);
}

TEST(ClapState, BrokenStreamsAreRefusedWithoutChangingAnything) {
  Instance source;
  set_values(source);
  const std::string good = saved_state(source, 4096);

  Instance target;
  const auto refused = [&](const std::string& bytes) {
    ChunkedInStream in(bytes, 7);
    const bool loaded = target.state().load(target.plugin, in.get());
    EXPECT_DOUBLE_EQ(target.value_of(GAIN_ID), 0.5);
    EXPECT_DOUBLE_EQ(target.value_of(SHAPE_ID), 0.0);
    return !loaded;
  };
  EXPECT_TRUE(refused(""));
  EXPECT_TRUE(refused(good.substr(0, 5)));
  EXPECT_TRUE(refused(good.substr(0, good.size() - 1)));
  EXPECT_TRUE(refused(with_prefix(0, "")));
  EXPECT_TRUE(refused(with_prefix(4, "{}{}")));
  // A prefix far beyond any sane state is refused before anything is allocated for it.
  EXPECT_TRUE(refused(with_prefix(std::uint64_t{1} << 40, "{}")));
  EXPECT_TRUE(refused(with_prefix((std::uint64_t{16} << 20) + 1, "{}")));

  std::mt19937 random(1234);
  std::string noise(1 << 20, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  EXPECT_TRUE(refused(noise));
  EXPECT_TRUE(refused(with_prefix(noise.size(), noise)));

  EXPECT_FALSE(target.state().load(target.plugin, nullptr));
  ChunkedOutStream failing(4, 6);
  EXPECT_FALSE(target.state().save(target.plugin, failing.get()));
}

TEST(ClapState, LoadReinitialisesOnlyAfterActivation) {
  Instance source;
  set_values(source);
  const std::string saved = saved_state(source, 4096);

  Instance target;
  const int initialized = probe().initialize_calls.load();
  ChunkedInStream before(saved, 64);
  ASSERT_TRUE(target.state().load(target.plugin, before.get()));
  EXPECT_EQ(probe().initialize_calls.load(), initialized);

  ASSERT_TRUE(target.activate());
  const int resets = probe().reset_calls.load();
  ChunkedInStream after(saved, 64);
  ASSERT_TRUE(target.state().load(target.plugin, after.get()));
  EXPECT_EQ(probe().initialize_calls.load(), initialized + 2);
  EXPECT_EQ(probe().reset_calls.load(), resets + 1);
}

// A load served by the audio thread jumps the smoothers of the parameters it sets: the block after
// it starts at the loaded value, not on a glide from the old one.
TEST(ClapState, ALoadWhileProcessingStartsTheSmoothersAtTheLoadedValues) {
  Instance source;
  set_values(source);
  const std::string saved = saved_state(source, 4096);

  Instance instance;
  ASSERT_TRUE(instance.activate());
  ASSERT_TRUE(instance.plugin->start_processing(instance.plugin));
  StereoBlock block(64);
  EventList automation;
  automation.param_value(0, GAIN_ID, 1.0);
  instance.process(block, 64, &automation);
  ChunkedInStream loaded(saved, 4096);
  ASSERT_TRUE(instance.state().load(instance.plugin, loaded.get()));
  instance.process(block, 64);
  EXPECT_FLOAT_EQ(probe().records.back().smoothed_gain, 0.5F);
  instance.plugin->stop_processing(instance.plugin);
}

class ClapEditorState : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(instance.activate(48000.0, 256));
    const auto* gui = instance.extension<clap_plugin_gui>(CLAP_EXT_GUI);
    clap_window window{CLAP_WINDOW_API_COCOA, {nullptr}};
    ASSERT_TRUE(gui->set_parent(instance.plugin, &window));
    context = editor_log().context;
    ASSERT_NE(context, nullptr);
    Instance source;
    set_values(source);
    state = editor_state_of(source);
    host_state = saved_state(source, 4096);
    gain =
        *static_cast<clap::Wrapper<TestPlugin>*>(instance.plugin->plugin_data)->param_of(GAIN_ID);
  }

  static PluginState editor_state_of(Instance& source) {
    auto* wrapper = static_cast<clap::Wrapper<TestPlugin>*>(source.plugin->plugin_data);
    return wrapper->state_object();
  }

  Instance instance;
  std::shared_ptr<GuiContext> context;
  PluginState state;
  std::string host_state;
  std::optional<ParamPtr> gain;
};

// Neither the editor's state nor a host load waits for the audio thread, even when no process call
// follows: the values are there (and saved) at once, and the audio thread initialises and resets
// the plug-in again at the start of its next call, once for both loads.
TEST_F(ClapEditorState, ALoadWhileProcessingNeverWaitsForTheAudioThread) {
  ASSERT_TRUE(instance.plugin->start_processing(instance.plugin));
  StereoBlock block(64);
  instance.process(block, 64);
  const int initialized = probe().initialize_calls.load();
  const int resets = probe().reset_calls.load();
  Instance other;
  EventList in;
  in.param_value(0, GAIN_ID, 0.75);
  other.params().flush(other.plugin, in.get(), nullptr);
  const std::string host_state = saved_state(other, 4096);

  const auto started = std::chrono::steady_clock::now();
  context->set_state(state);
  EXPECT_DOUBLE_EQ(instance.value_of(SHAPE_ID), 3.0);
  ChunkedInStream loaded(host_state, 64);
  ASSERT_TRUE(instance.state().load(instance.plugin, loaded.get()));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(500));
  EXPECT_DOUBLE_EQ(instance.value_of(GAIN_ID), 0.75);
  EXPECT_EQ(probe().initialize_calls.load(), initialized);
  EXPECT_EQ(probe().reset_calls.load(), resets);

  Instance reloaded;
  ChunkedInStream again(saved_state(instance, 4096), 4096);
  ASSERT_TRUE(reloaded.state().load(reloaded.plugin, again.get()));
  EXPECT_DOUBLE_EQ(reloaded.value_of(GAIN_ID), 0.75);

  expect_next_block_reinitialises([&] { instance.process(block, 64); });
  instance.process(block, 64);
  EXPECT_EQ(probe().initialize_calls.load(), initialized + 1);

  instance.plugin->on_main_thread(instance.plugin);
  EXPECT_EQ(instance.host.rescan_calls, 2);
  EXPECT_EQ(instance.host.last_rescan_flags, CLAP_PARAM_RESCAN_VALUES);
  instance.plugin->stop_processing(instance.plugin);
}

// What a load left for the audio thread is done when the host stops processing instead.
TEST_F(ClapEditorState, StoppingDoesWhatALoadLeftForTheAudioThread) {
  ASSERT_TRUE(instance.plugin->start_processing(instance.plugin));
  const int initialized = probe().initialize_calls.load();
  context->set_state(state);
  EXPECT_EQ(probe().initialize_calls.load(), initialized);
  instance.plugin->stop_processing(instance.plugin);
  EXPECT_EQ(probe().initialize_calls.load(), initialized + 1);
  ASSERT_TRUE(instance.plugin->start_processing(instance.plugin));
  EXPECT_EQ(probe().initialize_calls.load(), initialized + 1);
  instance.plugin->stop_processing(instance.plugin);
}

TEST_F(ClapEditorState, AppliedAtOnceWhenNotProcessing) {
  editor_log().all_values = 0;
  context->set_state(state);
  EXPECT_DOUBLE_EQ(instance.value_of(GAIN_ID), 0.25);
  EXPECT_EQ(editor_log().all_values, 1);
  EXPECT_EQ(instance.host.rescan_calls, 1);
  EXPECT_EQ(instance.host.request_resize_calls, 1);
  EXPECT_EQ(instance.host.last_resize_width, 900u);
}

// An editor edit still on its way to the host when the host loads a state is outdated: the loaded
// value is what plays and what the host reads after the next block; the host is told of the
// edit's gesture, never of its value.
TEST_F(ClapEditorState, AHostLoadWinsOverEditsQueuedBeforeIt) {
  ASSERT_TRUE(instance.plugin->start_processing(instance.plugin));
  context->raw_begin_set_parameter(*gain);
  context->raw_set_parameter_normalized(*gain, 0.9F);
  context->raw_end_set_parameter(*gain);
  ChunkedInStream loaded(host_state, 4096);
  ASSERT_TRUE(instance.state().load(instance.plugin, loaded.get()));

  OutputList out;
  StereoBlock block(64);
  instance.process(block, 64, nullptr, &out);
  EXPECT_DOUBLE_EQ(instance.value_of(GAIN_ID), 0.25);
  instance.process(block, 64, nullptr, &out);
  ASSERT_FALSE(probe().records.empty());
  EXPECT_FLOAT_EQ(probe().records.back().gain, 0.5F);
  ASSERT_EQ(out.sent.size(), 2u);
  EXPECT_EQ(out.sent[0].type, CLAP_EVENT_PARAM_GESTURE_BEGIN);
  EXPECT_EQ(out.sent[1].type, CLAP_EVENT_PARAM_GESTURE_END);
  instance.plugin->stop_processing(instance.plugin);
}

// An entry that the load skips (here a wrong-typed value) sets nothing, so the edit queued before
// the load still lands and reaches the host.
TEST_F(ClapEditorState, AnEntryTheLoadSkipsLeavesTheEditQueuedBeforeIt) {
  ASSERT_TRUE(instance.plugin->start_processing(instance.plugin));
  context->raw_begin_set_parameter(*gain);
  context->raw_set_parameter_normalized(*gain, 0.875F);
  context->raw_end_set_parameter(*gain);
  const std::string body =
      R"({"version":"0.1.0","params":{"gain":{"i32":1},"shape":{"i32":3}},"fields":{}})";
  ChunkedInStream loaded(with_prefix(body.size(), body), 4096);
  ASSERT_TRUE(instance.state().load(instance.plugin, loaded.get()));
  EXPECT_DOUBLE_EQ(instance.value_of(SHAPE_ID), 3.0);

  OutputList out;
  StereoBlock block(64);
  instance.process(block, 64, nullptr, &out);
  EXPECT_DOUBLE_EQ(instance.value_of(GAIN_ID), 0.875);
  ASSERT_EQ(out.sent.size(), 3u);
  EXPECT_EQ(out.sent[1].type, CLAP_EVENT_PARAM_VALUE);
  EXPECT_DOUBLE_EQ(out.sent[1].value, 0.875);
  instance.plugin->stop_processing(instance.plugin);
}

// Edits made after a load land as before, also inside a gesture that began before it and when the
// host flushes instead of processing.
TEST_F(ClapEditorState, EditsMadeAfterALoadStillLand) {
  context->raw_begin_set_parameter(*gain);
  context->raw_set_parameter_normalized(*gain, 0.9F);
  context->set_state(state);
  context->raw_set_parameter_normalized(*gain, 0.625F);
  context->raw_end_set_parameter(*gain);

  OutputList out;
  instance.params().flush(instance.plugin, nullptr, out.get());
  ASSERT_EQ(out.sent.size(), 3u);
  EXPECT_EQ(out.sent[0].type, CLAP_EVENT_PARAM_GESTURE_BEGIN);
  EXPECT_EQ(out.sent[1].type, CLAP_EVENT_PARAM_VALUE);
  EXPECT_DOUBLE_EQ(out.sent[1].value, 0.625);
  EXPECT_EQ(out.sent[2].type, CLAP_EVENT_PARAM_GESTURE_END);
  EXPECT_DOUBLE_EQ(instance.value_of(GAIN_ID), 0.625);
}

}  // namespace
}  // namespace vessimor::test
