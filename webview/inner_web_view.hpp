#pragma once

// The platform side of a web view: a QvWebView with its configuration's user content controller,
// delegates and pending-script list, registered under its id in the process-wide registry.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <vector>

#include "webview/attributes.hpp"
#include "webview/delegates.hpp"
#include "webview/error.hpp"
#include "webview/objc_class.hpp"

namespace vessimor::webview {

// Defines window.ipc as a frozen object whose postMessage hands its argument to the script
// message handler "ipc". Added first to every web view, for the main frame only.
inline constexpr std::string_view bridge_definition_script =
    "Object.defineProperty(window, 'ipc', {\n"
    "  value: Object.freeze({postMessage: function(s) "
    "{window.webkit.messageHandlers.ipc.postMessage(s);}})\n"
    "});";

// WEBVIEW_STATE: each live web view's custom-protocol handlers, by web view id. Creation and
// drop write; the URL scheme handlers read.
struct WebViewRegistry {
  struct Entry {
    std::vector<std::shared_ptr<CustomProtocolHandler>> protocols;
  };
  std::shared_mutex mutex;
  std::map<std::string, Entry, std::less<>> entries;
};
WebViewRegistry& webview_state();

// The current URL of a web view as text: empty while it has none; Utf8Error when the text is
// not valid UTF-8. Thread: main
Result<std::string> url_from_webview(id web_view);

class InnerWebView {
 public:
  // Creates the web view inside `ns_view`: as its child (is_child), or filling the window whose
  // content view it is. Fails with NotMainThread off the main thread (nothing is made),
  // UrlSchemeRegisterError when a scheme cannot be registered, or the error of loading
  // `page_url`. Thread: main
  static Result<std::unique_ptr<InnerWebView>> new_ns_view(
      id ns_view, WebViewAttributes attributes, PlatformSpecificWebViewAttributes platform,
      bool is_child);

  // Removes the registry entry and the "ipc" handler, takes the view out of its parent, then
  // releases the delegates, the observer, the controller and the view. Thread: main
  ~InnerWebView();
  InnerWebView(const InnerWebView&) = delete;
  InnerWebView& operator=(const InnerWebView&) = delete;

  // Adds a user script that runs at document start in every page loaded from now on, after those
  // added before it. Thread: main
  void init(std::string_view script, bool for_main_frame_only);

  // Evaluates a script in the page. Before the first navigation commits it waits in the
  // pending-script list and its callback is never called; from then on it runs at once, and the
  // callback, if any, gets the result as JSON text ("2"; "" for undefined) on a later turn of the
  // main loop. Errors thrown in the page are not reported. Always succeeds. Thread: main
  Result<Done> eval(std::string_view script, std::function<void(std::string)> callback = {});

  // Loads a URL with extra request headers (a value with a byte outside tab and 32..126 is sent
  // empty); a URL text that NSURL refuses gives UrlParse. Thread: main
  Result<Done> navigate_to_url(const std::string& url,
                               const std::optional<http::HeaderMap>& headers);

  const std::string& webview_id() const noexcept { return id_; }
  objc::id web_view() const noexcept { return web_view_.get(); }
  objc::id user_content_controller() const noexcept { return manager_.get(); }
  const std::shared_ptr<PendingScripts>& pending_scripts() const noexcept {
    return pending_scripts_;
  }
  bool is_child() const noexcept { return is_child_; }

 private:
  InnerWebView() = default;

  std::string id_;
  bool registered_ = false;
  Strong web_view_;
  Strong manager_;
  Strong ipc_delegate_;
  Strong title_observer_;
  Strong navigation_delegate_;
  Strong ui_delegate_;
  Strong download_delegate_;
  std::shared_ptr<PendingScripts> pending_scripts_;
  bool is_child_ = true;
};

}  // namespace vessimor::webview
