#include "webview/delegates.hpp"

namespace vessimor::webview {

namespace {

template <class Data>
Strong make_with(Class cls, std::unique_ptr<Data> data) {
  id object = DataClass<Data>::alloc_with(cls, std::move(data));
  return Strong::adopt(objc::send<id()>(object, "init"));
}

Class ipc_delegate_class() {
  static const Class cls = DataClass<IpcDelegateData>::declare(
      "QvWebViewDelegate", must_class("NSObject"), {"NSObject", "WKScriptMessageHandler"}, nullptr);
  return cls;
}

Class download_delegate_class() {
  static const Class cls = DataClass<DownloadDelegateData>::declare(
      "QvDownloadDelegate", must_class("NSObject"), {"NSObject", "WKDownloadDelegate"}, nullptr);
  return cls;
}

Class navigation_delegate_class() {
  static const Class cls =
      DataClass<NavigationDelegateData>::declare("QvNavigationDelegate", must_class("NSObject"),
                                                 {"NSObject", "WKNavigationDelegate"}, nullptr);
  return cls;
}

Class ui_delegate_class() {
  static const Class cls = DataClass<UiDelegateData>::declare(
      "QvWebViewUIDelegate", must_class("NSObject"), {"NSObject", "WKUIDelegate"}, nullptr);
  return cls;
}

}  // namespace

Strong make_ipc_delegate(id controller, IpcHandler handler) {
  Strong delegate =
      make_with(ipc_delegate_class(), std::make_unique<IpcDelegateData>(IpcDelegateData{
                                          Strong::retain(controller), std::move(handler)}));
  Strong name = ns_string("ipc");
  objc::catch_exception([&] {
    objc::send<void(id, id)>(controller, "addScriptMessageHandler:name:", delegate.get(),
                             name.get());
  });
  return delegate;
}

Strong make_download_delegate(DownloadStartedHandler started, DownloadCompletedHandler completed) {
  auto data = std::make_unique<DownloadDelegateData>();
  data->started = std::move(started);
  data->completed = std::move(completed);
  return make_with(download_delegate_class(), std::move(data));
}

Strong make_navigation_delegate(NavigationDelegateData data) {
  return make_with(navigation_delegate_class(),
                   std::make_unique<NavigationDelegateData>(std::move(data)));
}

Strong make_ui_delegate(NewWindowHandler new_window_handler) {
  auto data = std::make_unique<UiDelegateData>();
  data->new_window_handler = std::move(new_window_handler);
  return make_with(ui_delegate_class(), std::move(data));
}

}  // namespace vessimor::webview
