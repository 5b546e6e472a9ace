#include "webview/url_scheme_handler.hpp"

#include <cstring>

namespace vessimor::webview::url_scheme_handler {

namespace {

// The id text belongs to the handler object, not to the registry entry: WebKit may keep the
// handler (and start tasks on it) after the web view and its entry are gone.
void dealloc(id self, SEL) {
  guard_entry([self] {
    if (char** text = objc::ivar_ptr<char*>(self, "webview_id"))
      delete[] std::exchange(*text, nullptr);
    objc::send_super<void()>(self, must_class("NSObject"), "dealloc");
  });
}

}  // namespace

Class create(const std::string& scheme) {
  if (scheme.find('\0') != std::string::npos) {
    VESSIMOR_PANIC("URL scheme contains a zero byte");
  }
  const std::string name = scheme + "URLSchemeHandler";
  Class cls = objc::allocate_class(must_class("NSObject"), name.c_str());
  if (cls != nullptr) {
    objc::add_ivar<char*>(cls, "webview_id");
    objc::add_ivar<NSUInteger>(cls, "protocol_index");
    objc::add_method(cls, "dealloc", &dealloc);
    objc::register_class(cls);
    return cls;
  }
  cls = objc::get_class(name.c_str());
  if (cls == nullptr) VESSIMOR_PANIC("Failed to get the class definition");
  return cls;
}

void set_owner(id handler, const std::string& webview_id, NSUInteger protocol_index) {
  if (webview_id.find('\0') != std::string::npos) {
    VESSIMOR_PANIC("web view id contains a zero byte");
  }
  char** text = objc::ivar_ptr<char*>(handler, "webview_id");
  NSUInteger* index = objc::ivar_ptr<NSUInteger>(handler, "protocol_index");
  if (text == nullptr || index == nullptr) VESSIMOR_PANIC("URL scheme handler without its ivars");
  char* copy = new char[webview_id.size() + 1];
  std::memcpy(copy, webview_id.c_str(), webview_id.size() + 1);
  delete[] std::exchange(*text, copy);
  *index = protocol_index;
}

}  // namespace vessimor::webview::url_scheme_handler
