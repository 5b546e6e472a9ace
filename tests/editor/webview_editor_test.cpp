#include "editor/webview_editor.hpp"

#include <gtest/gtest.h>

#include <thread>

#include "editor/embedded_ui.hpp"
#include "editor/page_calls.hpp"
#include "tests/editor/editor_fixture.hpp"

namespace vessimor::test {
namespace {

using ::testing::ElementsAre;

TEST(SpliceBridgeScript, HeadThenBodyThenAMinimalDocument) {
  EXPECT_EQ(splice_bridge_script("<head></head><head></head>", "B"),
            "<head><script>B</script></head><head><script>B</script></head>");
  EXPECT_EQ(splice_bridge_script("<body>a</body><body>", "B"),
            "<body><script>B</script>a</body><body><script>B</script>");
  EXPECT_EQ(splice_bridge_script("<p>hi</p>", "B"),
            "<!DOCTYPE html>\n<html>\n<head>\n    <meta charset=\"UTF-8\">\n"
            "    <meta name=\"viewport\" content=\"width=device-width, initial-scale=1.0\">\n"
            "    <script>B</script>\n</head>\n<body>\n<p>hi</p>\n</body>\n</html>");
  // The embedded page gets the script once, at the end of its head.
  const std::string page(embedded_ui::editor_page());
  const std::string spliced = splice_bridge_script(page, embedded_ui::bridge_script());
  EXPECT_EQ(spliced.size(), page.size() + embedded_ui::bridge_script().size() + 17);
  EXPECT_NE(spliced.find(std::string(embedded_ui::bridge_script()) + "</script></head>"),
            std::string::npos);
}

TEST_F(EditorTest, EachOpenMakesAFreshWebViewAndEachCloseDestroysIt) {
  if (capturing_logger() == nullptr) GTEST_SKIP() << "another logger is registered";
  const std::string spliced = splice_bridge_script("<html><head></head><body>x</body></html>",
                                                   embedded_ui::bridge_script());
  for (int round = 0; round < 3; ++round) {
    std::unique_ptr<EditorHandle> handle = open();
    ASSERT_NE(handle, nullptr);
    EXPECT_TRUE(state_->is_open());
    ASSERT_NE(web_view(), nullptr);
    EXPECT_EQ(sim::live_objects("QvWebView"), 1);
    EXPECT_EQ(sim::page(web_view()).html, spliced);
    EXPECT_EQ(sim::frame(host_view_.get()), (objc::NSRect{{0, 0}, {900, 600}}));
    EXPECT_EQ(sim::autoresizing_mask(host_view_.get()), 18u);
    const std::vector<std::string> opened = editor_log();
    ASSERT_EQ(opened.size(), 4u);
    EXPECT_EQ(opened[0], fmt::format("webview_editor::editor: WebView editor spawn: 900x600, "
                                     "HTML: {} bytes",
                                     spliced.size()));
    EXPECT_EQ(opened[1], fmt::format("webview_editor::editor::macos: Creating WKWebView in "
                                     "NSView: {}",
                                     fmt::ptr(host_view_.get())));
    EXPECT_EQ(opened[2], "webview_editor::editor::macos: NSView already has a window");
    EXPECT_EQ(opened[3], "webview_editor::editor::macos: WKWebView created successfully");

    // The ready call and the preset name wait for the page and then run in this order.
    commit();
    EXPECT_THAT(page_scripts(),
                ElementsAre(::testing::_, "if (window._ipcReady) window._ipcReady();",
                            "if (window._setCurrentPresetName) "
                            "window._setCurrentPresetName('Init');"));

    handle.reset();
    EXPECT_FALSE(state_->is_open());
    EXPECT_EQ(web_view(), nullptr);
    sim::run_main_loop();
    EXPECT_EQ(sim::live_objects("QvWebView"), 0);
    EXPECT_THAT(editor_log(), ElementsAre("webview_editor::editor::macos: WKWebView destroyed",
                                          "webview_editor::editor: WebView editor closed"));
  }
}

TEST_F(EditorTest, AHostViewWithoutAWindowIsLentAnOffscreenOneUntilClose) {
  objc::Strong lone_view = sim::make_view({{0, 0}, {10, 10}});
  const long windows_before = sim::live_objects("NSWindow");
  std::unique_ptr<EditorHandle> handle = open(lone_view.get());
  ASSERT_NE(handle, nullptr);
  ASSERT_NE(web_view(lone_view.get()), nullptr);
  const objc::id window = objc::send<objc::id()>(lone_view.get(), "window");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(objc::send<objc::NSRect()>(window, "frame"),
            (objc::NSRect{{-10000, -10000}, {900, 600}}));
  EXPECT_EQ(sim::live_objects("NSWindow"), windows_before + 1);
  if (capturing_logger() != nullptr) {
    EXPECT_THAT(editor_log(), ::testing::Contains("webview_editor::editor::macos: NSView has no "
                                                  "window, creating temporary offscreen window "
                                                  "for WKWebView init"));
  }
  handle.reset();
  sim::run_main_loop();
  EXPECT_EQ(sim::superview(lone_view.get()), nullptr);
  EXPECT_EQ(sim::live_objects("NSWindow"), windows_before);
}

TEST_F(EditorTest, WithoutAWebViewTheEditorDoesNotOpen) {
  ParentWindowHandle x11;
  x11.kind = ParentWindowHandle::Kind::x11;
  x11.x11_window = 42;
  EXPECT_EQ(editor_->spawn(x11, context_), nullptr);
  EXPECT_FALSE(state_->is_open());
  EXPECT_EQ(editor_->spawn(ParentWindowHandle{nullptr}, context_), nullptr);

  // Creation itself fails off the main thread; the log line names the error.
  std::unique_ptr<EditorHandle> off_main;
  std::thread([&] { off_main = open(); }).join();
  EXPECT_EQ(off_main, nullptr);
  EXPECT_EQ(web_view(), nullptr);
  EXPECT_FALSE(state_->is_open());
  if (capturing_logger() != nullptr) {
    const std::vector<std::string> lines = editor_log();
    EXPECT_THAT(lines, ::testing::Contains("webview_editor::editor::macos: Unsupported parent "
                                           "window handle type for macOS"));
    EXPECT_THAT(lines,
                ::testing::Contains("webview_editor::editor::macos: Failed to create WKWebView: "
                                    "NotMainThread"));
  }
  // The editor opens normally afterwards.
  EXPECT_NE(open(), nullptr);
}

TEST_F(EditorTest, PresetNameWithLineBreaksStaysOneStatement) {
  state_->set_current_preset_name("O'B\\r\n\r\xE2\x80\xA8\xE2\x80\xA9.");
  std::unique_ptr<EditorHandle> handle = open();
  commit();
  EXPECT_EQ(page_scripts().back(),
            "if (window._setCurrentPresetName) "
            "window._setCurrentPresetName('O\\'B\\\\r\\n\\r\\u2028\\u2029.');");
}

TEST_F(EditorTest, OnlyTheEditorsOwnPageLoads) {
  std::unique_ptr<EditorHandle> handle = open();
  // The HTML document arrives as about:blank, once; nothing after it may replace it.
  EXPECT_EQ(sim::decide_navigation_action(web_view(), "about:blank"), 1);
  EXPECT_EQ(sim::decide_navigation_action(web_view(), "https://example.com/"), 0);
  EXPECT_EQ(sim::decide_navigation_action(web_view(), "file:///tmp/take.wav"), 0);
  EXPECT_EQ(sim::decide_navigation_action(web_view(), "about:blank"), 0);

  // A dropped file is taken before WebKit could open it in place of the page.
  const std::vector<std::string> files{"/tmp/take.wav"};
  sim::clear_calls();
  sim::drag(web_view(), sim::DragPhase::entered, files, {30, 30});
  EXPECT_EQ(sim::drag(web_view(), sim::DragPhase::perform, files, {30, 30}), 1u);
  sim::drag(web_view(), sim::DragPhase::exited, files, {30, 30});
  for (const char* selector : {"draggingEntered:", "performDragOperation:", "draggingExited:"}) {
    EXPECT_THAT(sim::selectors_sent_to(web_view()), ::testing::Not(::testing::Contains(selector)));
  }
  // Any other drag (text into the save dialog's name field) is WebKit's, which gives it to the
  // page.
  sim::clear_calls();
  sim::drag(web_view(), sim::DragPhase::entered, {}, {30, 30});
  sim::drag(web_view(), sim::DragPhase::perform, {}, {30, 30});
  sim::drag(web_view(), sim::DragPhase::exited, {}, {30, 30});
  EXPECT_THAT(
      sim::selectors_sent_to(web_view()),
      ::testing::ElementsAre("draggingEntered:", "performDragOperation:", "draggingExited:"));
}

}  // namespace
}  // namespace vessimor::test
