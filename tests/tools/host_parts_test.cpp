// The host's own parts, without a plug-in: command line, test signals, streams and event lists.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "tools/clap_host/events.hpp"
#include "tools/clap_host/render_options.hpp"
#include "tools/clap_host/streams.hpp"
#include "tools/clap_host/test_signal.hpp"

namespace vessimor::test {
namespace {

using namespace vessimor::tools;

TEST(RenderOptions, ParsesEveryOption) {
  const RenderOptions o = parse_render_options(
      {"--preset", "Robot Voice", "--set", "mix=0.5", "-s", "char_mode=Fold", "--seconds=2.5",
       "--sample-rate", "96000", "--signal", "sweep", "--tempo", "90", "--block-size", "64",
       "--plugin", "/x/V.clap", "out.wav"});
  EXPECT_EQ(o.output_path, "out.wav");
  EXPECT_EQ(o.preset, "Robot Voice");
  ASSERT_EQ(o.overrides.size(), 2u);
  EXPECT_EQ(o.overrides[0].id, "mix");
  EXPECT_EQ(o.overrides[0].value, "0.5");
  EXPECT_EQ(o.overrides[1].id, "char_mode");
  EXPECT_EQ(o.overrides[1].value, "Fold");
  EXPECT_EQ(o.seconds, 2.5);
  EXPECT_EQ(o.sample_rate, 96000.0);
  EXPECT_EQ(o.signal, "sweep");
  EXPECT_EQ(o.tempo, 90.0);
  EXPECT_EQ(o.block_size, 64u);
  EXPECT_EQ(o.plugin_path, "/x/V.clap");
  EXPECT_FALSE(o.input_path);

  const RenderOptions defaults = parse_render_options({"-i", "in.wav", "out.wav"});
  EXPECT_EQ(defaults.input_path, "in.wav");
  EXPECT_EQ(defaults.preset, "Init");
  EXPECT_EQ(defaults.block_size, 512u);
  EXPECT_TRUE(parse_render_options({"--help"}).show_help);
}

TEST(RenderOptions, RefusesMalformedCommandLines) {
  const std::vector<std::vector<std::string>> bad = {
      {},                                  // no output
      {"a.wav", "b.wav"},                  // two outputs
      {"--frobnicate", "out.wav"},         // unknown option
      {"out.wav", "--preset"},             // value missing
      {"--set", "mix", "out.wav"},         // no "="
      {"--set", "=0.5", "out.wav"},        // no id
      {"--set", "mix=", "out.wav"},        // no value
      {"--seconds", "abc", "out.wav"},     // not a number
      {"--seconds", "-1", "out.wav"},      // out of range
      {"--seconds", "nan", "out.wav"},     // not finite
      {"--block-size", "1.5", "out.wav"},  // not whole
      {"--block-size", "0", "out.wav"},
      {"--signal", "thunder", "out.wav"},  // unknown signal
  };
  for (const auto& args : bad) {
    EXPECT_THROW(parse_render_options(args), UsageError) << ::testing::PrintToString(args);
  }
}

TEST(RenderOptions, NumbersAreWholeTextsAndFinite) {
  EXPECT_EQ(parse_number("1e3"), 1000.0);
  EXPECT_EQ(parse_number("-0.25"), -0.25);
  for (const char* bad : {"", " 1", "1 ", "1x", "inf", "nan", "1e999", "0x"}) {
    EXPECT_FALSE(parse_number(bad)) << bad;
  }
}

TEST(TestSignal, DeterministicBoundedAndOfTheAskedLength) {
  for (const std::string& name : test_signal_names()) {
    const AudioData a = make_test_signal(name, 0.5, 44100.0);
    const AudioData b = make_test_signal(name, 0.5, 44100.0);
    ASSERT_EQ(a.channel_count(), 2u) << name;
    EXPECT_EQ(a.frame_count(), 22050u) << name;
    EXPECT_EQ(a.sample_rate, 44100.0);
    EXPECT_EQ(a.channels, b.channels) << name;
    float peak = 0.0f;
    for (const auto& channel : a.channels) {
      for (float v : channel) peak = std::max(peak, std::fabs(v));
    }
    EXPECT_LE(peak, 0.5f) << name;
    EXPECT_GT(peak, 0.05f) << name;
  }
  EXPECT_THROW(make_test_signal("thunder", 1.0, 48000.0), HostError);
  EXPECT_THROW(make_test_signal("sine", 0.0, 48000.0), HostError);
  EXPECT_THROW(make_test_signal("sine", 1.0, NAN), HostError);
}

TEST(Streams, MoveAtMostTheirChunkPerCall) {
  MemoryOutputStream out(3);
  const char text[] = "0123456789";
  EXPECT_EQ(out.record()->write(out.record(), text, 10), 3);
  EXPECT_EQ(out.record()->write(out.record(), text + 3, 7), 3);
  EXPECT_EQ(out.record()->write(out.record(), text + 6, 0), 0);
  EXPECT_EQ(std::string(out.bytes().begin(), out.bytes().end()), "012345");

  MemoryInputStream in({1, 2, 3, 4, 5}, 2);
  std::uint8_t buffer[8] = {};
  EXPECT_EQ(in.record()->read(in.record(), buffer, 8), 2);
  EXPECT_EQ(in.record()->read(in.record(), buffer, 8), 2);
  EXPECT_EQ(in.record()->read(in.record(), buffer, 8), 1);
  EXPECT_EQ(buffer[0], 5);
  EXPECT_EQ(in.record()->read(in.record(), buffer, 8), 0);  // end of data
}

TEST(Streams, FailAfterAGivenByteCount) {
  MemoryOutputStream out(4, 6);
  const char text[] = "0123456789";
  EXPECT_EQ(out.record()->write(out.record(), text, 10), 4);
  EXPECT_EQ(out.record()->write(out.record(), text, 10), 2);
  EXPECT_EQ(out.record()->write(out.record(), text, 10), -1);
  MemoryInputStream in(std::vector<std::uint8_t>(10, 7), 4, 5);
  std::uint8_t buffer[10];
  EXPECT_EQ(in.record()->read(in.record(), buffer, 10), 4);
  EXPECT_EQ(in.record()->read(in.record(), buffer, 10), 1);
  EXPECT_EQ(in.record()->read(in.record(), buffer, 10), -1);
}

TEST(EventLists, InputEventsKeepOrderAndBodies) {
  InputEvents events;
  events.add_param_value(3, 42, 0.75);
  events.add_param_mod(5, 43, -0.5);
  events.add_transport(9, make_transport(120.0, true, 48000, 48000.0));
  const clap_input_events* list = events.record();
  ASSERT_EQ(list->size(list), 3u);
  EXPECT_EQ(list->get(list, 3), nullptr);
  const auto* value = reinterpret_cast<const clap_event_param_value*>(list->get(list, 0));
  EXPECT_EQ(value->header.type, CLAP_EVENT_PARAM_VALUE);
  EXPECT_EQ(value->header.size, sizeof(clap_event_param_value));
  EXPECT_EQ(value->header.time, 3u);
  EXPECT_EQ(value->param_id, 42u);
  EXPECT_EQ(value->note_id, -1);
  EXPECT_EQ(value->value, 0.75);
  const auto* transport = reinterpret_cast<const clap_event_transport*>(list->get(list, 2));
  EXPECT_EQ(transport->header.type, CLAP_EVENT_TRANSPORT);
  EXPECT_EQ(transport->header.time, 9u);
  EXPECT_EQ(transport->tempo, 120.0);
  EXPECT_EQ(transport->song_pos_beats, 2 * CLAP_BEATTIME_FACTOR);  // 1 s at 120 BPM
  EXPECT_EQ(transport->song_pos_seconds, CLAP_SECTIME_FACTOR);
  EXPECT_NE(transport->flags & CLAP_TRANSPORT_IS_PLAYING, 0u);
}

TEST(EventLists, OutputEventsDecodeAndRefuseWhenFull) {
  OutputEvents out(2 * sizeof(clap_event_param_value), 8);
  clap_event_param_value value{};
  value.header = {sizeof(value), 4, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE,
                  CLAP_EVENT_IS_LIVE};
  value.param_id = 7;
  value.value = 3.0;
  clap_event_param_gesture gesture{};
  gesture.header = {sizeof(gesture), 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_GESTURE_BEGIN,
                    0};
  gesture.param_id = 7;
  const clap_output_events* list = out.record();
  EXPECT_TRUE(list->try_push(list, &gesture.header));
  EXPECT_TRUE(list->try_push(list, &value.header));
  EXPECT_FALSE(list->try_push(list, &value.header));  // no room left
  EXPECT_EQ(out.refused(), 1u);
  const auto events = out.events();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].type, CLAP_EVENT_PARAM_GESTURE_BEGIN);
  EXPECT_EQ(events[0].param_id, 7u);
  EXPECT_EQ(events[1].type, CLAP_EVENT_PARAM_VALUE);
  EXPECT_EQ(events[1].time, 4u);
  EXPECT_EQ(events[1].value, 3.0);
  EXPECT_EQ(events[1].flags, CLAP_EVENT_IS_LIVE);
}

}  // namespace
}  // namespace vessimor::test
