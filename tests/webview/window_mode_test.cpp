#include "webview/window_mode.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/apple/sim.hpp"
#include "webview/inner_web_view.hpp"

namespace vessimor::webview {
namespace {

namespace sim = apple::sim;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

class WindowModeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = sim::make_window({{0, 0}, {900, 700}});
    sim::clear_calls();
  }
  void TearDown() override {
    sim::set_main_menu(std::nullopt);
    sim::run_main_loop();
  }

  std::unique_ptr<InnerWebView> make(WebViewAttributes attributes,
                                     PlatformSpecificWebViewAttributes platform, bool is_child) {
    objc::id host = sim::content_view(window_.get());
    auto made =
        InnerWebView::new_ns_view(host, std::move(attributes), std::move(platform), is_child);
    if (!made) ADD_FAILURE() << made.error().text();
    return std::move(made).value();
  }

  double button_x(long which) {
    return sim::frame(objc::send<objc::id(long)>(window_.get(), "standardWindowButton:", which))
        .origin.x;
  }

  objc::Strong window_;
};

TEST_F(WindowModeTest, TheWebViewFillsItsWindowAndTheButtonsKeepTheirInset) {
  WebViewAttributes attributes;
  attributes.bounds = Rect{LogicalPosition{10, 20}, LogicalSize{300, 300}};
  PlatformSpecificWebViewAttributes platform;
  platform.traffic_light_inset = PhysicalPosition{24, 32};  // the backing scale is 2
  auto inner = make(std::move(attributes), std::move(platform), false);
  objc::id view = inner->web_view();

  objc::id parent = sim::content_view(window_.get());
  EXPECT_STREQ(objc::class_name(objc::class_of(parent)), "QvWebViewParent");
  EXPECT_THAT(sim::subviews(parent), ElementsAre(view));
  EXPECT_EQ(sim::first_responder(window_.get()), view);
  EXPECT_EQ(sim::frame(view), (objc::NSRect{{10, -20}, {0, 0}}));
  EXPECT_EQ(sim::autoresizing_mask(view), 18u);
  EXPECT_EQ(sim::autoresizing_mask(parent), 18u);

  auto expect_inset = [&] {
    EXPECT_EQ(button_x(0), 12);
    EXPECT_EQ(button_x(1), 32);
    EXPECT_EQ(button_x(2), 52);
    objc::id close = objc::send<objc::id(long)>(window_.get(), "standardWindowButton:", 0);
    const objc::NSRect container = sim::frame(sim::superview(sim::superview(close)));
    EXPECT_EQ(container.size.height, sim::frame(close).size.height + 16);
    EXPECT_EQ(container.origin.y, 700 - container.size.height);
  };
  expect_inset();

  // AppKit lays the title bar out again; the next redraw puts the buttons back.
  for (long which = 0; which < 3; ++which) {
    objc::send<void(objc::NSPoint)>(
        objc::send<objc::id(long)>(window_.get(), "standardWindowButton:", which),
        "setFrameOrigin:", objc::NSPoint{7.0 + 20 * which, 6});
  }
  EXPECT_EQ(button_x(0), 7);
  sim::draw(parent);
  expect_inset();
}

TEST_F(WindowModeTest, KeysTypedIntoTheParentGoToTheMainMenu) {
  objc::Strong parent = make_window_parent();
  sim::key_down(parent.get(), "q");  // no main menu: nothing happens
  sim::set_main_menu(true);
  sim::clear_calls();
  sim::key_down(parent.get(), "q");
  EXPECT_THAT(sim::call_texts(),
              ElementsAre("NSApplication +sharedApplication", "NSApplication mainMenu",
                          "NSMenu performKeyEquivalent: NSEvent"));
}

TEST_F(WindowModeTest, TheTitleObserverReportsTitlesUntilTheWebViewGoes) {
  std::vector<std::string> titles;
  WebViewAttributes attributes;
  attributes.title_changed_handler = [&](std::string title) { titles.push_back(std::move(title)); };
  auto inner = make(std::move(attributes), {}, true);
  objc::id view = inner->web_view();

  sim::set_title(view, "Vessimor");
  sim::notify_key_path(view, "URL", nullptr);
  sim::set_title(view, "");
  EXPECT_THAT(titles, ElementsAre("Vessimor", ""));

  sim::clear_calls();
  inner.reset();
  EXPECT_THAT(
      sim::call_texts(),
      Contains("QvWebView removeObserver:forKeyPath: DocumentTitleChangedObserver, \"title\""));
}

TEST_F(WindowModeTest, WithoutATitleHandlerNothingObservesTheTitle) {
  auto inner = make({}, {}, true);
  EXPECT_THAT(sim::call_texts(inner->web_view()),
              Not(Contains(::testing::HasSubstr("addObserver"))));
}

TEST(WebViewErrorTest, TextIsTheKindWithItsDataInParentheses) {
  EXPECT_EQ(WebViewError::plain(WebViewErrorKind::NotMainThread).text(), "NotMainThread");
  EXPECT_EQ(WebViewError::with(WebViewErrorKind::UrlSchemeRegisterError, "https").text(),
            "UrlSchemeRegisterError(https)");
  EXPECT_EQ((WebViewError{WebViewErrorKind::RpcScriptError, {"a", "b"}}).text(),
            "RpcScriptError(a, b)");
  const char* const names[] = {"InitScriptError",
                               "RpcScriptError",
                               "NulError",
                               "ReceiverError",
                               "SenderError",
                               "MessageSender",
                               "Io",
                               "HttpError",
                               "ProxyEndpointCreationFailed",
                               "WindowHandleError",
                               "UnsupportedWindowHandle",
                               "Utf8Error",
                               "NotMainThread",
                               "CustomProtocolTaskInvalid",
                               "UrlSchemeRegisterError",
                               "DuplicateCustomProtocol",
                               "ContextDuplicateCustomProtocol",
                               "UrlParse",
                               "DataStoreInUse"};
  for (int kind = 0; kind < 19; ++kind) {
    EXPECT_STREQ(kind_name(static_cast<WebViewErrorKind>(kind)), names[kind]);
  }
}

}  // namespace
}  // namespace vessimor::webview
