// QvNavigationDelegate: decides navigations and responses, hands downloads to the download
// delegate, reports commit and finish to the page-load handler and runs the scripts that waited
// for the first commit.

#include "framework/log.hpp"
#include "webview/delegates.hpp"
#include "webview/inner_web_view.hpp"

namespace vessimor::webview {

namespace {

constexpr std::string_view vessimor_log_module_path = "vessimor::webview";

using Data = DataClass<NavigationDelegateData>;

// WKNavigationActionPolicy and WKNavigationResponsePolicy share these values.
constexpr NSInteger policy_cancel = 0;
constexpr NSInteger policy_allow = 1;
constexpr NSInteger policy_download = 2;

// The page-load callback: the handler hears the event and the web view's URL ("" when the URL is
// not valid UTF-8).
void report_page_load(const NavigationDelegateData& data, PageLoadEvent event) {
  if (!data.page_load_handler) return;
  Result<std::string> url = url_from_webview(data.web_view);
  data.page_load_handler(event, url ? std::move(url).value() : std::string());
}

void decide_action(id self, SEL, id, id action, objc::BlockRef decision_handler) {
  guard_entry([&] {
    detail::BlockAnswer<NSInteger> decision(decision_handler, policy_cancel);
    Strong keep = Strong::retain(self);
    const NavigationDelegateData& data = Data::data(self);
    const bool should_download = objc::responds_to(action, "shouldPerformDownload") &&
                                 objc::send<bool()>(action, "shouldPerformDownload");
    std::optional<std::string> url = string_text(objc::send<id()>(
        objc::send<id()>(objc::send<id()>(action, "request"), "URL"), "absoluteString"));
    if (!url) {
      VESSIMOR_LOG_WARN("navigation without a URL: cancelled");
      return;
    }
    if (should_download) {
      decision.answer(data.has_download_handler ? policy_download : policy_cancel);
    } else {
      const bool allowed = !data.navigation_handler || data.navigation_handler(std::move(*url));
      decision.answer(allowed ? policy_allow : policy_cancel);
    }
  });
}

void decide_response(id self, SEL, id, id response, objc::BlockRef decision_handler) {
  guard_entry([&] {
    detail::BlockAnswer<NSInteger> decision(decision_handler, policy_cancel);
    if (objc::send<bool()>(response, "canShowMIMEType")) {
      decision.answer(policy_allow);
    } else {
      decision.answer(Data::data(self).has_download_handler ? policy_download : policy_allow);
    }
  });
}

void became_download(id self, SEL, id, id, id download) {
  guard_entry([&] {
    if (id delegate = Data::data(self).download_delegate.get()) {
      objc::send<void(id)>(download, "setDelegate:", delegate);
    }
  });
}

void content_process_terminated(id self, SEL, id) {
  guard_entry([&] {
    Strong keep = Strong::retain(self);
    const NavigationDelegateData& data = Data::data(self);
    if (data.content_process_terminated_handler) data.content_process_terminated_handler();
  });
}

// The first commit runs the scripts evaluated so far, in order; later commits find none.
void did_commit(id self, SEL, id, id) {
  guard_entry([&] {
    Strong keep = Strong::retain(self);
    const NavigationDelegateData& data = Data::data(self);
    report_page_load(data, PageLoadEvent::started);
    PendingScripts& pending = *data.pending_scripts;
    std::lock_guard lock(pending.mutex);
    if (!pending.scripts) return;
    for (const std::string& script : *pending.scripts) {
      objc::send<void(id, objc::BlockRef)>(
          data.web_view, "evaluateJavaScript:completionHandler:", ns_string(script).get(), nullptr);
    }
    pending.scripts.reset();
  });
}

void did_finish(id self, SEL, id, id) {
  guard_entry([&] {
    Strong keep = Strong::retain(self);
    report_page_load(Data::data(self), PageLoadEvent::finished);
  });
}

void add_methods(Class cls) {
  objc::add_method(cls, "webView:decidePolicyForNavigationAction:decisionHandler:", &decide_action);
  objc::add_method(cls,
                   "webView:decidePolicyForNavigationResponse:decisionHandler:", &decide_response);
  objc::add_method(cls, "webView:didFinishNavigation:", &did_finish);
  objc::add_method(cls, "webView:didCommitNavigation:", &did_commit);
  objc::add_method(cls, "webView:navigationAction:didBecomeDownload:", &became_download);
  objc::add_method(cls, "webView:navigationResponse:didBecomeDownload:", &became_download);
  objc::add_method(cls, "webViewWebContentProcessDidTerminate:", &content_process_terminated);
}

Class navigation_delegate_class() {
  static const Class cls = Data::declare("QvNavigationDelegate", must_class("NSObject"),
                                         {"NSObject", "WKNavigationDelegate"}, &add_methods);
  return cls;
}

}  // namespace

Strong make_navigation_delegate(NavigationDelegateData data) {
  return detail::make_with(navigation_delegate_class(),
                           std::make_unique<NavigationDelegateData>(std::move(data)));
}

}  // namespace vessimor::webview
