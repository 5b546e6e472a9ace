#include "webview/qv_web_view.hpp"

namespace vessimor::webview {

Class qv_web_view_class() {
  static const Class cls = DataClass<QvWebViewData>::declare("QvWebView", must_class("WKWebView"),
                                                             {"NSDraggingDestination"}, nullptr);
  return cls;
}

id alloc_qv_web_view(std::unique_ptr<QvWebViewData> data) {
  return DataClass<QvWebViewData>::alloc_with(qv_web_view_class(), std::move(data));
}

}  // namespace vessimor::webview
