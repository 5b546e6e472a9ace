#pragma once

// The HTTP request and response values in which page messages and custom-scheme traffic travel.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vessimor::webview::http {

// Header fields in their order; a name may repeat.
using HeaderMap = std::vector<std::pair<std::string, std::string>>;

// Whether a text can be a request's target: an absolute URI (a scheme, ":" and the rest, as in
// "https://host/p", "file:///a" or "about:blank", which WebKit reports for a page loaded from an
// HTML string) or a path from the root ("/index.html"), every byte printable ASCII other than
// the blank. WebKit percent-encodes everything else in the URLs it reports.
inline bool is_valid_uri(std::string_view uri) noexcept {
  if (uri.empty()) return false;
  for (const char c : uri) {
    if (c <= ' ' || c > '~') return false;
  }
  if (uri.front() == '/') return true;
  const auto alpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (!alpha(uri.front())) return false;
  for (std::size_t i = 1; i < uri.size(); ++i) {
    const char c = uri[i];
    if (c == ':') return true;
    if (!alpha(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') return false;
  }
  return false;  // no scheme
}

enum class Version { http09, http10, http11, http2, http3 };

template <class Body>
struct Request {
  std::string method = "GET";
  std::string uri;
  HeaderMap headers;
  Body body{};
};

template <class Body>
struct Response {
  int status = 200;
  Version version = Version::http11;
  HeaderMap headers;
  Body body{};
};

// "HTTP/0.9", "HTTP/1.0", "HTTP/1.1", "HTTP/2.0" or "HTTP/3.0".
const char* version_text(Version version) noexcept;

// What a request may carry besides its target (is_valid_uri): a method and a header name are
// tokens (letters, digits and !#$%&'*+-.^_`|~); a header value has no control byte but tab.
bool valid_method(std::string_view method) noexcept;
bool valid_header_name(std::string_view name) noexcept;
bool valid_header_value(std::string_view value) noexcept;

}  // namespace vessimor::webview::http
