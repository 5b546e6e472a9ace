// A small plug-in for driving the CLAP wrapper without the effect: a smoothed gain, a stepped
// count, a switch and a five-way choice. It records what each `process` call saw.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "framework/params/bool_param.hpp"
#include "framework/params/enum_param.hpp"
#include "framework/params/float_param.hpp"
#include "framework/params/int_param.hpp"
#include "framework/params/param_ptr.hpp"
#include "framework/plugin.hpp"
#include "platform/denormals.hpp"
#include "tests/support/wait.hpp"

namespace vessimor::test {

class TestParams final : public Params {
 public:
  // Smoothed, so that what a state load does to smoothers shows.
  FloatParam gain = FloatParam("Gain", 1.0F, FloatRange::linear(0.0F, 2.0F))
                        .with_smoother(SmoothingStyle::Linear{10.0F});
  IntParam count{"Count", 4, IntRange::linear(2, 16)};
  BoolParam enabled{"Enabled", true};
  EnumParamInner shape{"Shape", 0, {"Sine", "Triangle", "Saw", "Square", "S&H"}};

  // Thread: any
  ParamMap param_map() const override {
    return {ParamMapEntry{"gain", ParamPtr(&gain), ""},
            ParamMapEntry{"count", ParamPtr(&count), ""},
            ParamMapEntry{"enabled", ParamPtr(&enabled), ""},
            ParamMapEntry{"shape", ParamPtr(&shape), ""}};
  }
  // Thread: any
  PersistentFields serialize_fields() const override { return {}; }
  // Thread: any
  void deserialize_fields(const PersistentFields& /*fields*/) override {}
};

// What one `process` call saw.
struct ProcessRecord {
  std::size_t samples = 0;
  float gain = 0.0F;
  // Where the gain's smoother stands as the block starts: a glide moves on from there.
  float smoothed_gain = 0.0F;
  bool playing = false;
  std::optional<double> tempo;
  std::optional<double> pos_beats;
  std::optional<double> pos_seconds;
  std::optional<std::int32_t> bar_number;
  bool flush_to_zero = false;
};

// Shared between a test and the plug-in instances it creates through the wrapper.
struct TestProbe {
  std::vector<ProcessRecord> records;
  std::atomic<int> initialize_calls{0};
  std::atomic<int> reset_calls{0};
  // The thread of the latest initialisation and reset: a state loaded while the host processes
  // initialises and resets the plug-in again on the audio thread.
  std::atomic<std::thread::id> initialized_on;
  std::atomic<std::thread::id> reset_on;
  std::atomic<bool> reset_flushed_to_zero{false};
  std::atomic<float> initialized_rate{0.0F};
  std::atomic<ProcessMode> initialized_mode{ProcessMode::realtime};
  std::atomic<std::uint32_t> initialized_max_block{0};
  std::optional<std::uint32_t> latency_to_request;
  ProcessResult result = ProcessResult::normal();
  bool with_editor = true;
  std::atomic<int> live_plugins{0};
  // Run at the start of each `process`, to act between sub-blocks of one host call.
  std::function<void()> during_process;

  void clear_records() {
    records.clear();
    records.reserve(1024);
    during_process = nullptr;
  }
};

TestProbe& probe();

// Waits for the plug-in's next reset after `resets` of them: a host audio thread that keeps
// processing does what a state load left for it within a few blocks.
[[nodiscard]] inline ::testing::AssertionResult wait_for_reset_after(int resets) {
  return wait_until([&] { return probe().reset_calls.load() > resets; },
                    "the reset a state load leaves for the audio thread");
}

// Runs one host block on a thread of its own, as a host's audio thread, and checks that it
// initialised and reset the plug-in once more, there: what a state load left for the audio thread.
template <class Block>
void expect_next_block_reinitialises(Block&& block) {
  const int initialized = probe().initialize_calls.load();
  const int resets = probe().reset_calls.load();
  std::thread audio(std::forward<Block>(block));
  const std::thread::id audio_id = audio.get_id();
  bounded_wait("the host block after a state load", [&] { audio.join(); });
  EXPECT_EQ(probe().initialize_calls.load(), initialized + 1);
  EXPECT_EQ(probe().reset_calls.load(), resets + 1);
  EXPECT_EQ(probe().initialized_on.load(), audio_id);
  EXPECT_EQ(probe().reset_on.load(), audio_id);
}

struct TestEditorLog {
  std::vector<std::pair<std::string, float>> values;
  std::vector<std::pair<std::string, float>> modulations;
  int all_values = 0;
  int open_handles = 0;
  std::shared_ptr<GuiContext> context;
  // Editors that keep their last context after closing, as a web editor may.
  bool editors_keep_context = false;
};

TestEditorLog& editor_log();

class TestEditorHandle final : public EditorHandle {
 public:
  TestEditorHandle() { ++editor_log().open_handles; }
  ~TestEditorHandle() override {
    --editor_log().open_handles;
    editor_log().context.reset();
  }
  TestEditorHandle(const TestEditorHandle&) = delete;
  TestEditorHandle& operator=(const TestEditorHandle&) = delete;
};

class TestEditor final : public Editor {
 public:
  // Thread: main
  std::unique_ptr<EditorHandle> spawn(ParentWindowHandle parent,
                                      std::shared_ptr<GuiContext> context) override {
    // Like the web editor: only an AppKit view can hold it.
    if (parent.kind != ParentWindowHandle::Kind::app_kit) {
      return nullptr;
    }
    if (editor_log().editors_keep_context) {
      kept_context_ = context;
    }
    editor_log().context = std::move(context);
    return std::make_unique<TestEditorHandle>();
  }
  // Thread: main
  EditorSize size() const override { return {900, 600}; }
  // Thread: main
  bool set_scale_factor(float /*factor*/) override { return false; }
  // Thread: main
  void param_value_changed(std::string_view id, float value) override {
    editor_log().values.emplace_back(std::string(id), value);
  }
  // Thread: main
  void param_modulation_changed(std::string_view id, float offset) override {
    editor_log().modulations.emplace_back(std::string(id), offset);
  }
  // Thread: main
  void param_values_changed() override { ++editor_log().all_values; }

