// The audio road: sub-blocks at events, transport, status mapping, events to the host.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>

#include "tests/support/alloc_hook.hpp"
#include "tests/wrapper/clap/instance.hpp"

namespace vessimor::test {
namespace {

class ClapProcess : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(instance.activate(48000.0, 1024)); }
  void TearDown() override { probe().result = ProcessResult::normal(); }

  Instance instance;
};

TEST_F(ClapProcess, BlocksSplitAtEventsAndEachAppliesAtItsOwnSample) {
  EventList events;
  events.param_value(0, GAIN_ID, 0.25);   // gain 0.5 from sample 0
  events.param_value(64, GAIN_ID, 1.0);   // superseded by the next one at the same sample
  events.param_value(64, GAIN_ID, 0.75);  // gain 1.5 from sample 64
  StereoBlock block(128);
  EXPECT_EQ(instance.process(block, 128, &events), CLAP_PROCESS_CONTINUE_IF_NOT_QUIET);
  ASSERT_EQ(probe().records.size(), 2u);
  EXPECT_EQ(probe().records[0].samples, 64u);
  EXPECT_FLOAT_EQ(probe().records[0].gain, 0.5F);
  EXPECT_EQ(probe().records[1].samples, 64u);
  EXPECT_FLOAT_EQ(probe().records[1].gain, 1.5F);
  EXPECT_FLOAT_EQ(block.left[63], 0.5F);
  EXPECT_FLOAT_EQ(block.right[64], 1.5F);
}

TEST_F(ClapProcess, TheFirstEventOfABlockAlsoWaitsForItsSample) {
  EventList events;
  events.param_value(100, GAIN_ID, 0.25);
  StereoBlock block(128);
  instance.process(block, 128, &events);
  ASSERT_EQ(probe().records.size(), 2u);
  EXPECT_EQ(probe().records[0].samples, 100u);
  EXPECT_FLOAT_EQ(probe().records[0].gain, 1.0F);
  EXPECT_FLOAT_EQ(probe().records[1].gain, 0.5F);
  EXPECT_FLOAT_EQ(block.left[99], 1.0F);
  EXPECT_FLOAT_EQ(block.left[100], 0.5F);
}

TEST_F(ClapProcess, EventTimesPastTheBlockAreClampedIntoIt) {
  EventList events;
  events.param_value(500, GAIN_ID, 0.25);
  StereoBlock block(128);
  instance.process(block, 128, &events);
  ASSERT_EQ(probe().records.size(), 2u);
  EXPECT_EQ(probe().records[0].samples, 127u);
  EXPECT_EQ(probe().records[1].samples, 1u);
  EXPECT_FLOAT_EQ(block.left[127], 0.5F);
}

TEST_F(ClapProcess, NonFiniteHostValuesAreIgnored) {
  EventList events;
  events.param_value(0, GAIN_ID, std::numeric_limits<double>::quiet_NaN());
  events.param_value(0, GAIN_ID, std::numeric_limits<double>::infinity());
  events.param_mod(0, GAIN_ID, -std::numeric_limits<double>::infinity());
  events.param_value(0, COUNT_ID, std::numeric_limits<double>::quiet_NaN());
  events.param_value(0, 12345, 0.5);  // no such parameter
  events.note_on(0);
  StereoBlock block(32);
  instance.process(block, 32, &events);
  EXPECT_DOUBLE_EQ(instance.value_of(GAIN_ID), 0.5);
  EXPECT_NEAR(instance.value_of(COUNT_ID), 2.0, 1e-6);
  EXPECT_FLOAT_EQ(block.left[0], 1.0F);
}

TEST_F(ClapProcess, AnEmptyBlockStillTakesItsEvents) {
  EventList events;
  events.param_value(5, GAIN_ID, 0.25);
  StereoBlock block(1);
  EXPECT_EQ(instance.process(block, 0, &events), CLAP_PROCESS_CONTINUE_IF_NOT_QUIET);
  EXPECT_TRUE(probe().records.empty());
  EXPECT_DOUBLE_EQ(instance.value_of(GAIN_ID), 0.25);
}

TEST_F(ClapProcess, MonophonicModulationSplitsAndShowsInTheValue) {
  EventList events;
  events.param_mod(16, GAIN_ID, 0.25, 7);  // a note id on a parameter without polyphony
  StereoBlock block(32);
  instance.process(block, 32, &events);
  ASSERT_EQ(probe().records.size(), 2u);
  EXPECT_FLOAT_EQ(probe().records[1].gain, 1.5F);
  EXPECT_DOUBLE_EQ(instance.value_of(GAIN_ID), 0.75);
}

