#include "webview/url_scheme_handler.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "tests/webview/host_test.hpp"
#include "webview/inner_web_view.hpp"
#include "webview/qv_web_view.hpp"

namespace vessimor::webview {
namespace {

namespace sim = testing::sim;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;
using Body = std::vector<std::uint8_t>;

Body bytes(std::string_view text) {
  return Body(text.begin(), text.end());
}

sim::SchemeRequest get(std::string url) {
  sim::SchemeRequest request;
  request.url = std::move(url);
  return request;
}

http::Response<Body> reply(int status, std::string_view body = {}, http::HeaderMap headers = {}) {
  http::Response<Body> response;
  response.status = status;
  response.headers = std::move(headers);
  response.body = bytes(body);
  return response;
}

// What one web view's "app" handler was asked, with the responders it was handed.
struct Served {
  std::vector<std::string> ids;
  std::vector<http::Request<Body>> requests;
  std::vector<RequestAsyncResponder> responders;
};

class UrlSchemeHandlerTest : public testing::WebViewHostTest {
 protected:
  void TearDown() override {
    sim::on_call(nullptr);
    WebViewHostTest::TearDown();
  }

  Result<std::unique_ptr<InnerWebView>> try_make(std::map<std::string, Served*> schemes) {
    WebViewAttributes attributes;
    for (const auto& entry : schemes) {
      Served* served = entry.second;
      attributes.custom_protocols[entry.first] = std::make_shared<CustomProtocolHandler>(
          [served](const std::string& id, http::Request<Body> request,
                   RequestAsyncResponder responder) {
            served->ids.push_back(id);
            served->requests.push_back(std::move(request));
            served->responders.push_back(std::move(responder));
          });
    }
    return InnerWebView::new_ns_view(parent_.get(), std::move(attributes), {}, true);
  }
  std::unique_ptr<InnerWebView> make(Served& served) {
    auto made = try_make({{"app", &served}});
    if (!made) ADD_FAILURE() << made.error().text();
    return std::move(made).value();
  }

