#include "editor/page_message_handler.hpp"

#include <gtest/gtest.h>

#include "tests/editor/editor_fixture.hpp"

namespace vessimor::test {
namespace {

using ::testing::ElementsAre;

// An open editor whose page has loaded, with an empty log.
class PageMessageTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    handle_ = open();
    ASSERT_NE(handle_, nullptr);
    commit();
    (void)editor_log();
  }
  void TearDown() override {
    handle_.reset();
    EditorTest::TearDown();
  }

  // The scripts the page ran since `before` of them had run.
  std::vector<std::string> scripts_after(std::size_t before) const {
    const std::vector<std::string> scripts = page_scripts();
    return {scripts.begin() + static_cast<std::ptrdiff_t>(before), scripts.end()};
  }
  void queue_three_scripts() {
    state_->push_param_update("one", 1.0F);
    state_->push_transport(128.5F, true);
    state_->push_custom("presets_list", "[]");
  }
  static constexpr const char* kThreeScripts[] = {
      "if (window._updateParam) window._updateParam('one', 1);",
      "if (window._updateTransport) window._updateTransport(128.5, true);",
      "if (window._handleCustomMessage) window._handleCustomMessage('presets_list', '[]');"};

  std::unique_ptr<EditorHandle> handle_;
};

TEST_F(PageMessageTest, ParameterEditsReachTheContextAsSent) {
  ASSERT_TRUE(post(R"({"type":"begin_edit","name":"mix"})"));
  ASSERT_TRUE(post(R"({"type":"set_param","name":"mix","value":1.5})"));
  ASSERT_TRUE(post(R"({"type":"end_edit","name":"mix"})"));
  ASSERT_TRUE(post(R"({"type":"set_param","name":"bypass","value":1})"));
  // Unknown ids change nothing; only the value edit says so.
  ASSERT_TRUE(post(R"({"type":"begin_edit","name":"nope"})"));
  ASSERT_TRUE(post(R"({"type":"set_param","name":"nope","value":0.5})"));
  ASSERT_TRUE(post(R"({"type":"end_edit","name":"nope"})"));
  EXPECT_THAT(context_->calls, ElementsAre("begin Mix", "set Mix 1.5", "end Mix", "set Bypass 1"));
  if (capturing_logger() != nullptr) {
    EXPECT_THAT(editor_log(),
                ElementsAre("webview_editor::editor::macos: Unknown parameter: nope"));
  }
  EXPECT_FALSE(state_->try_recv_js_message());  // edits never travel to the audio thread
}

TEST_F(PageMessageTest, QueuedCallsFollowEveryMessageEvenOneThatDoesNotParse) {
  queue_three_scripts();
  const std::size_t before = page_scripts().size();
  ASSERT_TRUE(post("hello"));
  EXPECT_THAT(scripts_after(before),
              ElementsAre(kThreeScripts[0], kThreeScripts[1], kThreeScripts[2]));
  if (capturing_logger() != nullptr) {
    const std::vector<std::string> lines = editor_log();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(
        lines[0].starts_with("webview_editor::editor::macos: Failed to parse IPC "
                             "message: "))
        << lines[0];
  }
  // An unknown parameter does not hold them up either.
  state_->push_param_update("two", 0.5F);
  ASSERT_TRUE(post(R"({"type":"set_param","name":"nope","value":0.5})"));
  EXPECT_EQ(page_scripts().back(), "if (window._updateParam) window._updateParam('two', 0.5);");
}

// The page's requests are answered on the main thread whether or not the host processes, and
// the answer the plug-in queues reaches the page with the same message.
TEST_F(PageMessageTest, RequestsGoToThePlugInHereAndTheirAnswersFollowAtOnce) {
  ASSERT_TRUE(post(R"({"type":"request_presets"})"));
  ASSERT_TRUE(post(R"({"type":"load_preset","name":"a","is_factory":true})"));
  ASSERT_TRUE(post(R"({"type":"save_preset","name":"b"})"));
  ASSERT_TRUE(post(R"({"type":"delete_preset","name":"b"})"));
  ASSERT_TRUE(post(R"({"type":"request_transport"})"));
  EXPECT_THAT(requests_, ElementsAre("request_presets", "load_preset", "save_preset",
                                     "delete_preset", "request_transport"));
  EXPECT_EQ(page_scripts().back(),
            "if (window._updateTransport) window._updateTransport(99, true);");
  EXPECT_FALSE(state_->try_recv_js_message());
}

