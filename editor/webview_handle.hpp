#pragma once

// The cell that holds the editor's web view while it is open.

#include <memory>
#include <optional>

#include "platform/objc/runtime.hpp"
#include "webview/web_view.hpp"

namespace vessimor {

// The window a host's view is put in when it has none yet, so that the web view is made with a
// backing scale. Released when the editor closes; the host's view is taken out of it first if it
// is still there (a host that shows the view moves it into a window of its own).
class OffscreenWindow {
 public:
  // Thread: main
  OffscreenWindow(objc::Strong window, objc::id host_view)
      : window_(std::move(window)), host_view_(host_view) {}
  OffscreenWindow(OffscreenWindow&&) noexcept = default;
  OffscreenWindow& operator=(OffscreenWindow&&) noexcept = default;
  // Thread: main
  ~OffscreenWindow();

 private:
  objc::Strong window_;
  objc::id host_view_ = nullptr;
};

// Empty until the web view is built and again after it is closed. The editor's drop guard and
// the page message handler each hold a reference; only the main thread touches it.
struct WebViewCell {
  std::optional<webview::WebView> web_view;
  std::optional<OffscreenWindow> offscreen_window;
};
using WebViewHandle = std::shared_ptr<WebViewCell>;

}  // namespace vessimor
