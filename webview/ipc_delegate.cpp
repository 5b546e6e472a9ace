// QvWebViewDelegate: the script message handler "ipc" behind window.ipc.postMessage. Each text
// message becomes one request to the page-message handler, in the order WebKit delivers them.

#include <cstring>

#include "framework/log.hpp"
#include "framework/util/utf8.hpp"
#include "webview/delegates.hpp"

namespace vessimor::webview {

namespace {

constexpr std::string_view vessimor_log_module_path = "vessimor::webview";

using Data = DataClass<IpcDelegateData>;

void did_receive(id self, SEL, id, id message) {
  guard_entry([&] {
    id body = objc::send<id()>(message, "body");
    if (!objc::is_kind_of(body, must_class("NSString"))) return;  // numbers, objects: ignored
    const char* body_text = objc::send<const char*()>(body, "UTF8String");
    id url = objc::send<id()>(objc::send<id()>(objc::send<id()>(message, "frameInfo"), "request"),
                              "URL");
    id url_string = objc::send<id()>(url, "absoluteString");
    const char* url_text = objc::send<const char*()>(url_string, "UTF8String");
    if (url == nullptr || url_string == nullptr || url_text == nullptr) {
      VESSIMOR_LOG_DEBUG("page message from a frame without a URL: ignored");
      return;
    }
    if (body_text == nullptr || !util::is_valid_utf8(body_text) || !util::is_valid_utf8(url_text)) {
      return;
    }
    if (!http::is_valid_uri(url_text)) {
      VESSIMOR_LOG_DEBUG("page message from a frame whose URL is no request target: ignored");
      return;
    }
    http::Request<std::string> request;
    request.uri = url_text;
    request.body = body_text;  // up to the first zero byte
    // The handler may drop the web view, and with it this delegate.
    Strong keep = Strong::retain(self);
    Data::data(self).handler(std::move(request));
  });
}

void add_methods(Class cls) {
  objc::add_method(cls, "userContentController:didReceiveScriptMessage:", &did_receive);
}

Class ipc_delegate_class() {
  static const Class cls = Data::declare("QvWebViewDelegate", must_class("NSObject"),
                                         {"NSObject", "WKScriptMessageHandler"}, &add_methods);
  return cls;
}

}  // namespace

Strong make_ipc_delegate(id controller, IpcHandler handler) {
  Strong delegate =
      detail::make_with(ipc_delegate_class(), std::make_unique<IpcDelegateData>(IpcDelegateData{
                                                  Strong::retain(controller), std::move(handler)}));
  Strong name = ns_string("ipc");
  objc::catch_exception([&] {
    objc::send<void(id, id)>(controller, "addScriptMessageHandler:name:", delegate.get(),
                             name.get());
  });
  return delegate;
}

}  // namespace vessimor::webview
