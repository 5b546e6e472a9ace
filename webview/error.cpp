#include "webview/error.hpp"

namespace vessimor::webview {

const char* kind_name(WebViewErrorKind kind) noexcept {
  switch (kind) {
    case WebViewErrorKind::InitScriptError:
      return "InitScriptError";
    case WebViewErrorKind::RpcScriptError:
      return "RpcScriptError";
    case WebViewErrorKind::NulError:
      return "NulError";
    case WebViewErrorKind::ReceiverError:
      return "ReceiverError";
    case WebViewErrorKind::SenderError:
      return "SenderError";
    case WebViewErrorKind::MessageSender:
      return "MessageSender";
    case WebViewErrorKind::Io:
      return "Io";
    case WebViewErrorKind::HttpError:
      return "HttpError";
    case WebViewErrorKind::ProxyEndpointCreationFailed:
      return "ProxyEndpointCreationFailed";
    case WebViewErrorKind::WindowHandleError:
      return "WindowHandleError";
    case WebViewErrorKind::UnsupportedWindowHandle:
      return "UnsupportedWindowHandle";
    case WebViewErrorKind::Utf8Error:
      return "Utf8Error";
    case WebViewErrorKind::NotMainThread:
      return "NotMainThread";
    case WebViewErrorKind::CustomProtocolTaskInvalid:
      return "CustomProtocolTaskInvalid";
    case WebViewErrorKind::UrlSchemeRegisterError:
      return "UrlSchemeRegisterError";
    case WebViewErrorKind::DuplicateCustomProtocol:
      return "DuplicateCustomProtocol";
    case WebViewErrorKind::ContextDuplicateCustomProtocol:
      return "ContextDuplicateCustomProtocol";
    case WebViewErrorKind::UrlParse:
      return "UrlParse";
    case WebViewErrorKind::DataStoreInUse:
      return "DataStoreInUse";
  }
  return "Unknown";
}

std::string WebViewError::text() const {
  std::string out = kind_name(kind);
  if (data.empty()) return out;
  out += '(';
  for (std::size_t i = 0; i < data.size(); ++i) out += (i == 0 ? "" : ", ") + data[i];
  return out + ')';
}

}  // namespace vessimor::webview
