#include "webview/http.hpp"

namespace vessimor::webview::http {

namespace {

bool is_alpha(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool is_digit(unsigned char c) {
  return c >= '0' && c <= '9';
}
bool is_hex(unsigned char c) {
  return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
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

// Unreserved, reserved (gen-delims and sub-delims) and "%" of RFC 3986.
bool uri_char(unsigned char c) {
  return is_alpha(c) || is_digit(c) ||
         std::string_view("-._~:/?#[]@!$&'()*+,;=%").find(c) != std::string_view::npos;
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

bool valid_uri(std::string_view uri) noexcept {
  if (uri.empty()) return false;
  for (std::size_t i = 0; i < uri.size(); ++i) {
    const auto c = static_cast<unsigned char>(uri[i]);
    if (!uri_char(c)) return false;
    if (c == '%' && (i + 2 >= uri.size() || !is_hex(static_cast<unsigned char>(uri[i + 1])) ||
                     !is_hex(static_cast<unsigned char>(uri[i + 2])))) {
      return false;
    }
  }
  if (uri == "*" || uri.front() == '/') return true;
  // scheme = ALPHA *( ALPHA / DIGIT / "+" / "-" / "." ), then ":".
  if (!is_alpha(static_cast<unsigned char>(uri.front()))) return false;
  for (std::size_t i = 1; i < uri.size(); ++i) {
    const auto c = static_cast<unsigned char>(uri[i]);
    if (c == ':') return true;
    if (!is_alpha(c) && !is_digit(c) && c != '+' && c != '-' && c != '.') return false;
  }
  return false;
}

}  // namespace vessimor::webview::http
