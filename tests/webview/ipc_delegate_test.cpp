#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/webview/host_test.hpp"

namespace vessimor::webview {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
namespace sim = testing::sim;

class IpcDelegateTest : public testing::WebViewHostTest {
 protected:
  WebView make_recording() {
    return make(editor_builder([this](http::Request<std::string> request) {
      received_.push_back(request.method + " " + request.uri + " " + request.body);
    }));
  }
  std::vector<std::string> received_;
};

TEST_F(IpcDelegateTest, TextMessagesReachTheHandlerWithTheFrameUrlAsTarget) {
  WebView web_view = make_recording();
  objc::id view = web_view.inner().web_view();
  EXPECT_TRUE(sim::post_page_message(view, sim::string(R"({"type":"request_presets"})").get(),
                                     "about:blank"));
  sim::post_page_message(view, sim::string("second").get(), "file:///Applications/x.html");
  sim::post_page_message(view, sim::string(std::string_view("cut\0here", 8)).get(), "about:blank");
  EXPECT_THAT(received_,
              ElementsAre(R"(GET about:blank {"type":"request_presets"})",
                          "GET file:///Applications/x.html second", "GET about:blank cut"));
}

TEST_F(IpcDelegateTest, MessagesThatAreNoTextOrComeFromNowhereAreDropped) {
  WebView web_view = make_recording();
  objc::id view = web_view.inner().web_view();
  sim::post_page_message(view, sim::number(7).get(), "about:blank");
  sim::post_page_message(view, sim::array({}).get(), "about:blank");
  sim::post_page_message(view, sim::string("no frame URL").get(), "");
  sim::post_page_message(view, sim::string("no target").get(), "about: blank");
  EXPECT_THAT(received_, IsEmpty());
}

TEST_F(IpcDelegateTest, NoMessageArrivesAfterTheWebViewIsDropped) {
  std::optional<WebView> web_view = make_recording();
  objc::Strong view = objc::Strong::retain(web_view->inner().web_view());
  web_view.reset();
  EXPECT_FALSE(sim::post_page_message(view.get(), sim::string("late").get(), "about:blank"));
  EXPECT_THAT(received_, IsEmpty());
}

TEST_F(IpcDelegateTest, TheHandlerMayDropTheWebViewWhileItRuns) {
  std::optional<WebView> web_view;
  int calls = 0;
  web_view.emplace(make(editor_builder([&](http::Request<std::string>) {
    web_view.reset();
    ++calls;  // the handler is still alive here
  })));
  objc::Strong view = objc::Strong::retain(web_view->inner().web_view());
  sim::post_page_message(view.get(), sim::string("close").get(), "about:blank");
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(web_view.has_value());
}

TEST(RequestTarget, AbsoluteUrlsAndRootPathsAreTargets) {
  for (const char* uri : {"about:blank", "https://a.b/c?d#e", "file:///x", "app+x.y-z:1", "/p"}) {
    EXPECT_TRUE(http::is_valid_uri(uri)) << uri;
  }
  for (const char* uri : {"", "blank", "1ab:c", "about: blank", "a b:c", "caf\xc3\xa9:x", ":x"}) {
    EXPECT_FALSE(http::is_valid_uri(uri)) << uri;
  }
}

}  // namespace
}  // namespace vessimor::webview
