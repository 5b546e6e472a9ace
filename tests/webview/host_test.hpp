#pragma once

// A host window and view to create web views in, for the tests of what happens after creation.

#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>

#include "platform/apple/sim.hpp"
#include "webview/web_view.hpp"

namespace vessimor::webview::testing {

namespace sim = apple::sim;

struct AppKitParent : HasWindowHandle {
  objc::id view;
  explicit AppKitParent(objc::id v) : view(v) {}
  std::variant<RawWindowHandle, HandleError> window_handle() const override {
    return RawWindowHandle{WindowSystem::app_kit, view};
  }
};

class WebViewHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = sim::make_window({{0, 0}, {900, 700}});
    parent_ = sim::make_view({{0, 0}, {900, 700}});
    objc::send<void(objc::id)>(sim::content_view(window_.get()), "addSubview:", parent_.get());
    sim::run_main_loop();
    sim::clear_calls();
  }
  void TearDown() override { sim::run_main_loop(); }

  // The editor's settings: an HTML page and a page-message handler.
  static WebViewBuilder editor_builder(IpcHandler handler = [](http::Request<std::string>) {}) {
    WebViewBuilder builder;
    builder.with_ipc_handler(std::move(handler));
    builder.attrs.bounds = Rect{LogicalPosition{0, 0}, LogicalSize{900, 600}};
    builder.attrs.page_html = "<p>page</p>";
    return builder;
  }

  WebView make(WebViewBuilder builder) {
    Result<WebView> made = std::move(builder).build_as_child(AppKitParent(parent_.get()));
    if (!made) {
      ADD_FAILURE() << made.error().text();
      std::abort();
    }
    return std::move(made).value();
  }

  objc::Strong window_;
  objc::Strong parent_;
};

}  // namespace vessimor::webview::testing