TEST_F(ClapProcess, TransportComesFromTheHostAndFollowsEachSubBlock) {
  clap_event_transport host{};
  host.flags = CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE |
               CLAP_TRANSPORT_HAS_SECONDS_TIMELINE | CLAP_TRANSPORT_HAS_TIME_SIGNATURE |
               CLAP_TRANSPORT_IS_PLAYING;
  host.tempo = 120.0;
  host.song_pos_beats = 2 * CLAP_BEATTIME_FACTOR;
  host.song_pos_seconds = 1 * CLAP_SECTIME_FACTOR;
  host.tsig_num = 4;
  host.tsig_denom = 4;
  host.bar_number = 0;
  clap_event_transport moved = host;
  moved.song_pos_beats = 7 * CLAP_BEATTIME_FACTOR;
  moved.song_pos_seconds = 3 * CLAP_SECTIME_FACTOR + CLAP_SECTIME_FACTOR / 2;
  StereoBlock block(1024);
  // A one-second block at 1 kHz keeps the arithmetic exact.
  instance.plugin->deactivate(instance.plugin);
  ASSERT_TRUE(instance.activate(1000.0, 1024));
  EventList at_half;
  at_half.transport(500, moved);
  instance.process(block, 1000, &at_half, nullptr, &host);
  ASSERT_EQ(probe().records.size(), 2u);
  const ProcessRecord& first = probe().records[0];
  EXPECT_TRUE(first.playing);
  EXPECT_EQ(first.tempo, 120.0);
  EXPECT_EQ(first.pos_beats, 2.0);
  EXPECT_EQ(first.pos_seconds, 1.0);
  const ProcessRecord& second = probe().records[1];
  // Half a second at 120 BPM is one beat further than the new record says.
  EXPECT_EQ(second.pos_beats, 8.0);
  EXPECT_EQ(second.pos_seconds, 4.0);
  EXPECT_EQ(second.bar_number, 2);

  StereoBlock plain(64);
  probe().clear_records();
  instance.process(plain, 64);
  ASSERT_EQ(probe().records.size(), 1u);
  EXPECT_FALSE(probe().records[0].playing);
  EXPECT_FALSE(probe().records[0].tempo.has_value());
}

TEST_F(ClapProcess, NoOutputChannelsSkipsThePlugin) {
  StereoBlock block(64);
  clap_process record{};
  record.frames_count = 64;
  clap_audio_buffer empty{};
  record.audio_inputs = &block.buffer;
  record.audio_inputs_count = 1;
  record.audio_outputs = &empty;
  record.audio_outputs_count = 1;
  EXPECT_EQ(instance.plugin->process(instance.plugin, &record), CLAP_PROCESS_CONTINUE_IF_NOT_QUIET);
  EXPECT_TRUE(probe().records.empty());
}

TEST_F(ClapProcess, StatusesMapToTheHostsAndTheTail) {
  const auto* tail = instance.extension<clap_plugin_tail>(CLAP_EXT_TAIL);
  StereoBlock block(64);
  probe().result = ProcessResult::tail(300);
  EXPECT_EQ(instance.process(block, 64), CLAP_PROCESS_CONTINUE);
  EXPECT_EQ(tail->get(instance.plugin), 300u);
  probe().result = ProcessResult::keep_alive();
  EXPECT_EQ(instance.process(block, 64), CLAP_PROCESS_CONTINUE);
  EXPECT_EQ(tail->get(instance.plugin), 4294967295u);

  probe().result = ProcessResult::error("broken");
  probe().clear_records();
  EventList events;
  events.param_value(32, GAIN_ID, 0.25);
  EXPECT_EQ(instance.process(block, 64, &events), CLAP_PROCESS_ERROR);
  EXPECT_EQ(probe().records.size(), 1u);  // the second sub-block is not processed
  EXPECT_EQ(tail->get(instance.plugin), 0u);
}

TEST_F(ClapProcess, EditorEditsLeaveAtTheNextBlockAndReachTheParameter) {
  const auto* gui = instance.extension<clap_plugin_gui>(CLAP_EXT_GUI);
  clap_window window{CLAP_WINDOW_API_COCOA, {nullptr}};
  ASSERT_TRUE(gui->set_parent(instance.plugin, &window));
  auto context = editor_log().context;
  ASSERT_NE(context, nullptr);
  auto* plugin = static_cast<clap::Wrapper<TestPlugin>*>(instance.plugin->plugin_data);
  const std::optional<ParamPtr> shape = plugin->param_of(SHAPE_ID);
  ASSERT_TRUE(shape.has_value());

  context->raw_begin_set_parameter(*shape);
  context->raw_set_parameter_normalized(*shape, 0.5F);
  context->raw_end_set_parameter(*shape);
  EXPECT_EQ(instance.host.request_flush_calls, 3);
  EXPECT_DOUBLE_EQ(instance.value_of(SHAPE_ID), 0.0);  // unchanged until the host takes it

  OutputList out;
  StereoBlock block(64);
  instance.process(block, 64, nullptr, &out);
  ASSERT_EQ(out.sent.size(), 3u);
  EXPECT_EQ(out.sent[0].type, CLAP_EVENT_PARAM_GESTURE_BEGIN);
  EXPECT_EQ(out.sent[1].type, CLAP_EVENT_PARAM_VALUE);
  EXPECT_EQ(out.sent[1].param_id, SHAPE_ID);
  EXPECT_DOUBLE_EQ(out.sent[1].value, 2.0);
  EXPECT_EQ(out.sent[2].type, CLAP_EVENT_PARAM_GESTURE_END);
  for (const auto& sent : out.sent) {
    EXPECT_EQ(sent.time, 0u);
    EXPECT_EQ(sent.flags, CLAP_EVENT_IS_LIVE);
  }
  EXPECT_DOUBLE_EQ(instance.value_of(SHAPE_ID), 2.0);
}

