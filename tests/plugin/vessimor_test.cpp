#include "plugin/vessimor.hpp"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "framework/audio/buffer_manager.hpp"
#include "plugin/preset_file.hpp"
#include "tests/plugin/preset_test_dir.hpp"
#include "tests/support/audio_thread.hpp"

namespace vessimor {
namespace {

constexpr std::uint32_t kBlock = 64;

class FixedTransport final : public ProcessContext {
 public:
  const Transport& transport() const override { return transport_; }
  void set(bool playing, std::optional<double> tempo) {
    transport_.playing = playing;
    transport_.tempo = tempo;
  }

 private:
  Transport transport_{44100.0F};
};

// Host memory for one block of `channels` channels, processed in place.
class HostBlock {
 public:
  explicit HostBlock(std::uint32_t channels)
      : manager_(BufferManager::for_audio_io_layout(
            kBlock,
            AudioIOLayout{.main_input_channels = channels, .main_output_channels = channels})),
        samples_(channels, std::vector<float>(kBlock)) {
    for (std::uint32_t c = 0; c < channels; ++c) {
      for (std::uint32_t i = 0; i < kBlock; ++i) {
        samples_[c][i] = 0.5F * std::sin(0.05F * static_cast<float>(i + 7 * c));
      }
      pointers_.push_back(samples_[c].data());
    }
  }

  // Runs one block through the plug-in and gives the channels afterwards.
  const std::vector<std::vector<float>>& run(Vessimor& plugin, FixedTransport& context) {
    const HostAudioPort port{pointers_.data(), static_cast<std::uint32_t>(pointers_.size())};
    const std::array ports{port};
    BlockBuffers buffers = manager_.create_buffers(0, kBlock, {ports, ports});
    plugin.process(buffers.main, buffers.aux, context);
    return samples_;
  }

  const std::vector<std::vector<float>>& samples() const { return samples_; }

 private:
  BufferManager manager_;
  std::vector<std::vector<float>> samples_;
  std::vector<float*> pointers_;
};

std::vector<std::string> drain_scripts(WebViewState& state) {
  std::vector<std::string> scripts;
  while (auto script = state.try_recv_script()) scripts.push_back(std::move(*script));
  return scripts;
}

// Waits for the preset worker's answer.
std::optional<std::string> wait_for_script(WebViewState& state) {
  for (int i = 0; i < 500; ++i) {
    if (auto script = state.try_recv_script()) return script;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return std::nullopt;
}

std::string transport_call(std::string_view tempo, bool playing) {
  return "if (window._updateTransport) window._updateTransport(" + std::string(tempo) + ", " +
         (playing ? "true" : "false") + ");";
}

TEST(Vessimor, StartsWithTheDocumentedState) {
  Vessimor plugin;
  EXPECT_EQ(plugin.tempo(), 120.0F);
  EXPECT_FALSE(plugin.playing());
  EXPECT_EQ(plugin.sample_rate(), 44100.0F);
  EXPECT_EQ(plugin.webview_state()->size().width, 900U);
  EXPECT_EQ(plugin.webview_state()->size().height, 600U);
  EXPECT_EQ(plugin.params()->param_map().size(), 29U);
  EXPECT_TRUE(drain_scripts(*plugin.webview_state()).empty());
}

#ifdef VESSIMOR_TESTS_WITHOUT_EDITOR
// Built without the editor, like the Linux modules: the plug-in object hands out none.
TEST(Vessimor, HandsOutNoEditorWhenBuiltWithoutOne) {
  Vessimor plugin;
  EXPECT_EQ(plugin.editor(AsyncExecutor{}), nullptr);
}
#else
TEST(Vessimor, EachEditorSharesTheOneEditorStateAndParameterSet) {
  Vessimor plugin;
  const std::unique_ptr<Editor> first = plugin.editor(AsyncExecutor{});
  const std::unique_ptr<Editor> second = plugin.editor(AsyncExecutor{});
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first.get(), second.get());
  plugin.params()->param_map()[0].param.set_normalized_value(0.25F);
  first->param_values_changed();
  second->param_value_changed("mix", 0.5F);
  const std::vector<std::string> scripts = drain_scripts(*plugin.webview_state());
  ASSERT_EQ(scripts.size(), 30U);
  EXPECT_EQ(scripts[0], "if (window._updateParam) window._updateParam('" +
                            plugin.params()->param_map()[0].id + "', 0.25);");
  EXPECT_EQ(scripts[29], "if (window._updateParam) window._updateParam('mix', 0.5);");
  EXPECT_EQ(second->size().width, 900U);
}
#endif

TEST(Vessimor, InitializeSetsTheEngineRate) {
  Vessimor plugin;
  struct NoLatency final : InitContext {
    void set_latency_samples(std::uint32_t) override { FAIL() << "no latency request expected"; }
  } init;
  EXPECT_TRUE(plugin.initialize(Vessimor::AUDIO_LAYOUTS[0],
                                ProcessingConfig{48000.0F, 64, 512, ProcessMode::realtime}, init));
  EXPECT_EQ(plugin.sample_rate(), 48000.0F);
  plugin.reset();
}

TEST(Vessimor, MonoBlockIsUntouchedAndMessagesWaitForStereo) {
  Vessimor plugin;
  FixedTransport context;
  auto& state = *plugin.webview_state();
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(state.js_message_sender().try_send(ParamMessage::Custom{"a", "b"}));
  }