  static bool has_token(objc::id view, objc::id task) {
    return static_cast<bool>(QvWebView::get_custom_task_uuid(view, task));
  }
};

TEST_F(UrlSchemeHandlerTest, RequestsCarryTheirUrlMethodHeadersAndBody) {
  Served served;
  auto inner = make(served);
  objc::id view = inner->web_view();
  sim::SchemeRequest post = get("app://host/save?x=1");
  post.method = "POST";
  post.headers = {{"Content-Type", "text/plain"}, {"X-Tag", "é"}};
  post.body = std::string("hel\0lo", 6);
  objc::Strong task = sim::start_scheme_task(view, post);
  ASSERT_EQ(served.requests.size(), 1u);
  EXPECT_EQ(served.ids[0], inner->webview_id());
  const http::Request<Body>& request = served.requests[0];
  EXPECT_EQ(request.uri, "app://host/save?x=1");
  EXPECT_EQ(request.method, "POST");
  EXPECT_THAT(request.headers, ElementsAre(Pair("Content-Type", "text/plain"), Pair("X-Tag", "é")));
  EXPECT_EQ(request.body, bytes(std::string_view("hel\0lo", 6)));
  EXPECT_TRUE(has_token(view, task.get()));
  EXPECT_FALSE(sim::scheme_task(task.get()).status);  // waits for the handler's reply

  // A streamed body is read whole, whatever the stream hands out per read, and every read may
  // fill at least 128 bytes.
  std::string streamed(300, '\0');
  for (std::size_t i = 0; i < streamed.size(); ++i) streamed[i] = static_cast<char>(i * 7);
  for (std::size_t chunk : {1, 64, 1000}) {
    sim::clear_calls();
    sim::SchemeRequest upload = get("app://host/upload");
    upload.method = "POST";
    upload.body_stream = streamed;
    upload.chunk = chunk;
    sim::start_scheme_task(view, upload);
    EXPECT_EQ(served.requests.back().body, bytes(streamed)) << chunk;
    std::vector<std::string> stream_calls;
    for (const sim::Call& call : sim::calls()) {
      if (call.receiver_class != "NSInputStream") continue;
      stream_calls.push_back(call.selector);
      if (call.selector == "read:maxLength:") {
        EXPECT_GE(std::stoul(call.arguments[1]), 128u);
      }
    }
    EXPECT_EQ(stream_calls.front(), "open");
    EXPECT_EQ(stream_calls.back(), "close");
  }
  EXPECT_TRUE(served.requests.back().headers.empty());
}

TEST_F(UrlSchemeHandlerTest, RepliesReachTheTaskOnceFromAnyThread) {
  Served served;
  auto inner = make(served);
  objc::id view = inner->web_view();
  objc::Strong plain = sim::start_scheme_task(view, get("app://host/a"));
  served.responders[0](reply(201, "abcde"));
  sim::TaskState state = sim::scheme_task(plain.get());
  EXPECT_EQ(state.status, 201);
  EXPECT_EQ(state.http_version, "HTTP/1.1");
  EXPECT_THAT(state.headers, ElementsAre(Pair("content-length", "5")));
  EXPECT_EQ(state.data, "abcde");
  EXPECT_TRUE(state.finished);
  EXPECT_FALSE(has_token(view, plain.get()));
  served.responders[0](reply(500));  // one shot: the finished task hears nothing more
  EXPECT_EQ(sim::scheme_task(plain.get()).status, 201);

  objc::Strong rich = sim::start_scheme_task(view, get("app://host/b"));
  std::thread([&] {
    http::Response<Body> rich_reply = reply(200, "ok",
                                            {{"X-Bad", "a\r\nb"},
                                             {"Content-Length", "2"},
                                             {"Content-Type", "text/html"},
                                             {"bad name", "x"},
                                             {"x-twice", "1"},
                                             {"X-Twice", "2"}});
    rich_reply.version = http::Version::http2;
    served.responders[1](std::move(rich_reply));
  }).join();
  state = sim::scheme_task(rich.get());
  EXPECT_EQ(state.http_version, "HTTP/2.0");
  EXPECT_THAT(state.headers, ElementsAre(Pair("content-type", "text/html"),
                                         Pair("content-length", "2"), Pair("x-twice", "2")));
  EXPECT_TRUE(state.finished);
}

TEST_F(UrlSchemeHandlerTest, StoppedTasksAndDroppedWebViewsHearNothingMore) {
  Served served;
  auto inner = make(served);
  objc::Strong view = objc::Strong::retain(inner->web_view());

  objc::Strong stopped = sim::start_scheme_task(view.get(), get("app://host/1"));
  sim::stop_scheme_task(view.get(), stopped.get());
  EXPECT_FALSE(has_token(view.get(), stopped.get()));
  served.responders[0](reply(200, "late"));
  EXPECT_FALSE(sim::scheme_task(stopped.get()).status);

  // Stopped while the reply is on its way: before the response goes out, and between the
  // response and the data, when WebKit raises for the stopped task.
  for (const char* at : {"initWithURL:statusCode:HTTPVersion:headerFields:", "didReceiveData:"}) {
    objc::Strong task = sim::start_scheme_task(view.get(), get("app://host/2"));
    sim::on_call([&, at](const sim::Call& call) {
      if (call.selector == at) sim::stop_scheme_task(view.get(), task.get());
    });
    served.responders.back()(reply(200, "late"));
    sim::on_call(nullptr);
    EXPECT_FALSE(sim::scheme_task(task.get()).finished) << at;
    EXPECT_TRUE(sim::scheme_task(task.get()).data.empty()) << at;
  }

  sim::clear_calls();  // freed objects' addresses come back
  objc::Strong waiting = sim::start_scheme_task(view.get(), get("app://host/3"));
  inner.reset();
  served.responders.back()(reply(200, "late"));
  EXPECT_THAT(sim::selectors_sent_to(waiting.get()), ElementsAre("request"));
}

TEST_F(UrlSchemeHandlerTest, TasksNoHandlerCanAnswerGetA404) {
  Served served;
  auto inner = make(served);
  objc::Strong view = objc::Strong::retain(inner->web_view());
  auto expect_404 = [](objc::id task) {
    sim::TaskState state = sim::scheme_task(task);
    EXPECT_EQ(state.status, 404);
    EXPECT_EQ(state.http_version, "HTTP/1.1");
    EXPECT_THAT(state.headers, IsEmpty());
    EXPECT_EQ(state.data, "");
    EXPECT_TRUE(state.finished);
  };
  std::vector<sim::SchemeRequest> unexpressible(4, get("app://host/"));
  unexpressible[0].url = "app://host/a b";
  unexpressible[1].method = "GET ME";
  unexpressible[2].headers = {{"X-Ctl", "a\x01"}};
  unexpressible[3].headers = {{"Bad:Name", "1"}};
  for (const sim::SchemeRequest& request : unexpressible) {
    objc::Strong task = sim::start_scheme_task(view.get(), request);
    expect_404(task.get());
    EXPECT_FALSE(has_token(view.get(), task.get()));
  }
  EXPECT_TRUE(served.requests.empty());

  // WebKit may keep the handler and start tasks after the web view is dropped.
  inner.reset();
  objc::Strong orphan = sim::start_scheme_task(view.get(), get("app://host/"));
  expect_404(orphan.get());
  EXPECT_TRUE(served.requests.empty());
}

TEST_F(UrlSchemeHandlerTest, WebViewsShareTheClassOfTheirSchemeButNotTheirHandlers) {
  Served first_served, second_served;
  auto first = make(first_served);
  auto second = make(second_served);
  auto handler_of = [](const InnerWebView& inner) {
    return objc::send<objc::id(objc::id)>(
        sim::web_view_configuration(inner.web_view()),
        "urlSchemeHandlerForURLScheme:", sim::string("app").get());
  };
  EXPECT_EQ(objc::class_of(handler_of(*first)), objc::class_of(handler_of(*second)));
  EXPECT_EQ(objc::class_of(handler_of(*first)), url_scheme_handler::create("app"));
  sim::start_scheme_task(second->web_view(), get("app://host/"));
  EXPECT_TRUE(first_served.requests.empty());
  EXPECT_THAT(second_served.ids, ElementsAre(second->webview_id()));

  Served unused;
  const std::string zero_byte("a\0b", 3);
  auto refused = try_make({{zero_byte, &unused}});
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.error().kind, WebViewErrorKind::UrlSchemeRegisterError);
  EXPECT_THAT(refused.error().data, ElementsAre(zero_byte));
}

}  // namespace
}  // namespace vessimor::webview
