#pragma once

// A host window and view to create web views in; the call log starts empty.

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
  void SetUp() override { use_parent(false); }
  void TearDown() override { sim::run_main_loop(); }

  // A 900 x 700 host view in a window, flipped or not.
  void use_parent(bool flipped) {
    window_ = sim::make_window({{0, 0}, {900, 700}});
    parent_ = sim::make_view({{0, 0}, {900, 700}}, flipped);
    objc::send<void(objc::id)>(sim::content_view(window_.get()), "addSubview:", parent_.get());
    sim::run_main_loop();
    sim::clear_calls();
  }

  // The editor's settings: an HTML page and a page-message handler.
  static WebViewBuilder editor_builder(IpcHandler handler = [](http::Request<std::string>) {}) {
    WebViewBuilder builder;
    builder.with_ipc_handler(std::move(handler));
    builder.attrs.bounds = Rect{LogicalPosition{0, 0}, LogicalSize{900, 600}};
    builder.attrs.page_html = "<p>page</p>";
    return builder;
  }

  Result<WebView> build(WebViewBuilder builder) {
    return std::move(builder).build_as_child(AppKitParent(parent_.get()));
  }

  WebView make(WebViewBuilder builder) {
    Result<WebView> made = build(std::move(builder));
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
