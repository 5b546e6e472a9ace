#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/webview/host_test.hpp"

namespace vessimor::webview {
namespace {

namespace fs = std::filesystem;
namespace sim = testing::sim;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

constexpr long cancel = 0, allow = 1, download = 2;

// --- Navigation -------------------------------------------------------------------------------

class NavigationDelegateTest : public testing::WebViewHostTest {
 protected:
  void TearDown() override {
    sim::set_os_version(14);
    WebViewHostTest::TearDown();
  }
  // The decision, after checking that the block was called exactly once.
  static std::optional<long> once(std::optional<long> decision) {
    EXPECT_EQ(sim::block_calls(), 1);
    return decision;
  }
};

TEST_F(NavigationDelegateTest, EditorDefaultsAllowEverythingAndDownloadWhatCannotBeShown) {
  WebView web_view = make(editor_builder());
  objc::id view = web_view.inner().web_view();
  EXPECT_EQ(once(sim::decide_navigation_action(view, "https://anywhere.example/x")), allow);
  EXPECT_EQ(once(sim::decide_navigation_action(view, "javascript:void(0)")), allow);
  EXPECT_EQ(once(sim::decide_navigation_action(view, "https://a/report.pdf", true)), download);
  EXPECT_EQ(once(sim::decide_navigation_response(view, true)), allow);
  EXPECT_EQ(once(sim::decide_navigation_response(view, false)), download);
}

TEST_F(NavigationDelegateTest, TheHandlerDecidesAndWithoutDownloadHandlerNothingDownloads) {
  std::vector<std::string> asked;
  WebViewBuilder builder = editor_builder();
  builder.attrs.navigation_handler = [&](std::string url) {
    asked.push_back(url);
    return url != "https://blocked/";
  };
  builder.attrs.download_started_handler = nullptr;
  WebView web_view = make(std::move(builder));
  objc::id view = web_view.inner().web_view();
  EXPECT_EQ(once(sim::decide_navigation_action(view, "https://blocked/")), cancel);
  EXPECT_EQ(once(sim::decide_navigation_action(view, "https://fine/")), allow);
  EXPECT_EQ(once(sim::decide_navigation_action(view, "https://a/f.zip", true)), cancel);
  EXPECT_EQ(once(sim::decide_navigation_response(view, false)), allow);
  EXPECT_THAT(asked, ElementsAre("https://blocked/", "https://fine/"));

  sim::set_os_version(10);  // no shouldPerformDownload: never a download
  EXPECT_EQ(once(sim::decide_navigation_action(view, "https://fine/f.zip", true)), allow);
}

TEST_F(NavigationDelegateTest, AnActionWithoutUrlIsCancelledNotDropped) {
  WebView web_view = make(editor_builder());
  EXPECT_EQ(once(sim::decide_navigation_action(web_view.inner().web_view(), "")), cancel);
}

TEST_F(NavigationDelegateTest, DownloadsGoToTheDownloadDelegateWhenThereIsOne) {
  WebView web_view = make(editor_builder());
  objc::id view = web_view.inner().web_view();
  objc::Strong from_action = sim::become_download(view, "https://a/f.zip");
  objc::Strong from_response = sim::become_download(view, "https://a/g.zip", true);
  ASSERT_NE(sim::download_delegate(from_action.get()), nullptr);
  EXPECT_STREQ(objc::class_name(objc::class_of(sim::download_delegate(from_action.get()))),
               "QvDownloadDelegate");
  EXPECT_EQ(sim::download_delegate(from_response.get()), sim::download_delegate(from_action.get()));

  WebViewBuilder without = editor_builder();
  without.attrs.download_started_handler = nullptr;
  WebView other = make(std::move(without));
  objc::Strong ignored = sim::become_download(other.inner().web_view(), "https://a/f.zip");
  EXPECT_EQ(sim::download_delegate(ignored.get()), nullptr);
}

TEST_F(NavigationDelegateTest, AnEndedContentProcessIsReportedAndNotReloaded) {
  int ended = 0;
  WebViewBuilder builder = editor_builder();
  builder.platform.content_process_terminated_handler = [&] { ++ended; };
  WebView web_view = make(std::move(builder));
  sim::clear_calls();
  sim::terminate_content_process(web_view.inner().web_view());
  EXPECT_EQ(ended, 1);
  EXPECT_THAT(sim::selectors_sent_to(web_view.inner().web_view()), IsEmpty());

  WebView plain = make(editor_builder());
  sim::terminate_content_process(plain.inner().web_view());  // nothing to tell
}

// --- Downloads --------------------------------------------------------------------------------

class DownloadDelegateTest : public testing::WebViewHostTest {
 protected:
  void SetUp() override {
    WebViewHostTest::SetUp();
    if (const char* home = std::getenv("HOME")) old_home_ = home;
    char pattern[] = "/tmp/vessimor-downloads-XXXXXX";
    home_ = mkdtemp(pattern);
    fs::create_directory(home_ / "Downloads");
    setenv("HOME", home_.c_str(), 1);
  }
  void TearDown() override {
    if (old_home_) {
      setenv("HOME", old_home_->c_str(), 1);
    } else {
      unsetenv("HOME");
    }
    fs::remove_all(home_);
    WebViewHostTest::TearDown();
  }

