// The saved state through host streams that move a few bytes per call, start after a host's own
// header, fill up, or claim a length that cannot be right.
#include "framework/state/state.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/wrapper/vst3/test_instance.hpp"

namespace vessimor::test {
namespace {

using tools::vst3::MemoryStream;
using tools::vst3::StreamOptions;

std::vector<std::uint8_t> bytes_of(const std::string& text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

TEST(Vst3State, RoundTripsThroughStreamsThatMoveAFewBytesPerCall) {
  for (std::size_t chunk : {1u, 3u, 7u, 1u << 20}) {
    Vst3TestInstance source;
    ASSERT_EQ(source.inner().set_normalized_value_by_hash(GAIN, 0.25F), abi::kResultOk);
    MemoryStream saved({}, StreamOptions{.max_chunk = chunk});
    ASSERT_EQ(source.c().getState(source.component(), saved.stream()), abi::kResultOk) << chunk;
    EXPECT_EQ(saved.borrowed(), 0u);
    const std::string json(saved.bytes().begin(), saved.bytes().end());
    EXPECT_EQ(json, source.inner().core().state_json().text);

    Vst3TestInstance target;
    MemoryStream loaded(saved.bytes(), StreamOptions{.max_chunk = chunk});
    ASSERT_EQ(target.c().setState(target.component(), loaded.stream()), abi::kResultOk) << chunk;
    EXPECT_EQ(loaded.borrowed(), 0u);
    EXPECT_FLOAT_EQ(target.gain(), 0.5F);
  }
}

TEST(Vst3State, AStreamThatStopsTakingBytesIsNotASavedState) {
  Vst3TestInstance instance;
  MemoryStream full({}, StreamOptions{.max_chunk = 64, .capacity = 10});
  EXPECT_EQ(instance.c().getState(instance.component(), full.stream()), abi::kResultFalse);
  EXPECT_EQ(full.bytes().size(), 10u);
  EXPECT_EQ(instance.c().getState(instance.component(), nullptr), abi::kInvalidArgument);
}

TEST(Vst3State, ReadsOnlyWhatFollowsTheHostsHeader) {
  Vst3TestInstance source;
  ASSERT_EQ(source.inner().set_normalized_value_by_hash(GAIN, 0.75F), abi::kResultOk);
  MemoryStream stream(bytes_of("HOST-HEADER" + source.inner().core().state_json().text));
  stream.set_position(11);
  Vst3TestInstance target;
  ASSERT_EQ(target.c().setState(target.component(), stream.stream()), abi::kResultOk);
  EXPECT_FLOAT_EQ(target.gain(), 1.5F);
}

TEST(Vst3State, BadStreamsAreRefusedAndChangeNothing) {
  Vst3TestInstance instance;
  const std::string good = instance.inner().core().state_json().text;
  const auto refused = [&](MemoryStream& stream) {
    EXPECT_EQ(instance.c().setState(instance.component(), stream.stream()), abi::kResultFalse);
    EXPECT_EQ(stream.borrowed(), 0u);
  };
  MemoryStream empty;
  refused(empty);
  MemoryStream malformed(bytes_of(R"({"params":{"gain":{"f32":)"));
  refused(malformed);
  // A length beyond any state is refused before anything is read or allocated.
  MemoryStream huge(bytes_of(good), StreamOptions{.claimed_length = std::int64_t{17} << 20});
  refused(huge);
  EXPECT_EQ(huge.position(), 0u);
  // Fewer bytes than the stream claims.
  MemoryStream short_stream(bytes_of(good), StreamOptions{.claimed_length = 4000});
  refused(short_stream);
  // Positioned past its end: a negative length.
  MemoryStream past_end(bytes_of(good));
  past_end.set_position(good.size() + 5);
  refused(past_end);
  EXPECT_EQ(instance.c().setState(instance.component(), nullptr), abi::kInvalidArgument);
  EXPECT_FLOAT_EQ(instance.gain(), 1.0F);
}

TEST(Vst3State, ALoadInitialisesThePlugInAgainOnlyOnceSetUp) {
  Vst3TestInstance source;
  ASSERT_EQ(source.inner().set_normalized_value_by_hash(GAIN, 0.25F), abi::kResultOk);
  const std::vector<std::uint8_t> state = bytes_of(source.inner().core().state_json().text);

  Vst3TestInstance instance;
  MemoryStream before(state);
  ASSERT_EQ(instance.c().setState(instance.component(), before.stream()), abi::kResultOk);
  EXPECT_EQ(probe().initialize_calls.load(), 0);
  EXPECT_FLOAT_EQ(instance.gain(), 0.5F);

  instance.start();
  ASSERT_EQ(instance.p().setProcessing(instance.processor(), 0), abi::kResultOk);
  const int initialized = probe().initialize_calls.load();
  const int resets = probe().reset_calls.load();
  MemoryStream after(state);
  ASSERT_EQ(instance.c().setState(instance.component(), after.stream()), abi::kResultOk);
  EXPECT_EQ(probe().initialize_calls.load(), initialized + 1);
  EXPECT_EQ(probe().reset_calls.load(), resets + 1);
}

// A host load between two process calls returns at once with its values, and the next call
// initialises and resets the plug-in again before it processes.
TEST(Vst3State, ALoadWhileProcessingNeverWaitsForTheAudioThread) {
  Vst3TestInstance source;
  ASSERT_EQ(source.inner().set_normalized_value_by_hash(GAIN, 0.25F), abi::kResultOk);
  const std::vector<std::uint8_t> state = bytes_of(source.inner().core().state_json().text);

  Vst3TestInstance instance;
  instance.start();
  ASSERT_EQ(instance.process(64), abi::kResultOk);
  const int initialized = probe().initialize_calls.load();
  const int resets = probe().reset_calls.load();
  const auto started = std::chrono::steady_clock::now();
  MemoryStream stream(state);
  ASSERT_EQ(instance.c().setState(instance.component(), stream.stream()), abi::kResultOk);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(500));
  EXPECT_FLOAT_EQ(instance.gain(), 0.5F);
  EXPECT_EQ(bytes_of(instance.inner().core().state_json().text), state);
  EXPECT_EQ(probe().initialize_calls.load(), initialized);
  EXPECT_EQ(probe().reset_calls.load(), resets);
  expect_next_block_reinitialises([&] { (void)instance.process(64); });
}

// Host loads, editor states and the host's automation at once (a thread-sanitizer case too):
// each load's values are there when it returns, and the audio thread, which initialises the
// plug-in again for them, allocates, frees and locks nothing.
TEST(Vst3State, LoadsEditorStatesAndAutomationTogether) {
  std::vector<std::vector<std::uint8_t>> states;
  for (const float gain : {0.25F, 0.75F}) {
    Vst3TestInstance source;
    ASSERT_EQ(source.inner().set_normalized_value_by_hash(GAIN, gain), abi::kResultOk);
    states.push_back(bytes_of(source.inner().core().state_json().text));
  }

  Vst3TestInstance instance;
  instance.start();
  Vst3AudioThread audio(instance, /*automate_count=*/true);
  for (int round = 0; round < 20; ++round) {
    const std::vector<std::uint8_t>& bytes = states[round % 2];
    const int resets = probe().reset_calls.load();
    if (round % 4 < 2) {
      MemoryStream stream(bytes);
      ASSERT_EQ(instance.c().setState(instance.component(), stream.stream()), abi::kResultOk);
    } else {
      const std::string text(bytes.begin(), bytes.end());
      instance.inner().set_state_object_from_gui(*state::deserialize_json(text));
    }
    EXPECT_FLOAT_EQ(instance.gain(), round % 2 == 0 ? 0.5F : 1.5F) << round;
    ASSERT_TRUE(wait_for_reset_after(resets)) << round;
  }
  expect_realtime_safe(audio.stop());
}

}  // namespace
}  // namespace vessimor::test