TEST_F(ClapProcess, EditorEditsDuringABlockLeaveAtTheirOwnSubBlocksStart) {
  const auto* gui = instance.extension<clap_plugin_gui>(CLAP_EXT_GUI);
  clap_window window{CLAP_WINDOW_API_COCOA, {nullptr}};
  ASSERT_TRUE(gui->set_parent(instance.plugin, &window));
  auto context = editor_log().context;
  auto* plugin = static_cast<clap::Wrapper<TestPlugin>*>(instance.plugin->plugin_data);
  const ParamPtr shape = *plugin->param_of(SHAPE_ID);
  // One edit before the call, one while the second sub-block (from sample 64) runs, after the
  // first sub-block's events have gone to the host.
  context->raw_set_parameter_normalized(shape, 0.25F);
  probe().during_process = [&] {
    if (probe().records.size() == 1) context->raw_set_parameter_normalized(shape, 0.75F);
  };
  EventList events;
  events.param_value(64, GAIN_ID, 0.5);
  OutputList out;
  StereoBlock block(128);
  instance.process(block, 128, &events, &out);
  probe().during_process = nullptr;
  ASSERT_EQ(probe().records.size(), 2u);
  ASSERT_EQ(out.sent.size(), 2u);
  EXPECT_EQ(out.sent[0].time, 0u);
  EXPECT_DOUBLE_EQ(out.sent[0].value, 1.0);
  EXPECT_EQ(out.sent[1].time, 64u);
  EXPECT_DOUBLE_EQ(out.sent[1].value, 3.0);
  EXPECT_DOUBLE_EQ(instance.value_of(SHAPE_ID), 3.0);
}

TEST_F(ClapProcess, EditorValuesAreClampedWholeStepsAndNaNIsDropped) {
  const auto* gui = instance.extension<clap_plugin_gui>(CLAP_EXT_GUI);
  clap_window window{CLAP_WINDOW_API_COCOA, {nullptr}};
  ASSERT_TRUE(gui->set_parent(instance.plugin, &window));
  auto context = editor_log().context;
  auto* plugin = static_cast<clap::Wrapper<TestPlugin>*>(instance.plugin->plugin_data);
  context->raw_set_parameter_normalized(*plugin->param_of(COUNT_ID), 7.0F);
  context->raw_set_parameter_normalized(*plugin->param_of(GAIN_ID), -3.0F);
  context->raw_set_parameter_normalized(*plugin->param_of(GAIN_ID),
                                        std::numeric_limits<float>::quiet_NaN());
  // 2/14 as a 32-bit float, times 14, is 2.0000000894: the host must get exactly 2.
  context->raw_set_parameter_normalized(*plugin->param_of(COUNT_ID), 2.0F / 14.0F);
  OutputList out;
  const auto* params = &instance.params();
  params->flush(instance.plugin, nullptr, out.get());
  ASSERT_EQ(out.sent.size(), 3u);
  EXPECT_EQ(out.sent[0].value, 14.0);
  EXPECT_EQ(out.sent[1].value, 0.0);
  EXPECT_EQ(out.sent[2].value, 2.0);
}

TEST_F(ClapProcess, ProcessingAllocatesNothing) {
  EventList events;
  for (std::uint32_t t = 0; t < 256; t += 16) {
    events.param_value(t, GAIN_ID, (t % 32 == 0) ? 0.25 : 0.75);
    events.param_mod(t + 1, COUNT_ID, 0.1);
  }
  clap_event_transport host{};
  host.flags =
      CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE | CLAP_TRANSPORT_IS_PLAYING;
  host.tempo = 100.0;
  events.transport(100, host);
  OutputList out;
  out.sent.reserve(16);
  StereoBlock block(256);
  instance.process(block, 256, &events, &out, &host);  // warm-up
  AllocationHook hook;
  instance.process(block, 256, &events, &out, &host);
  EXPECT_EQ(hook.count(), 0u);
}

}  // namespace
}  // namespace vessimor::test