  void touch(const std::string& name) { std::ofstream(home_ / "Downloads" / name) << "x"; }
  std::string in_downloads(const std::string& name) {
    return (home_ / "Downloads" / name).string();
  }

  // Where the download goes (nothing: cancelled), after checking that the completion was called
  // exactly once.
  std::optional<std::string> destination(WebView& web_view, std::string_view suggested,
                                         std::string_view url = "https://a/file") {
    objc::Strong item = sim::become_download(web_view.inner().web_view(), url);
    const sim::DestinationAnswer answer = sim::decide_download_destination(item.get(), suggested);
    EXPECT_TRUE(answer.answered);
    EXPECT_EQ(sim::block_calls(), 1);
    return answer.path;
  }

  fs::path home_;
  std::optional<std::string> old_home_;
};

TEST_F(DownloadDelegateTest, NamesThatExistGetTheNextFreeNumber) {
  WebView web_view = make(editor_builder());
  touch("report.pdf");
  touch("report (1).pdf");
  EXPECT_EQ(destination(web_view, "report.pdf"), in_downloads("report (2).pdf"));
  EXPECT_EQ(destination(web_view, "a.tar.gz"), in_downloads("a.tar.gz"));
  touch("a.tar.gz");
  EXPECT_EQ(destination(web_view, "a.tar.gz"), in_downloads("a (1).tar.gz"));
  fs::create_symlink(home_ / "nowhere", home_ / "Downloads" / "link");
  EXPECT_EQ(destination(web_view, "link"), in_downloads("link (1)"));
}

TEST_F(DownloadDelegateTest, SuggestedNamesCannotLeaveTheDownloadFolder) {
  WebView web_view = make(editor_builder());
  EXPECT_EQ(destination(web_view, "../../.ssh/x"), in_downloads("x"));
  EXPECT_EQ(destination(web_view, "/etc/x"), in_downloads("x"));
  for (const char* name : {"", ".", "..", "dir/", "../.."}) {
    EXPECT_EQ(destination(web_view, name), in_downloads("download")) << name;
  }
}

TEST_F(DownloadDelegateTest, TheStartedHandlerMayMoveOrRefuseTheDownload) {
  std::vector<std::string> started;
  WebViewBuilder builder = editor_builder();
  builder.attrs.download_started_handler = [&](std::string url, fs::path& path) {
    started.push_back(url + " " + path.string());
    if (url.ends_with("moved")) path = "/elsewhere/file";
    return !url.ends_with("refused");
  };
  WebView web_view = make(std::move(builder));
  EXPECT_EQ(destination(web_view, "f.txt", "https://a/moved"), "/elsewhere/file");
  EXPECT_EQ(destination(web_view, "f.txt", "https://a/refused"), std::nullopt);
  EXPECT_EQ(destination(web_view, "f.txt", ""), std::nullopt) << "no URL: cancelled";
  EXPECT_THAT(started, ElementsAre("https://a/moved " + in_downloads("f.txt"),
                                   "https://a/refused " + in_downloads("f.txt")));
}

TEST_F(DownloadDelegateTest, ADownloadStartedWhileTheHandlerRunsIsCancelled) {
  std::optional<sim::DestinationAnswer> inner;
  long inner_calls = 0;
  objc::Strong second;
  WebViewBuilder builder = editor_builder();
  builder.attrs.download_started_handler = [&](std::string, fs::path&) {
    if (!inner) {  // WebKit asks again from a run loop nested in the handler
      inner = sim::decide_download_destination(second.get(), "g.txt");
      inner_calls = sim::block_calls();
    }
    return true;
  };
  WebView web_view = make(std::move(builder));
  second = sim::become_download(web_view.inner().web_view(), "https://a/g");
  EXPECT_EQ(destination(web_view, "f.txt"), in_downloads("f.txt"));
  ASSERT_TRUE(inner);
  EXPECT_TRUE(inner->answered);
  EXPECT_EQ(inner->path, std::nullopt);
  EXPECT_EQ(inner_calls, 1);
  EXPECT_EQ(destination(web_view, "h.txt"), in_downloads("h.txt")) << "the handler is free again";
}

TEST_F(DownloadDelegateTest, WithoutAStartedHandlerNothingIsSavedButTheEndIsReported) {
  std::vector<std::string> ended;
  WebViewBuilder builder = editor_builder();
  builder.attrs.download_started_handler = nullptr;
  builder.attrs.download_completed_handler = [&](std::string url, std::optional<fs::path> path,
                                                 bool success) {
    ended.push_back(url + (path ? " path" : "") + (success ? " ok" : " failed"));
  };
  WebView web_view = make(std::move(builder));
  EXPECT_EQ(destination(web_view, "f.txt"), std::nullopt);
  objc::Strong item = sim::become_download(web_view.inner().web_view(), "https://a/f");
  sim::finish_download(item.get());
  sim::fail_download(item.get());
  EXPECT_THAT(ended, ElementsAre("https://a/f ok", "https://a/f failed"));
}

// --- UI ---------------------------------------------------------------------------------------

class UiDelegateTest : public testing::WebViewHostTest {
 protected:
  static sim::WindowFeatures features(std::optional<double> x, std::optional<double> y,
                                      std::optional<double> width, std::optional<double> height,
                                      std::optional<bool> resizing = std::nullopt) {
    sim::WindowFeatures f;
    f.x = x;
    f.y = y;
    f.width = width;
    f.height = height;
    f.allows_resizing = resizing;
    return f;
  }
  void TearDown() override {
    sim::set_open_panel_result(0, {});
    WebViewHostTest::TearDown();
  }
};

TEST_F(UiDelegateTest, CameraAndMicrophoneAreGranted) {
  WebView web_view = make(editor_builder());
  EXPECT_EQ(sim::request_media_capture(web_view.inner().web_view()), 1);
  EXPECT_EQ(sim::block_calls(), 1);
}

TEST_F(UiDelegateTest, FileInputsOpenAPanelAndCancellingGivesNoFiles) {
  WebView web_view = make(editor_builder());
  objc::id view = web_view.inner().web_view();
  sim::set_open_panel_result(1, {"/a.wav", "/b.wav"});
  sim::clear_calls();
  sim::OpenPanelAnswer chosen = sim::run_open_panel(view, true, false);
  EXPECT_EQ(sim::block_calls(), 1);
  EXPECT_EQ(chosen.paths, (std::vector<std::string>{"/a.wav", "/b.wav"}));
  EXPECT_THAT(sim::call_texts(),
              ElementsAre("NSOpenPanel +openPanel", "NSOpenPanel setCanChooseFiles: YES",
                          "WKOpenPanelParameters allowsMultipleSelection",
                          "NSOpenPanel setAllowsMultipleSelection: YES",
                          "WKOpenPanelParameters allowsDirectories",
                          "NSOpenPanel setCanChooseDirectories: NO", "NSOpenPanel runModal",
                          "NSOpenPanel URLs"));

  sim::set_open_panel_result(0, {"/a.wav"});
  sim::OpenPanelAnswer cancelled = sim::run_open_panel(view, false, true);
  EXPECT_TRUE(cancelled.answered);
  EXPECT_EQ(cancelled.paths, std::nullopt);
  EXPECT_EQ(sim::block_calls(), 1);

  sim::OpenPanelAnswer off_main;  // answered with no files, and no panel opens
  sim::clear_calls();
  std::thread([&] { off_main = sim::run_open_panel(view, false, false); }).join();
  EXPECT_TRUE(off_main.answered);
  EXPECT_EQ(off_main.paths, std::nullopt);
  EXPECT_THAT(sim::call_texts(), Not(Contains("NSOpenPanel +openPanel")));
}

TEST_F(UiDelegateTest, NewWindowsOpenOnlyWhenAHandlerSaysSo) {
  WebView editor = make(editor_builder());
  sim::clear_calls();
  EXPECT_EQ(sim::request_new_window(editor.inner().web_view(), "https://a/", {}), nullptr);
  EXPECT_THAT(sim::call_texts(), Not(Contains(::testing::HasSubstr("NSWindow"))));

  std::vector<std::string> asked;
  objc::Strong supplied = sim::make_view({{0, 0}, {1, 1}});
  WebViewBuilder builder = editor_builder();
  builder.attrs.new_window_handler = [&](std::string url,
                                         NewWindowFeatures features) -> NewWindowResponse {
    asked.push_back(url + (features.size ? " size" : "") + (features.position ? " position" : ""));
    EXPECT_NE(features.opener_web_view, nullptr);
    if (url.ends_with("deny")) return NewWindowDeny{};
    if (url.ends_with("own")) return NewWindowCreate{supplied.get()};
    return NewWindowAllow{};
  };
  WebView web_view = make(std::move(builder));
  objc::id view = web_view.inner().web_view();
  EXPECT_EQ(sim::request_new_window(view, "https://a/deny", features(1, {}, 2, 3)), nullptr);
  EXPECT_EQ(sim::request_new_window(view, "https://a/own", features(1, 2, {}, {})), supplied.get());
  EXPECT_EQ(sim::request_new_window(view, "", {}), nullptr) << "no URL: nothing opens";
  EXPECT_THAT(asked, ElementsAre("https://a/deny size", "https://a/own position"));
}

TEST_F(UiDelegateTest, AnOpenedWindowIsKeptUntilItCloses) {
  WebViewBuilder builder = editor_builder();
  builder.attrs.new_window_handler = [](std::string, NewWindowFeatures) -> NewWindowResponse {
    return NewWindowAllow{};
  };
  WebView web_view = make(std::move(builder));
  objc::id view = web_view.inner().web_view();
  const long windows_before = sim::live_objects("NSWindow");
  sim::clear_calls();
  objc::id opened = sim::request_new_window(view, "https://a/", features(100, 50, 400, 300, false));
  ASSERT_NE(opened, nullptr);
  // The main screen is 1920 x 1080: y 50 from its top is 1080 - 50 - 300 from its bottom.
  const std::vector<std::string> calls = sim::call_texts();
  EXPECT_THAT(calls, Contains("NSWindow initWithContentRect:styleMask:backing:defer: "
                              "{{100, 730}, {400, 300}}, 7, 2, NO"));
  EXPECT_THAT(calls, Contains("NSWindow setReleasedWhenClosed: NO"));
  EXPECT_THAT(calls, Contains("NSWindow setDelegate: QvNSWindowDelegate"));
  EXPECT_THAT(calls, Contains("NSWindow makeKeyAndOrderFront: nil"));
  EXPECT_EQ(objc::send<objc::id()>(objc::send<objc::id()>(opened, "window"), "contentView"),
            opened);

  objc::id defaults = sim::request_new_window(view, "https://b/", {});  // the opener's frame
  EXPECT_EQ(sim::frame(defaults), (objc::NSRect{{0, 0}, {900, 700}}));
  EXPECT_EQ(sim::live_objects("QvNSWindowDelegate"), 2);

  sim::close_window(objc::send<objc::id()>(opened, "window"));
  sim::run_main_loop();
  EXPECT_EQ(sim::live_objects("QvNSWindowDelegate"), 1);
  EXPECT_EQ(sim::live_objects("NSWindow"), windows_before + 1);
}

}  // namespace
}  // namespace vessimor::webview
