#include "webview/objc_class.hpp"

#include <cstring>

namespace vessimor::webview {

namespace {
constexpr NSUInteger utf8_encoding = 4;
}

Class must_class(const char* name) {
  Class cls = objc::get_class(name);
  if (cls == nullptr) VESSIMOR_PANIC("Class with name {} could not be found", name);
  return cls;
}

Strong ns_string(std::string_view text) {
  id string = objc::send<id()>(must_class("NSString"), "alloc");
  return Strong::adopt(objc::send<id(const void*, NSUInteger, NSUInteger)>(
      string, "initWithBytes:length:encoding:", text.data(), text.size(), utf8_encoding));
}

std::optional<std::string> string_text(id string) {
  if (string == nullptr) return std::nullopt;
  const char* text = objc::send<const char*()>(string, "UTF8String");
  if (text == nullptr) return std::nullopt;
  return std::string(text);
}

Strong ns_bool(bool value) {
  return Strong::retain(objc::send<id(bool)>(must_class("NSNumber"), "numberWithBool:", value));
}

Strong ns_integer(NSInteger value) {
  return Strong::retain(
      objc::send<id(NSInteger)>(must_class("NSNumber"), "numberWithInteger:", value));
}

}  // namespace vessimor::webview