TEST_F(PageMessageTest, PollsDeliverButNeverFillTheAudioThreadsQueue) {
  queue_three_scripts();
  const std::size_t before = page_scripts().size();
  ASSERT_TRUE(post(R"({"type":"poll_messages"})"));
  EXPECT_THAT(scripts_after(before),
              ElementsAre(kThreeScripts[0], kThreeScripts[1], kThreeScripts[2]));
  // 13 s of polls while the host processes nothing: a custom message still gets through.
  for (int i = 0; i < 300; ++i) ASSERT_TRUE(post(R"({"type":"poll_messages"})"));
  ASSERT_TRUE(post(R"({"type":"custom","action":"a","payload":"b"})"));
  const std::optional<ParamMessage> forwarded = state_->try_recv_js_message();
  ASSERT_TRUE(forwarded);
  EXPECT_TRUE(forwarded->is<ParamMessage::Custom>());
  EXPECT_FALSE(state_->try_recv_js_message());
}

TEST_F(PageMessageTest, AFullQueueLosesCustomMessagesButNotEditsOrRequests) {
  for (std::size_t i = 0; i < WebViewState::kPageToPluginCapacity; ++i) {
    ASSERT_TRUE(post(R"({"type":"custom","action":"a","payload":"b"})"));
  }
  (void)editor_log();
  ASSERT_TRUE(post(R"({"type":"custom","action":"lost","payload":"b"})"));
  if (capturing_logger() != nullptr) {
    EXPECT_THAT(editor_log(),
                ElementsAre("webview_editor::editor::macos: Failed to forward IPC message: "
                            "Full(..)"));
  }
  state_->push_param_update("one", 1.0F);
  ASSERT_TRUE(post(R"({"type":"set_param","name":"mix","value":0.25})"));
  EXPECT_THAT(context_->calls, ElementsAre("set Mix 0.25"));
  EXPECT_EQ(page_scripts().back(), kThreeScripts[0]);
  ASSERT_TRUE(post(R"({"type":"request_presets"})"));
  EXPECT_THAT(requests_, ElementsAre("request_presets"));
  // What is waiting is the first 256 messages, in order; the last was lost.
  for (std::size_t i = 0; i < WebViewState::kPageToPluginCapacity; ++i) {
    const std::optional<ParamMessage> message = state_->try_recv_js_message();
    ASSERT_TRUE(message && message->is<ParamMessage::Custom>());
  }
  EXPECT_FALSE(state_->try_recv_js_message());
}

TEST_F(PageMessageTest, RequestParamsGivesThePageTheCurrentValuesAndPresetAfterWhatWaited) {
  params_->mix.set_normalized_value(0.25F);
  state_->set_current_preset_name("Robot Voice");
  params_->bypass.set_normalized_value(1.0F);
  // A stale value and a full queue (the tempo moved while the editor was closed) must not win.
  state_->push_param_update("mix", 0.9F);
  for (std::size_t i = 1; i < WebViewState::kScriptCapacity; ++i) {
    state_->push_transport(100.0F + static_cast<float>(i), false);
  }
  const std::size_t before = page_scripts().size();
  ASSERT_TRUE(post(R"({"type":"request_params"})"));
  const std::vector<std::string> scripts = scripts_after(before);
  ASSERT_EQ(scripts.size(), WebViewState::kScriptCapacity + 3);
  EXPECT_EQ(scripts.front(), "if (window._updateParam) window._updateParam('mix', 0.9);");
  EXPECT_THAT(std::vector<std::string>(scripts.end() - 3, scripts.end()),
              ElementsAre("if (window._updateParam) window._updateParam('mix', 0.25);",
                          "if (window._updateParam) window._updateParam('bypass', 1);",
                          "if (window._setCurrentPresetName) "
                          "window._setCurrentPresetName('Robot Voice');"));
  EXPECT_FALSE(state_->try_recv_js_message());
}

}  // namespace
}  // namespace vessimor::test