  HostBlock mono(1);
  const auto before = mono.samples();
  EXPECT_EQ(mono.run(plugin, context), before);

  // One message per stereo block: two blocks leave the third.
  HostBlock stereo(2);
  const auto dry = stereo.samples();
  EXPECT_NE(stereo.run(plugin, context), dry);
  stereo.run(plugin, context);
  EXPECT_TRUE(state.try_recv_js_message());
  EXPECT_FALSE(state.try_recv_js_message());
  EXPECT_TRUE(drain_scripts(state).empty());
}

// The page's transport request is answered on the main thread from what the audio thread last
// published, with no block in between.
TEST(Vessimor, TransportRequestsAreAnsweredWithoutAProcessCall) {
  Vessimor plugin;
  auto& state = *plugin.webview_state();
  plugin.dispatch_webview_message(ParamMessage::RequestTransport{});
  EXPECT_EQ(drain_scripts(state), std::vector<std::string>{transport_call("120", false)});

  FixedTransport context;
  HostBlock block(2);
  context.set(true, 97.5);
  block.run(plugin, context);
  (void)drain_scripts(state);
  plugin.dispatch_webview_message(ParamMessage::RequestTransport{});
  EXPECT_EQ(drain_scripts(state), std::vector<std::string>{transport_call("97.5", true)});
}

TEST(Vessimor, OnlyTempoMovesAboveAHundredthOfABeatReachThePage) {
  Vessimor plugin;
  FixedTransport context;
  HostBlock block(2);
  auto& state = *plugin.webview_state();

  context.set(true, 120.005);
  block.run(plugin, context);
  EXPECT_EQ(plugin.tempo(), 120.005F);
  EXPECT_TRUE(plugin.playing());
  EXPECT_TRUE(drain_scripts(state).empty());

  context.set(true, 120.02);
  block.run(plugin, context);
  EXPECT_EQ(drain_scripts(state), std::vector<std::string>{transport_call("120.02", true)});

  // A block without a tempo keeps the last one.
  context.set(false, std::nullopt);
  block.run(plugin, context);
  EXPECT_EQ(plugin.tempo(), 120.02F);
  EXPECT_FALSE(plugin.playing());
  EXPECT_TRUE(drain_scripts(state).empty());

  // So does one whose tempo is not a number.
  context.set(false, std::nan(""));
  block.run(plugin, context);
  EXPECT_EQ(plugin.tempo(), 120.02F);
}

TEST(Vessimor, StartingTheTransportRestartsTheGrid) {
  Vessimor plugin;
  FixedTransport context;
  HostBlock block(2);
  block.run(plugin, context);
  plugin.processor().grid_counter = 5000;  // within an eighth note at 120 BPM

  context.set(true, 120.0);
  block.run(plugin, context);
  EXPECT_LE(plugin.processor().grid_counter, kBlock);

  // While it keeps playing, the grid runs on.
  plugin.processor().grid_counter = 5000;  // within an eighth note at 120 BPM
  block.run(plugin, context);
  EXPECT_EQ(plugin.processor().grid_counter, 5000U + kBlock);
}

TEST(Vessimor, StoppingTheTransportAppliesAWaitingCharacterMode) {
  Vessimor plugin;
  FixedTransport context;
  HostBlock block(2);
  auto params = std::static_pointer_cast<VessimorParams>(plugin.params());

  context.set(true, 120.0);
  block.run(plugin, context);
  // While playing, a new mode waits for the grid.
  ASSERT_TRUE(params->char_mode.set_plain_value(3));
  plugin.processor().grid_counter = 1;  // keep the block away from a grid tick
  block.run(plugin, context);
  ASSERT_EQ(plugin.processor().pending_character_mode, CharacterMode::Fold);

  context.set(false, 120.0);
  block.run(plugin, context);
  EXPECT_EQ(plugin.processor().character_mode, CharacterMode::Fold);
  EXPECT_EQ(plugin.processor().pending_character_mode, CharacterMode::None);
}

TEST(Vessimor, ParameterMessagesAndPollsAreDropped) {
  Vessimor plugin;
  auto params = std::static_pointer_cast<VessimorParams>(plugin.params());
  const float mix = params->mix.value();
  plugin.dispatch_webview_message(ParamMessage::SetParam{"mix", 0.9F});
  plugin.dispatch_webview_message(ParamMessage::PollMessages{});
  plugin.dispatch_webview_message(ParamMessage::Custom{"a", "b"});
  plugin.dispatch_webview_message(ParamMessage::RequestParams{});
  EXPECT_EQ(params->mix.value(), mix);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(drain_scripts(*plugin.webview_state()).empty());
}

class VessimorPresetTest : public ::testing::Test {
 protected:
  test::TempDir home_;
  test::ScopedHome scoped_home_{home_.path()};
};

TEST_F(VessimorPresetTest, PresetRequestsReachTheWorker) {
  Vessimor plugin;
  auto& state = *plugin.webview_state();
  plugin.dispatch_webview_message(ParamMessage::RequestPresets{});
  const auto list = wait_for_script(state);
  ASSERT_TRUE(list);
  EXPECT_NE(list->find("'presets_list'"), std::string::npos) << *list;

  plugin.dispatch_webview_message(ParamMessage::DeletePreset{"Nothing Here"});
  const auto error = wait_for_script(state);
  ASSERT_TRUE(error);
  EXPECT_NE(error->find("'preset_error'"), std::string::npos) << *error;

  plugin.dispatch_webview_message(ParamMessage::LoadPreset{"Init", true});
  const auto values = wait_for_script(state);
  ASSERT_TRUE(values);
  EXPECT_NE(values->find("'preset_values'"), std::string::npos) << *values;
}

TEST_F(VessimorPresetTest, DroppingThePluginWaitsForTheSaveInProgress) {
  auto plugin = std::make_unique<Vessimor>();
  const auto state = plugin->webview_state();
  auto params = std::static_pointer_cast<VessimorParams>(plugin->params());
  ASSERT_TRUE(params->mix.set_plain_value(0.25F));
  plugin->dispatch_webview_message(ParamMessage::SavePreset{"Kept Safe"});
  plugin.reset();

  // The worker had finished the file and answered before the drop returned.
  const auto dir = presets::get_presets_dir();
  ASSERT_TRUE(dir);
  const auto saved = presets::load_preset(*dir / "Kept Safe.vessimor");
  ASSERT_TRUE(saved.ok()) << saved.error().text();
  EXPECT_EQ(saved.value().mix, 0.25F);
  const auto answer = state->try_recv_script();
  ASSERT_TRUE(answer);
  EXPECT_NE(answer->find("'preset_saved', 'Kept Safe'"), std::string::npos) << *answer;
}

// Moves every parameter to a new value (the swarm count included).
void move_every_parameter(const Params& params, int round) {
  for (const auto& entry : params.param_map()) {
    const float phase = static_cast<float>((round * 7 + entry.id.size()) % 10) / 9.0F;
    entry.param.set_normalized_value(phase);
  }
}

using test::expect_realtime_safe;

TEST(VessimorRealtime, ProcessAllocatesNothingWhileEveryParameterMoves) {
  Vessimor plugin;
  FixedTransport context;
  HostBlock block(2);
  auto params = std::static_pointer_cast<VessimorParams>(plugin.params());
  context.set(false, 120.0);
  block.run(plugin, context);  // first-block set-up, outside the measurement

  std::int32_t swarm_counts_seen = 0;
  std::int32_t last_swarm = params->swarm_count.value();
  for (int round = 0; round < 40; ++round) {
    move_every_parameter(*params, round);
    if (params->swarm_count.value() != last_swarm) ++swarm_counts_seen;
    last_swarm = params->swarm_count.value();
    context.set(round % 8 < 4, 120.0);  // transport starts and stops along the way
    expect_realtime_safe(test::measure_audio_call([&] { block.run(plugin, context); }),
                         "round " + std::to_string(round));
  }
  EXPECT_GT(swarm_counts_seen, 0);
}

TEST(VessimorRealtime, TempoAndPlayStateRampStaysOffTheHeapAndThePageSeesEveryCall) {
  Vessimor plugin;
  FixedTransport context;
  HostBlock block(2);
  std::vector<std::string> expected;
  for (int i = 1; i <= 20; ++i) {
    const bool playing = i % 3 != 0;
    const double tempo = 120.0 + 0.25 * i;
    context.set(playing, tempo);
    expect_realtime_safe(test::measure_audio_call([&] { block.run(plugin, context); }),
                         "block " + std::to_string(i));
    expected.push_back(transport_call(fmt::format("{}", static_cast<float>(tempo)), playing));
  }
  EXPECT_EQ(drain_scripts(*plugin.webview_state()), expected);
}

// Custom messages are all that reach the audio thread from the page; taking one allocates, frees
// and locks nothing.
TEST(VessimorRealtime, PageMessagesAreTakenOffTheHeapAndWithoutLocks) {
  Vessimor plugin;
  FixedTransport context;
  HostBlock block(2);
  auto& state = *plugin.webview_state();
  block.run(plugin, context);  // first-block set-up, outside the measurement
  // Texts longer than any in-place string buffer, so that freeing one would show.
  const std::string text = "A Custom Text Longer Than Any Small Buffer";
  ASSERT_TRUE(state.js_message_sender().try_send(ParamMessage::Custom{text, text}));
  expect_realtime_safe(test::measure_audio_call([&] { block.run(plugin, context); }), "custom");
  EXPECT_FALSE(state.try_recv_js_message());
}

}  // namespace
}  // namespace vessimor
