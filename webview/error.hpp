#pragma once

#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace vessimor::webview {

// Every kind of failure a web view operation reports, in this order. Most are never raised on
// this platform; the kinds are kept so that callers can tell them apart.
enum class WebViewErrorKind {
  InitScriptError,
  RpcScriptError,
  NulError,
  ReceiverError,
  SenderError,
  MessageSender,
  Io,
  HttpError,
  ProxyEndpointCreationFailed,
  WindowHandleError,
  UnsupportedWindowHandle,
  Utf8Error,
  NotMainThread,
  CustomProtocolTaskInvalid,
  UrlSchemeRegisterError,
  DuplicateCustomProtocol,
  ContextDuplicateCustomProtocol,
  UrlParse,
  DataStoreInUse,
};

// The name of a kind, which is also its text.
const char* kind_name(WebViewErrorKind kind) noexcept;

// A web view error: its kind and the texts of its data (none, one, or two for RpcScriptError).
struct WebViewError {
  WebViewErrorKind kind;
  std::vector<std::string> data;

  // The kind's name, followed by its data in parentheses ("UrlSchemeRegisterError(https)",
  // "RpcScriptError(a, b)").
  std::string text() const;

  static WebViewError plain(WebViewErrorKind kind) { return {kind, {}}; }
  static WebViewError with(WebViewErrorKind kind, std::string detail) {
    return {kind, {std::move(detail)}};
  }
};

// A value or the error that prevented it.
template <class T, class E = WebViewError>
class Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  Result(E error) : state_(std::in_place_index<1>, std::move(error)) {}

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }
  T& value() & { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  const E& error() const { return std::get<1>(state_); }

 private:
  std::variant<T, E> state_;
};

// Success of an operation that gives no value.
struct Done {};

}  // namespace vessimor::webview
