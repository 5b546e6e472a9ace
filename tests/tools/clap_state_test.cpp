// Saved state through host streams that move only a few bytes per call.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "tests/tools/clap_fixture.hpp"
#include "tools/clap_host/streams.hpp"

namespace vessimor::test {
namespace {

using tools::InputEvents;
using tools::MemoryInputStream;
using tools::MemoryOutputStream;
using tools::PluginInstance;
using tools::PluginModule;

std::vector<double> all_values(const PluginInstance& instance) {
  std::vector<double> values;
  for (const clap_param_info& info : instance.param_infos()) {
    values.push_back(*instance.param_value(info.id));
  }
  return values;
}

std::uint64_t length_prefix(const std::vector<std::uint8_t>& bytes) {
  std::uint64_t length = 0;
  for (int i = 7; i >= 0; --i) length = (length << 8) | bytes[static_cast<std::size_t>(i)];
  return length;
}

std::vector<std::uint8_t> with_prefix(std::uint64_t length, std::vector<std::uint8_t> body) {
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
  bytes.insert(bytes.end(), body.begin(), body.end());
  return bytes;
}

class ClapState : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(source.init());
    // Away from every default: a continuous, a stepped, a choice and an on/off parameter.
    InputEvents edits;
    edits.add_param_value(0, param_named(source, "Mix").id, 0.25);
    edits.add_param_value(0, param_named(source, "Swarm Count").id, 9.0);
    edits.add_param_value(0, param_named(source, "Character Mode").id, 2.0);
    edits.add_param_value(0, param_named(source, "Lock Motion Enable").id, 1.0);
    edits.add_param_value(0, param_named(source, "Comb Tuning").id, 0.3);
    source.flush(&edits, nullptr);
    saved = source.save_state(3).value();
  }

  PluginModule module{vessimor_clap_path()};
  PluginInstance source{module};
  std::vector<std::uint8_t> saved;
};

TEST_F(ClapState, SavedStreamIsLengthPrefixedJson) {
  ASSERT_GT(saved.size(), 8u);
  EXPECT_EQ(length_prefix(saved), saved.size() - 8);
  EXPECT_EQ(saved[8], '{');
  EXPECT_EQ(saved.back(), '}');
}

TEST_F(ClapState, RoundTripIsByteIdenticalForEveryChunkSize) {
  for (std::size_t chunk : {1u, 3u, 7u, 4096u}) {
    PluginInstance target(module);
    ASSERT_TRUE(target.init());
    ASSERT_TRUE(target.load_state(saved, chunk)) << chunk;
    EXPECT_EQ(all_values(target), all_values(source)) << chunk;
    EXPECT_EQ(target.save_state(chunk).value(), saved) << chunk;
  }
}

TEST_F(ClapState, LoadIntoAnActiveProcessingInstance) {
  PluginInstance target(module);
  ASSERT_TRUE(target.init());
  ASSERT_TRUE(target.activate(48000.0, 1, 256));
  ASSERT_TRUE(target.start_processing());
  ASSERT_NE(target.process(256), CLAP_PROCESS_ERROR);
  ASSERT_TRUE(target.load_state(saved, 2));
  // Seen before the next process call, which then initialises the plug-in again.
  EXPECT_EQ(all_values(target), all_values(source));
  ASSERT_NE(target.process(256), CLAP_PROCESS_ERROR);
  EXPECT_EQ(all_values(target), all_values(source));
}

// Without a rescan the host's parameter view and automation lanes keep the values from before.
TEST_F(ClapState, EveryAppliedLoadAsksTheHostToRescanValues) {
  PluginInstance target(module);
  ASSERT_TRUE(target.init());
  ASSERT_TRUE(target.load_state(saved));
  EXPECT_EQ(target.calls().params_rescan.load(), 1);
  EXPECT_EQ(target.calls().params_rescan_flags.load(), CLAP_PARAM_RESCAN_VALUES);

  ASSERT_TRUE(target.activate(48000.0, 1, 256));
  ASSERT_TRUE(target.start_processing());
  ASSERT_NE(target.process(256), CLAP_PROCESS_ERROR);
  ASSERT_TRUE(target.load_state(saved));
  EXPECT_EQ(target.calls().params_rescan.load(), 2);
  EXPECT_FALSE(target.load_state(with_prefix(4, {'n', 'u', 'l', 'l'})));
  EXPECT_EQ(target.calls().params_rescan.load(), 2);
  EXPECT_EQ(target.calls().wrong_thread.load(), 0);
}

TEST_F(ClapState, RefusedStatesChangeNoParameter) {
  const std::vector<double> before = all_values(source);
  std::vector<std::uint8_t> body(saved.begin() + 8, saved.end());
  std::mt19937 random(1234);
  std::vector<std::uint8_t> noise(1 << 20);
  for (auto& byte : noise) byte = static_cast<std::uint8_t>(random());

  const std::vector<std::vector<std::uint8_t>> refused = {
      {},                                  // empty
      {saved.begin(), saved.begin() + 5},  // shorter than the prefix
      {saved.begin(), saved.begin() + 8},  // prefix alone
      {saved.begin(), saved.end() - 10},   // shorter than its prefix says
      with_prefix(0, {}),                  // empty text
      with_prefix(body.size(), std::vector<std::uint8_t>(body.size(), 'x')),  // not JSON
      with_prefix(std::uint64_t{1} << 62, body),  // absurd length: never allocated
      with_prefix(noise.size(), noise),           // 1 MiB of noise
      noise,                                      // noise without a prefix
  };
  for (std::size_t i = 0; i < refused.size(); ++i) {
    EXPECT_FALSE(source.load_state(refused[i], 5)) << "case " << i;
    EXPECT_EQ(all_values(source), before) << "case " << i;
  }
}

TEST_F(ClapState, StreamErrorsAreFailuresNotPartialStates) {
  const auto* state = source.extension<clap_plugin_state>(CLAP_EXT_STATE);
  ASSERT_NE(state, nullptr);
  for (std::size_t fail_after : {0u, 4u, 8u, 20u}) {
    MemoryOutputStream broken(3, fail_after);
    EXPECT_FALSE(state->save(source.plugin(), broken.record())) << fail_after;
  }
  PluginInstance target(module);
  ASSERT_TRUE(target.init());
  const auto* target_state = target.extension<clap_plugin_state>(CLAP_EXT_STATE);
  ASSERT_NE(target_state, nullptr);
  const std::vector<double> defaults = all_values(target);
  for (std::size_t fail_after :
       {std::size_t{0}, std::size_t{6}, std::size_t{8}, saved.size() - 1}) {
    MemoryInputStream broken(saved, 3, fail_after);
    EXPECT_FALSE(target_state->load(target.plugin(), broken.record())) << fail_after;
    EXPECT_EQ(all_values(target), defaults) << fail_after;
  }
}

}  // namespace
}  // namespace vessimor::test
