#include "webview/web_view.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "tests/webview/host_test.hpp"

namespace vessimor::webview {
namespace {

namespace sim = testing::sim;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::Not;

struct OtherParent : HasWindowHandle {
  std::variant<RawWindowHandle, HandleError> window_handle() const override {
    return RawWindowHandle{WindowSystem::xlib, reinterpret_cast<void*>(0x1234)};
  }
};

struct BrokenParent : HasWindowHandle {
  std::variant<RawWindowHandle, HandleError> window_handle() const override {
    return HandleError::Unavailable;
  }
};

const char* const kWebViewClasses[] = {"QvWebView",
                                       "QvWebViewDelegate",
                                       "QvNavigationDelegate",
                                       "QvWebViewUIDelegate",
                                       "QvDownloadDelegate",
                                       "WKWebViewConfiguration",
                                       "WKUserContentController",
                                       "WKUserScript"};

class WebViewTest : public testing::WebViewHostTest {
 protected:
  void TearDown() override {
    sim::set_os_version(14);
    WebViewHostTest::TearDown();
  }

  // The log without the strings and numbers made on the way.
  static std::vector<std::string> platform_calls() {
    std::vector<std::string> out;
    for (const sim::Call& call : sim::calls()) {
      if (call.receiver_class != "NSString" && call.receiver_class != "NSNumber") {
        out.push_back(call.text());
      }
    }
    return out;
  }

