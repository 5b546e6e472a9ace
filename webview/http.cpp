#include "webview/http.hpp"

namespace vessimor::webview::http {

namespace {

bool is_alpha(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool is_digit(unsigned char c) {
  return c >= '0' && c <= '9';
}

bool is_token(std::string_view text) {
  if (text.empty()) return false;
  for (unsigned char c : text) {
    if (!is_alpha(c) && !is_digit(c) &&
        std::string_view("!#$%&'*+-.^_`|~").find(c) == std::string_view::npos) {
      return false;
    }
  }
  return true;
}

}  // namespace

const char* version_text(Version version) noexcept {
  switch (version) {
    case Version::http09:
      return "HTTP/0.9";
    case Version::http10:
      return "HTTP/1.0";
    case Version::http11:
      return "HTTP/1.1";
    case Version::http2:
      return "HTTP/2.0";
    case Version::http3:
      return "HTTP/3.0";
  }
  return "HTTP/1.1";
}

bool valid_method(std::string_view method) noexcept {
  return is_token(method);
}

bool valid_header_name(std::string_view name) noexcept {
  return is_token(name);
}

bool valid_header_value(std::string_view value) noexcept {
  for (unsigned char c : value) {
    if ((c < 32 && c != '\t') || c == 127) return false;
  }
  return true;
}

}  // namespace vessimor::webview::http
