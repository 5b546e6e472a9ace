#include "webview/web_view.hpp"

namespace vessimor::webview {

const char* handle_error_text(HandleError error) noexcept {
  switch (error) {
    case HandleError::NotSupported:
      return "NotSupported";
    case HandleError::Unavailable:
      return "Unavailable";
  }
  return "Unknown";
}

WebViewBuilder& WebViewBuilder::with_ipc_handler(IpcHandler handler) {
  attrs.ipc_handler = std::move(handler);
  return *this;
}

Result<WebView> WebViewBuilder::build_as_child(const HasWindowHandle& parent) && {
  WebViewAttributes attributes = std::move(attrs);
  PlatformSpecificWebViewAttributes platform_attributes = std::move(platform);
  if (error_) return *std::move(error_);
  std::variant<RawWindowHandle, HandleError> handle = parent.window_handle();
  if (const auto* error = std::get_if<HandleError>(&handle)) {
    return WebViewError::with(WebViewErrorKind::WindowHandleError, handle_error_text(*error));
  }
  const RawWindowHandle& raw = std::get<RawWindowHandle>(handle);
  if (raw.system != WindowSystem::app_kit) {
    return WebViewError::plain(WebViewErrorKind::UnsupportedWindowHandle);
  }
  Result<std::unique_ptr<InnerWebView>> inner = InnerWebView::new_ns_view(
      static_cast<id>(raw.handle), std::move(attributes), std::move(platform_attributes), true);
  if (!inner) return inner.error();
  return WebView(std::move(inner).value());
}

}  // namespace vessimor::webview
