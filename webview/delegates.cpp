#include "webview/delegates.hpp"

namespace vessimor::webview {

namespace {

Class download_delegate_class() {
  static const Class cls = DataClass<DownloadDelegateData>::declare(
      "QvDownloadDelegate", must_class("NSObject"), {"NSObject", "WKDownloadDelegate"}, nullptr);
  return cls;
}

Class ui_delegate_class() {
  static const Class cls = DataClass<UiDelegateData>::declare(
      "QvWebViewUIDelegate", must_class("NSObject"), {"NSObject", "WKUIDelegate"}, nullptr);
  return cls;
}

}  // namespace

Strong make_download_delegate(DownloadStartedHandler started, DownloadCompletedHandler completed) {
  auto data = std::make_unique<DownloadDelegateData>();
  data->started = std::move(started);
  data->completed = std::move(completed);
  return detail::make_with(download_delegate_class(), std::move(data));
}

Strong make_ui_delegate(NewWindowHandler new_window_handler) {
  auto data = std::make_unique<UiDelegateData>();
  data->new_window_handler = std::move(new_window_handler);
  return detail::make_with(ui_delegate_class(), std::move(data));
}

}  // namespace vessimor::webview