  static long live_web_view_objects() {
    long total = 0;
    for (const char* name : kWebViewClasses) total += sim::live_objects(name);
    return total;
  }
};

TEST_F(WebViewTest, CreationRunsItsStepsInOrder) {
  WebView web_view = make(editor_builder());
  const std::string bridge = "WKUserScript initWithSource:injectionTime:forMainFrameOnly: \"" +
                             std::string(bridge_definition_script) + "\", 0, YES";
  EXPECT_THAT(
      platform_calls(),
      ElementsAreArray(std::vector<std::string>{
          "WKWebViewConfiguration +new",
          "WKWebViewConfiguration init",
          "NSProcessInfo +processInfo",
          "NSProcessInfo operatingSystemVersion",
          "WKWebsiteDataStore +defaultDataStore",
          "WKWebViewConfiguration setWebsiteDataStore: WKWebsiteDataStore(default)",
          "WKWebViewConfiguration userContentController",
          "QvWebView +alloc",
          "WKWebViewConfiguration preferences",
          "WKPreferences setValue:forKey: YES, \"allowsPictureInPictureMediaPlayback\"",
          "WKWebViewConfiguration setMediaTypesRequiringUserActionForPlayback: 0",
          "NSView window",
          "NSWindow backingScaleFactor",
          "NSView isFlipped",
          "NSView frame",
          "QvWebView initWithFrame:configuration: {{0, 100}, {900, 600}}, WKWebViewConfiguration",
          "QvWebView setAutoresizingMask: 8",
          "QvWebView setAllowsBackForwardNavigationGestures: NO",
          "WKPreferences setValue:forKey: YES, \"tabFocusesLinks\"",
          "QvWebViewDelegate +alloc",
          "QvWebViewDelegate init",
          "WKUserContentController addScriptMessageHandler:name: QvWebViewDelegate, \"ipc\"",
          "QvDownloadDelegate +alloc",
          "QvDownloadDelegate init",
          "QvNavigationDelegate +alloc",
          "QvNavigationDelegate init",
          "QvWebView setNavigationDelegate: QvNavigationDelegate",
          "QvWebViewUIDelegate +alloc",
          "QvWebViewUIDelegate init",
          "QvWebView setUIDelegate: QvWebViewUIDelegate",
          "NSView window",
          "NSWindow respondsToSelector: setTitlebarSeparatorStyle:",
          "NSWindow setTitlebarSeparatorStyle: 1",
          "WKUserScript +alloc",
          bridge,
          "WKUserContentController addUserScript: WKUserScript",
          "QvWebView loadHTMLString:baseURL: \"<p>page</p>\", nil",
          "QvWebView setAllowsLinkPreview: YES",
          "NSView addSubview: QvWebView",
          "NSApplication +sharedApplication",
          "NSApplication activate",
      }));
  EXPECT_EQ(bridge_definition_script.size(), 145u);
}

TEST_F(WebViewTest, EditorDefaultsDecideWhatThePageMayDo) {
  WebView web_view = make(editor_builder());
  objc::id view = web_view.inner().web_view();
  objc::id configuration = sim::web_view_configuration(view);
  objc::id preferences = objc::send<objc::id()>(configuration, "preferences");
  EXPECT_EQ(sim::value_for_key(preferences, "allowsPictureInPictureMediaPlayback"), "YES");
  EXPECT_EQ(sim::value_for_key(preferences, "tabFocusesLinks"), "YES");
  EXPECT_EQ(sim::value_for_key(preferences, "inactiveSchedulingPolicy"), std::nullopt);
  EXPECT_EQ(objc::send<unsigned long()>(configuration, "mediaTypesRequiringUserActionForPlayback"),
            0u);
  EXPECT_TRUE(objc::send<bool()>(objc::send<objc::id()>(configuration, "defaultWebpagePreferences"),
                                 "allowsContentJavaScript"));
  EXPECT_TRUE(objc::send<bool()>(objc::send<objc::id()>(configuration, "websiteDataStore"),
                                 "isPersistent"));
  EXPECT_FALSE(sim::is_hidden(view));
  EXPECT_FALSE(objc::send<bool()>(view, "allowsBackForwardNavigationGestures"));
  EXPECT_EQ(sim::live_objects("QvDownloadDelegate"), 1);
  EXPECT_NE(sim::navigation_delegate(view), nullptr);
  EXPECT_NE(sim::ui_delegate(view), nullptr);
  EXPECT_EQ(sim::page(view).html, "<p>page</p>");
  EXPECT_EQ(sim::superview(view), parent_.get());
  EXPECT_EQ(sim::titlebar_separator_style(window_.get()), 1);
}

TEST_F(WebViewTest, IdsCountUpAndNeverComeBack) {
  std::optional<WebView> first = make(editor_builder());
  WebView second = make(editor_builder());
  const unsigned long n = std::stoul(first->inner().webview_id());
  EXPECT_EQ(second.inner().webview_id(), std::to_string(n + 1));
  first.reset();
  WebView third = make(editor_builder());
  EXPECT_EQ(third.inner().webview_id(), std::to_string(n + 2));

  WebViewBuilder named = editor_builder();
  named.attrs.view_id = "editor";
  EXPECT_EQ(make(std::move(named)).inner().webview_id(), "editor");
}

TEST_F(WebViewTest, FramesCountFromTheTopOfTheParent) {
  auto frame_of = [&](WebViewBuilder builder) {
    WebView web_view = make(std::move(builder));
    return sim::frame(web_view.inner().web_view());
  };
  EXPECT_EQ(frame_of(editor_builder()), (objc::NSRect{{0, 100}, {900, 600}}));

  WebViewBuilder fractional = editor_builder();
  fractional.attrs.bounds = Rect{LogicalPosition{10.9, 20.2}, LogicalSize{899.7, 600}};
  EXPECT_EQ(frame_of(std::move(fractional)), (objc::NSRect{{10, 80}, {899, 600}}));

  WebViewBuilder physical = editor_builder();  // the window's backing scale is 2
  physical.attrs.bounds = Rect{PhysicalPosition{20, 40}, PhysicalSize{1800, 1200}};
  EXPECT_EQ(frame_of(std::move(physical)), (objc::NSRect{{10, 80}, {900, 600}}));

  WebViewBuilder unbounded = editor_builder();
  unbounded.attrs.bounds.reset();
  EXPECT_EQ(frame_of(std::move(unbounded)), (objc::NSRect{{0, 0}, {900, 700}}));

  use_parent(true);
  EXPECT_EQ(frame_of(editor_builder()), (objc::NSRect{{0, 0}, {900, 600}}));
}

TEST_F(WebViewTest, ParentsThatAreNotAppKitViewsAreRefused) {
  Result<WebView> other = editor_builder().build_as_child(OtherParent());
  ASSERT_FALSE(other);
  EXPECT_EQ(other.error().text(), "UnsupportedWindowHandle");
  Result<WebView> broken = editor_builder().build_as_child(BrokenParent());
  ASSERT_FALSE(broken);
  EXPECT_EQ(broken.error().text(), "WindowHandleError(Unavailable)");
  EXPECT_TRUE(sim::calls().empty());
}

TEST_F(WebViewTest, OffTheMainThreadNothingIsCreated) {
  std::optional<Result<WebView>> made;
  std::thread([&] { made.emplace(build(editor_builder())); }).join();
  ASSERT_FALSE(*made);
  EXPECT_EQ(made->error().text(), "NotMainThread");
  EXPECT_TRUE(sim::calls().empty());
  EXPECT_EQ(live_web_view_objects(), 0);
}

TEST_F(WebViewTest, DropDetachesTheViewAndForgetsIt) {
  std::optional<WebView> web_view = make(editor_builder());
  const std::string id = web_view->inner().webview_id();
  objc::id controller = web_view->inner().user_content_controller();
  EXPECT_EQ(webview_state().entries.count(id), 1u);
  sim::clear_calls();

  web_view.reset();
  EXPECT_THAT(platform_calls(),
              ElementsAre("WKUserContentController removeScriptMessageHandlerForName: \"ipc\"",
                          "QvWebView removeFromSuperview"));
  (void)controller;
  EXPECT_EQ(webview_state().entries.count(id), 0u);
  EXPECT_TRUE(sim::subviews(parent_.get()).empty());
  sim::run_main_loop();
  EXPECT_EQ(live_web_view_objects(), 0);
}

TEST_F(WebViewTest, AttributesBeyondTheEditorsReachThePlatform) {
  WebViewBuilder builder = editor_builder();
  builder.attrs.incognito = true;
  builder.attrs.javascript_disabled = true;
  builder.attrs.autoplay = false;
  builder.attrs.visible = false;
  builder.attrs.back_forward_gestures = true;
  builder.attrs.user_agent = "Vessimor";
  builder.attrs.background_throttling = BackgroundThrottlingPolicy::disabled;
  builder.attrs.init_scripts = {{"first()", true}, {"second()", false}};
  builder.attrs.download_started_handler = nullptr;
  builder.platform.link_preview = false;
  WebView web_view = make(std::move(builder));
  objc::id view = web_view.inner().web_view();
  objc::id configuration = sim::web_view_configuration(view);

  EXPECT_FALSE(objc::send<bool()>(objc::send<objc::id()>(configuration, "websiteDataStore"),
                                  "isPersistent"));
  EXPECT_FALSE(
      objc::send<bool()>(objc::send<objc::id()>(configuration, "defaultWebpagePreferences"),
                         "allowsContentJavaScript"));
  EXPECT_NE(objc::send<unsigned long()>(configuration, "mediaTypesRequiringUserActionForPlayback"),
            0u);
  EXPECT_TRUE(sim::is_hidden(view));
  EXPECT_TRUE(objc::send<bool()>(view, "allowsBackForwardNavigationGestures"));
  EXPECT_FALSE(objc::send<bool()>(view, "allowsLinkPreview"));
  EXPECT_EQ(sim::text(objc::send<objc::id()>(view, "customUserAgent")), "Vessimor");
  EXPECT_EQ(sim::value_for_key(objc::send<objc::id()>(configuration, "preferences"),
                               "inactiveSchedulingPolicy"),
            "2");
  EXPECT_EQ(sim::live_objects("QvDownloadDelegate"), 0);

  // The bridge definition runs first at document start, then the init scripts in order.
  sim::commit_navigation(view);
  EXPECT_THAT(sim::page(view).scripts,
              ElementsAre(std::string(bridge_definition_script), "first()", "second()"));
}

TEST_F(WebViewTest, OlderSystemsKeepTheirOwnSelectors) {
  sim::set_os_version(13);
  WebViewBuilder builder = editor_builder();
  builder.platform.data_store_id = std::array<std::uint8_t, 16>{1, 2, 3};
  builder.attrs.background_throttling = BackgroundThrottlingPolicy::suspend;
  WebView web_view = make(std::move(builder));
  const std::vector<std::string> calls = platform_calls();
  EXPECT_THAT(calls, Contains("NSApplication activateIgnoringOtherApps: YES"));
  EXPECT_THAT(calls, Contains("WKWebsiteDataStore +defaultDataStore"));
  EXPECT_THAT(calls, Not(Contains(::testing::HasSubstr("inactiveSchedulingPolicy"))));

  sim::set_os_version(14);
  WebViewBuilder with_store = editor_builder();
  with_store.platform.data_store_id = std::array<std::uint8_t, 16>{1, 2, 3};
  WebView second = make(std::move(with_store));
  EXPECT_EQ(sim::text(objc::send<objc::id()>(
                objc::send<objc::id()>(
                    objc::send<objc::id()>(sim::web_view_configuration(second.inner().web_view()),
                                           "websiteDataStore"),
                    "identifier"),
                "UUIDString")),
            "01020300-0000-0000-0000-000000000000");
}

TEST_F(WebViewTest, CustomSchemesRegisterOrFailByName) {
  auto handler = std::make_shared<CustomProtocolHandler>(
      [](const std::string&, http::Request<std::vector<std::uint8_t>>, RequestAsyncResponder) {});
  WebViewBuilder builder = editor_builder();
  builder.attrs.view_id = "schemes";
  builder.attrs.custom_protocols = {{"alpha", handler}, {"beta", handler}};
  {
    WebView web_view = make(std::move(builder));
    objc::id configuration = sim::web_view_configuration(web_view.inner().web_view());
    objc::id beta = objc::send<objc::id(objc::id)>(
        configuration, "urlSchemeHandlerForURLScheme:", sim::string("beta").get());
    ASSERT_NE(beta, nullptr);
    EXPECT_STREQ(objc::class_name(objc::class_of(beta)), "betaURLSchemeHandler");
    EXPECT_STREQ(*objc::ivar_ptr<char*>(beta, "webview_id"), "schemes");
    EXPECT_EQ(*objc::ivar_ptr<unsigned long>(beta, "protocol_index"), 1u);
    EXPECT_EQ(webview_state().entries.at("schemes").protocols.size(), 2u);
  }

  WebViewBuilder refused = editor_builder();
  refused.attrs.custom_protocols = {{"https", handler}};
  Result<WebView> made = build(std::move(refused));
  ASSERT_FALSE(made);
  EXPECT_EQ(made.error().text(), "UrlSchemeRegisterError(https)");
  sim::run_main_loop();
  EXPECT_EQ(live_web_view_objects(), 0);
}

TEST_F(WebViewTest, ManyWebViewsComeAndGoWithoutLeaving) {
  for (int i = 0; i < 1000; ++i) {
    WebView web_view = make(editor_builder());
    sim::run_main_loop();
  }
  sim::run_main_loop();
  EXPECT_EQ(live_web_view_objects(), 0);
  EXPECT_TRUE(sim::subviews(parent_.get()).empty());
  EXPECT_TRUE(webview_state().entries.empty());
}

}  // namespace
}  // namespace vessimor::webview