 private:
  std::shared_ptr<GuiContext> kept_context_;
};

inline constexpr std::array<std::string_view, 3> TEST_FEATURES = {"audio-effect", "stereo",
                                                                  "distortion"};
inline constexpr std::array<AudioIOLayout, 1> TEST_LAYOUTS = {AudioIOLayout{
    .main_input_channels = 2,
    .main_output_channels = 2,
}};

class TestPlugin : public Plugin {
 public:
  static constexpr std::string_view NAME = "Wrapper Test";
  static constexpr std::string_view VENDOR = "Quorvane";
  static constexpr std::string_view URL = "https://quorvane.com";
  static constexpr std::string_view SUPPORT_EMAIL = "support@quorvane.com";
  static constexpr std::string_view VERSION = "0.1.0";
  static constexpr std::span<const AudioIOLayout> AUDIO_LAYOUTS = TEST_LAYOUTS;
  static constexpr MidiConfig MIDI_INPUT = MidiConfig::none;
  static constexpr MidiConfig MIDI_OUTPUT = MidiConfig::none;
  static constexpr bool SAMPLE_ACCURATE_AUTOMATION = true;
  static constexpr std::string_view CLAP_ID = "com.quorvane.wrapper-test";
  static constexpr std::string_view CLAP_DESCRIPTION = "A gain for testing the wrapper";
  static constexpr std::optional<std::string_view> CLAP_MANUAL_URL = std::nullopt;
  static constexpr std::optional<std::string_view> CLAP_SUPPORT_URL = std::nullopt;
  static constexpr std::span<const std::string_view> CLAP_FEATURES = TEST_FEATURES;

  TestPlugin() { ++probe().live_plugins; }
  ~TestPlugin() override { --probe().live_plugins; }
  TestPlugin(const TestPlugin&) = delete;
  TestPlugin& operator=(const TestPlugin&) = delete;

  // Thread: any
  std::shared_ptr<Params> params() const override { return params_; }
  // Thread: main
  std::unique_ptr<Editor> editor(AsyncExecutor /*executor*/) override {
    return probe().with_editor ? std::make_unique<TestEditor>() : nullptr;
  }
  // Thread: main, or audio
  bool initialize(const AudioIOLayout& /*layout*/, const ProcessingConfig& config,
                  InitContext& context) override {
    probe().initialized_on = std::this_thread::get_id();
    probe().initialized_rate = config.sample_rate;
    probe().initialized_mode = config.process_mode;
    probe().initialized_max_block = config.max_buffer_size;
    if (probe().latency_to_request) {
      context.set_latency_samples(*probe().latency_to_request);
    }
    // Counted last: a test that waits for the count on another thread then reads the rest.
    ++probe().initialize_calls;
    return true;
  }
  // Thread: audio
  void reset() override {
    probe().reset_on = std::this_thread::get_id();
    probe().reset_flushed_to_zero = ScopedFlushToZero::active();
    ++probe().reset_calls;  // counted last, as above
  }
  // Thread: audio
  ProcessResult process(Buffer& buffer, AuxiliaryBuffers& /*aux*/,
                        ProcessContext& context) override {
    if (probe().during_process) {
      probe().during_process();
    }
    const float gain = params_->gain.value();
    for (std::span<float> channel : buffer.as_slice()) {
      for (float& sample : channel) {
        sample *= gain;
      }
    }
    const Transport& transport = context.transport();
    auto& records = probe().records;
    if (records.size() < records.capacity()) {
      records.push_back(ProcessRecord{buffer.samples(), gain, params_->gain.smoothed().current(),
                                      transport.playing, transport.tempo, transport.pos_beats,
                                      transport.pos_seconds, transport.bar_number(),
                                      ScopedFlushToZero::active()});
    }
    return probe().result;
  }

  TestParams& test_params() { return *params_; }

 private:
  std::shared_ptr<TestParams> params_ = std::make_shared<TestParams>();
};

}  // namespace vessimor::test
