#include "editor/web_view_state.hpp"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework/log.hpp"
#include "tests/editor/capturing_logger.hpp"
#include "tests/support/wait.hpp"

namespace vessimor {
namespace {

using test::capturing_logger;
using test::CapturingLogger;

std::vector<std::string> drain(WebViewState& state) {
  std::vector<std::string> scripts;
  while (auto script = state.try_recv_script()) scripts.push_back(std::move(*script));
  return scripts;
}

TEST(WebViewState, FreshStateValues) {
  auto state = WebViewState::from_size(900, 600);
  EXPECT_EQ(state->size().width, 900u);
  EXPECT_EQ(state->size().height, 600u);
  EXPECT_EQ(state->current_preset_name(), "Init");
  EXPECT_EQ(state->scale_factor(), 1.0f);
  EXPECT_FALSE(state->is_open());
  EXPECT_FALSE(state->try_recv_script().has_value());
  EXPECT_FALSE(state->try_recv_js_message().has_value());
  EXPECT_FALSE(state->plugin_to_page().try_pop().has_value());
  EXPECT_EQ(state->plugin_to_page().capacity(), 64u);
}

TEST(WebViewState, SimpleFields) {
  WebViewState state(320, 200);
  state.set_open(true);
  EXPECT_TRUE(state.is_open());
  state.set_open(false);
  EXPECT_FALSE(state.is_open());
  state.set_scale_factor(2.0f);
  EXPECT_EQ(state.scale_factor(), 2.0f);
  state.set_current_preset_name("Robot Voice");
  EXPECT_EQ(state.current_preset_name(), "Robot Voice");
  state.set_current_preset_name("");
  EXPECT_EQ(state.current_preset_name(), "");
}

TEST(WebViewState, PushesQueueCompleteStatementsInOrder) {
  WebViewState state(900, 600);
  state.push_param_update("mix", 0.1f);
  state.push_transport(120.0f, true);
  state.push_custom("preset_loaded", "O'Brien");
  const auto scripts = drain(state);
  ASSERT_EQ(scripts.size(), 3u);
  EXPECT_EQ(scripts[0], "if (window._updateParam) window._updateParam('mix', 0.1);");
  EXPECT_EQ(scripts[1], "if (window._updateTransport) window._updateTransport(120, true);");
  EXPECT_EQ(scripts[2],
            "if (window._handleCustomMessage) window._handleCustomMessage('preset_loaded', "
            "'O\\'Brien');");
}

TEST(WebViewState, The65thScriptIsDroppedAndTheFirst64Survive) {
  WebViewState state(900, 600);
  for (int i = 0; i < 65; ++i) state.push_param_update(fmt::format("p{}", i), 0.5f);
  const auto scripts = drain(state);
  ASSERT_EQ(scripts.size(), 64u);
  for (int i = 0; i < 64; ++i) {
    EXPECT_EQ(scripts[i],
              fmt::format("if (window._updateParam) window._updateParam('p{}', 0.5);", i));
  }
  // Once drained there is room again.
  state.push_transport(90.0f, false);
  EXPECT_EQ(drain(state).size(), 1u);
}

TEST(WebViewState, The257thPageMessageIsRefused) {
  WebViewState state(900, 600);
  const JsMessageSender sender = state.js_message_sender();
  for (int i = 0; i < 256; ++i) {
    ASSERT_TRUE(sender.try_send(ParamMessage::SetParam{fmt::format("p{}", i), 0.5f}));
  }
  ParamMessage refused = ParamMessage::SavePreset{"kept"};
  EXPECT_FALSE(state.js_message_sender().try_send(std::move(refused)));
  EXPECT_EQ(refused, ParamMessage(ParamMessage::SavePreset{"kept"}));  // NOLINT: left untouched
  // A custom message, sent without its texts, gets them back when it is refused.
  ParamMessage custom = ParamMessage::Custom{"action", "payload"};
  EXPECT_FALSE(sender.try_send(std::move(custom)));
  EXPECT_EQ(custom, ParamMessage(ParamMessage::Custom{"action", "payload"}));  // NOLINT: as above
  for (int i = 0; i < 256; ++i) {
    auto message = state.try_recv_js_message();
    ASSERT_TRUE(message.has_value());
    EXPECT_EQ(*message, ParamMessage(ParamMessage::SetParam{fmt::format("p{}", i), 0.5f}));
  }
  EXPECT_FALSE(state.try_recv_js_message().has_value());
}

TEST(WebViewState, SenderOutlivingTheStateStaysUsable) {
  auto state = WebViewState::from_size(900, 600);
  JsMessageSender sender = state->js_message_sender();
  state.reset();
  EXPECT_TRUE(sender.try_send(ParamMessage::PollMessages{}));
}

TEST(WebViewState, PushCustomLogsTheActionAndUnquotedPayloadLength) {
  CapturingLogger* logger = capturing_logger();
  if (!logger) GTEST_SKIP() << "another logger is registered in this process";
  WebViewState state(900, 600);
  state.push_custom("presets_list", "it's a\\b");
  const auto lines = logger->lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(),
            "webview_editor::state: [push_custom] action=presets_list, payload_len=8");
  const auto scripts = drain(state);
  ASSERT_EQ(scripts.size(), 1u);
  EXPECT_NE(scripts[0].find("'it\\'s a\\\\b'"), std::string::npos);
}

// The page handler, the preset worker and the audio thread use the queues at the same time.
TEST(WebViewState, ConcurrentProducersAndConsumersLoseNothingBeyondCapacity) {
  auto state = WebViewState::from_size(900, 600);
  constexpr int kPerProducer = 2000;
  std::atomic<int> producers_left{3};
  std::atomic<int> messages_taken{0};
  std::atomic<int> messages_refused{0};
  std::atomic<int> scripts_taken{0};

  std::vector<std::thread> threads;
  threads.emplace_back([&] {  // the message handler: forwards page messages
    const auto sender = state->js_message_sender();
    for (int i = 0; i < kPerProducer; ++i) {
      if (!sender.try_send(ParamMessage::Custom{"a", std::to_string(i)})) ++messages_refused;
    }
    --producers_left;
  });
  threads.emplace_back([&] {  // the preset worker
    for (int i = 0; i < kPerProducer; ++i) {
      state->push_custom("preset_saved", "x");
      state->set_current_preset_name(std::to_string(i));
    }
    --producers_left;
  });
  threads.emplace_back([&] {  // the audio thread: transport updates out, page messages in
    for (int i = 0; i < kPerProducer; ++i) {
      state->push_transport(static_cast<float>(i), i % 2 == 0);
      if (state->try_recv_js_message()) ++messages_taken;
    }
    --producers_left;
  });
  threads.emplace_back([&] {  // the main thread: evaluates scripts, reads the preset name
    while (producers_left.load() > 0) {
      if (state->try_recv_script()) ++scripts_taken;
      (void)state->current_preset_name();
    }
    // The producers may all finish before this thread first runs: what they left is still queued.
    while (state->try_recv_script()) ++scripts_taken;
  });
  test::bounded_wait("every producer and the main thread to end", [&] {
    for (auto& thread : threads) thread.join();
  });
  while (state->try_recv_js_message()) ++messages_taken;
  EXPECT_EQ(messages_taken.load() + messages_refused.load(), kPerProducer);
  EXPECT_LE(drain(*state).size(), 64u);
  EXPECT_EQ(state->current_preset_name(), std::to_string(kPerProducer - 1));
  EXPECT_GT(scripts_taken.load(), 0);
}

}  // namespace
}  // namespace vessimor
