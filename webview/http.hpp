#pragma once

// The HTTP request and response values in which page messages and custom-scheme traffic travel.

#include <string>
#include <utility>
#include <vector>

namespace vessimor::webview::http {

// Header fields in their order; a name may repeat.
using HeaderMap = std::vector<std::pair<std::string, std::string>>;

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

}  // namespace vessimor::webview::http
