#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/webview/host_test.hpp"

namespace vessimor::webview {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::sim::page;

class ScriptEvalTest : public testing::WebViewHostTest {
 protected:
  static std::vector<std::string> scripts_after_bridge(objc::id view) {
    std::vector<std::string> scripts = page(view).scripts;
    if (!scripts.empty() && scripts.front() == bridge_definition_script) {
      scripts.erase(scripts.begin());
    }
    return scripts;
  }
};

TEST_F(ScriptEvalTest, ScriptsWaitForTheFirstCommitAndThenRunAtOnce) {
  WebView web_view = make(editor_builder());
  objc::id view = web_view.inner().web_view();
  EXPECT_TRUE(web_view.evaluate_script("first()").ok());
  EXPECT_TRUE(web_view.evaluate_script("second()").ok());
  EXPECT_THAT(page(view).scripts, IsEmpty());

  testing::sim::commit_navigation(view);
  EXPECT_THAT(scripts_after_bridge(view), ElementsAre("first()", "second()"));
  web_view.evaluate_script("third()");
  EXPECT_THAT(scripts_after_bridge(view), ElementsAre("first()", "second()", "third()"));

  testing::sim::commit_navigation(view);  // a reload: a new document, nothing from the queue
  EXPECT_THAT(scripts_after_bridge(view), IsEmpty());
  EXPECT_FALSE(web_view.inner().pending_scripts()->scripts.has_value());
}

TEST_F(ScriptEvalTest, CallbacksGetTheResultAsJsonTextOnlyAfterTheCommit) {
  WebView web_view = make(editor_builder());
  objc::id view = web_view.inner().web_view();
  testing::sim::set_script_results(view, [](std::string_view script) -> objc::Strong {
    if (script == "two") return testing::sim::number(2);
    if (script == "text") return testing::sim::string("a\"b");
    if (script == "object")
      return objc::Strong::adopt(
          objc::send<objc::id()>(objc::get_class("NSObject"), "new"));  // not JSON
    return {};                                                          // undefined
  });
  std::vector<std::string> results;
  auto record = [&](std::string text) { results.push_back(std::move(text)); };

  web_view.inner().eval("two", record);
  testing::sim::commit_navigation(view);
  testing::sim::run_main_loop();
  EXPECT_THAT(results, IsEmpty()) << "a queued script reports nothing";

  for (const char* script : {"two", "undefined", "text", "object"}) {
    web_view.inner().eval(script, record);
  }
  EXPECT_THAT(results, IsEmpty()) << "results come on a later turn of the main loop";
  testing::sim::run_main_loop();
  EXPECT_THAT(results, ElementsAre("2", "", "\"a\\\"b\"", ""));
  testing::sim::run_main_loop();
  EXPECT_EQ(results.size(), 4u);
}

TEST_F(ScriptEvalTest, PageLoadEventsCarryTheUrlAndScriptsQueuedAtTheStartRunToo) {
  std::vector<std::string> events;
  std::optional<WebView> web_view;
  WebViewBuilder builder = editor_builder();
  builder.attrs.page_load_handler = [&](PageLoadEvent event, std::string url) {
    events.push_back((event == PageLoadEvent::started ? "started " : "finished ") + url);
    if (event == PageLoadEvent::started) web_view->evaluate_script("from_handler()");
  };
  web_view.emplace(make(std::move(builder)));
  objc::id view = web_view->inner().web_view();
  EXPECT_EQ(url_from_webview(view).value(), "") << "no URL before the first load";
  web_view->evaluate_script("queued()");

  testing::sim::commit_navigation(view, "about:blank");
  testing::sim::finish_navigation(view);
  EXPECT_THAT(events, ElementsAre("started about:blank", "finished about:blank"));
  EXPECT_THAT(scripts_after_bridge(view), ElementsAre("queued()", "from_handler()"));
}

TEST_F(ScriptEvalTest, PagesLoadedByUrlSendOnlyPlainHeaderValues) {
  WebViewBuilder builder = editor_builder();
  builder.attrs.page_url = "https://quorvane.com/editor";
  builder.attrs.page_headers = http::HeaderMap{
      {"X-A", "one\ttwo"}, {"X-A", "again"}, {"X-B", "caf\xc3\xa9"}, {"X-C", "\x7f"}};
  WebView web_view = make(std::move(builder));
  std::vector<std::string> headers;
  for (const std::string& call : testing::sim::call_texts()) {
    if (call.starts_with("NSMutableURLRequest addValue:")) headers.push_back(call);
  }
  EXPECT_THAT(headers,
              ElementsAre("NSMutableURLRequest addValue:forHTTPHeaderField: \"one\ttwo\", \"X-A\"",
                          "NSMutableURLRequest addValue:forHTTPHeaderField: \"again\", \"X-A\"",
                          "NSMutableURLRequest addValue:forHTTPHeaderField: \"\", \"X-B\"",
                          "NSMutableURLRequest addValue:forHTTPHeaderField: \"\", \"X-C\""));
  EXPECT_EQ(page(web_view.inner().web_view()).url, "https://quorvane.com/editor");

  WebViewBuilder refused = editor_builder();
  refused.attrs.view_id = "refused";
  refused.attrs.page_url = "not a url";
  Result<WebView> made = std::move(refused).build_as_child(testing::AppKitParent(parent_.get()));
  ASSERT_FALSE(made);
  EXPECT_EQ(made.error().text(), "UrlParse(invalid URL: not a url)");
  EXPECT_EQ(webview_state().entries.count("refused"), 0u);
}

}  // namespace
}  // namespace vessimor::webview
