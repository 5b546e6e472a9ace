#pragma once

// A web view inside a view the host owns: built from a WebViewBuilder, alive until dropped.

#include <memory>
#include <optional>
#include <string_view>

#include "webview/attributes.hpp"
#include "webview/error.hpp"
#include "webview/inner_web_view.hpp"

namespace vessimor::webview {

// The caller's handle; dropping it destroys the web view. Thread: main
class WebView {
 public:
  explicit WebView(std::unique_ptr<InnerWebView> inner) : inner_(std::move(inner)) {}

  // Runs a script in the page, or queues it until the page's first navigation commits (queued
  // scripts then run in order). Always succeeds; errors in the page are not reported.
  // Thread: main
  Result<Done> evaluate_script(std::string_view script) { return inner_->eval(script); }

  InnerWebView& inner() noexcept { return *inner_; }
  const InnerWebView& inner() const noexcept { return *inner_; }

 private:
  std::unique_ptr<InnerWebView> inner_;
};

class WebViewBuilder {
 public:
  // Every attribute at its default, no stored error.
  WebViewBuilder() = default;

  // Stores the page-message handler, dropping an earlier one.
  WebViewBuilder& with_ipc_handler(IpcHandler handler);

  // Creates the web view as a child of `parent`'s AppKit view. Gives a stored builder error,
  // WindowHandleError when the parent has no handle, UnsupportedWindowHandle for a handle that
  // is not an AppKit view, or creation's own error. The builder is spent either way.
  // Thread: main
  Result<WebView> build_as_child(const HasWindowHandle& parent) &&;

  WebViewAttributes attrs;
  PlatformSpecificWebViewAttributes platform;

 private:
  std::optional<WebViewError> error_;
};

}  // namespace vessimor::webview
