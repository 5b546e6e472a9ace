// QvWebViewUIDelegate: file-upload panels, media-capture permission and new-window requests;
// QvNSWindowDelegate: forgets a window opened for a new-window request once it closes.

#include <variant>

#include "framework/log.hpp"
#include "platform/main_thread.hpp"
#include "webview/delegates.hpp"

namespace vessimor::webview {

namespace {

constexpr std::string_view vessimor_log_module_path = "vessimor::webview";

using Data = DataClass<UiDelegateData>;

constexpr NSInteger modal_response_ok = 1;
constexpr NSInteger permission_grant = 1;
constexpr NSInteger permission_deny = 2;
constexpr NSUInteger style_titled_closable_miniaturizable = 7;
constexpr NSUInteger style_resizable = 8;
constexpr NSUInteger backing_buffered = 2;

// --- QvNSWindowDelegate ---

void will_close(id self, SEL, id notification) {
  guard_entry([&] {
    Strong keep = Strong::retain(self);  // the list holds this delegate
    DataClass<WindowDelegateData>::data(self).will_close(objc::send<id()>(notification, "object"));
  });
}

void add_window_delegate_methods(Class cls) {
  objc::add_method(cls, "windowWillClose:", &will_close);
}

Class window_delegate_class() {
  static const Class cls = DataClass<WindowDelegateData>::declare(
      "QvNSWindowDelegate", must_class("NSObject"), {"NSObject", "NSWindowDelegate"},
      &add_window_delegate_methods);
  return cls;
}

// Takes every entry of the closing window out of the list; the window forgets its delegate,
// which goes with the entry.
Strong make_window_delegate(std::weak_ptr<OpenedWindows> list) {
  auto data = std::make_unique<WindowDelegateData>();
  data->will_close = [list = std::move(list)](id window) {
    std::shared_ptr<OpenedWindows> windows = list.lock();
    if (!windows) return;
    OpenedWindows closing;
    std::erase_if(*windows, [&](OpenedWindow& entry) {
      if (entry.window.get() != window) return false;
      closing.push_back(std::move(entry));
      return true;
    });
    for (const OpenedWindow& entry : closing) {
      objc::send<void(id)>(entry.window.get(), "setDelegate:", nullptr);
    }
  };
  return detail::make_with(window_delegate_class(), std::move(data));
}

// --- QvWebViewUIDelegate ---

void run_open_panel(id, SEL, id, id parameters, id, objc::BlockRef completion) {
  guard_entry([&] {
    detail::BlockAnswer<id> files(completion, nullptr);  // nil: no files
    if (!platform::is_main_thread()) return;
    id panel = objc::send<id()>(must_class("NSOpenPanel"), "openPanel");
    objc::send<void(bool)>(panel, "setCanChooseFiles:", true);
    objc::send<void(bool)>(panel, "setAllowsMultipleSelection:",
                           objc::send<bool()>(parameters, "allowsMultipleSelection"));
    objc::send<void(bool)>(
        panel, "setCanChooseDirectories:", objc::send<bool()>(parameters, "allowsDirectories"));
    if (objc::send<NSInteger()>(panel, "runModal") == modal_response_ok) {
      files.answer(objc::send<id()>(panel, "URLs"));
    }
  });
}

void request_media_capture(id, SEL, id, id, id, NSInteger, objc::BlockRef decision_handler) {
  guard_entry([&] {
    detail::BlockAnswer<NSInteger> decision(decision_handler, permission_deny);
    decision.answer(permission_grant);
  });
}

std::optional<double> number_value(id number) {
  if (number == nullptr) return std::nullopt;
  return objc::send<double()>(number, "doubleValue");
}

// A window of our own: the features' rectangle, else the opener's window frame; the page's y
// counts from the top of the opener's screen, AppKit's from its bottom.
id open_window(UiDelegateData& data, id opener, id configuration, const NewWindowFeatures& features,
               bool resizable) {
  id opener_window = objc::send<id()>(opener, "window");
  id screen = objc::send<id()>(opener_window, "screen");
  if (opener_window == nullptr || screen == nullptr) {
    VESSIMOR_LOG_WARN("new window for a web view that is not on a screen: not opened");
    return nullptr;
  }
  const NSRect opener_frame = objc::send<NSRect()>(opener_window, "frame");
  const NSRect screen_frame = objc::send<NSRect()>(screen, "frame");
  NSRect rect = opener_frame;
  if (features.size) rect.size = {features.size->width, features.size->height};
  if (features.position) {
    rect.origin = {features.position->x, screen_frame.origin.y + screen_frame.size.height -
                                             features.position->y - rect.size.height};
  }
  const NSUInteger style =
      style_titled_closable_miniaturizable | (resizable ? style_resizable : NSUInteger{0});
  Strong window = Strong::adopt(objc::send<id(NSRect, NSUInteger, NSUInteger, bool)>(
      objc::send<id()>(must_class("NSWindow"), "alloc"),
      "initWithContentRect:styleMask:backing:defer:", rect, style, backing_buffered, false));
  objc::send<void(bool)>(window.get(), "setReleasedWhenClosed:", false);
  Strong web_view = Strong::adopt(
      objc::send<id(NSRect, id)>(objc::send<id()>(must_class("WKWebView"), "alloc"),
                                 "initWithFrame:configuration:", rect, configuration));
  Strong delegate = make_window_delegate(data.opened_windows);
  objc::send<void(id)>(window.get(), "setDelegate:", delegate.get());
  objc::send<void(id)>(window.get(), "setContentView:", web_view.get());
  objc::send<void(id)>(window.get(), "makeKeyAndOrderFront:", nullptr);
  id answer = web_view.get();
  data.opened_windows->push_back({std::move(window), std::move(web_view), std::move(delegate)});
  return answer;
}

id create_web_view(id self, SEL, id web_view, id configuration, id action, id window_features) {
  return guard_entry([&]() -> id {
    Strong keep = Strong::retain(self);
    UiDelegateData& data = Data::data(self);
    if (!data.new_window_handler) return nullptr;
    std::optional<std::string> url = string_text(objc::send<id()>(
        objc::send<id()>(objc::send<id()>(action, "request"), "URL"), "absoluteString"));
    if (!url) {
      VESSIMOR_LOG_WARN("new window without a URL: not opened");
      return nullptr;
    }
    NewWindowFeatures features;
    const std::optional<double> width = number_value(objc::send<id()>(window_features, "width"));
    const std::optional<double> height = number_value(objc::send<id()>(window_features, "height"));
    const std::optional<double> x = number_value(objc::send<id()>(window_features, "x"));
    const std::optional<double> y = number_value(objc::send<id()>(window_features, "y"));
    if (width && height) features.size = LogicalSize{*width, *height};
    if (x && y) features.position = LogicalPosition{*x, *y};
    features.opener_web_view = web_view;
    features.opener_configuration = configuration;
    id resizing = objc::send<id()>(window_features, "allowsResizing");
    const bool resizable = resizing == nullptr || objc::send<bool()>(resizing, "boolValue");

    const NewWindowResponse response = data.new_window_handler(std::move(*url), features);
    if (std::holds_alternative<NewWindowAllow>(response)) {
      return open_window(data, web_view, configuration, features, resizable);
    }
    if (const auto* create = std::get_if<NewWindowCreate>(&response)) return create->web_view;
    return nullptr;  // denied
  });
}

void add_methods(Class cls) {
  objc::add_method(cls, "webView:runOpenPanelWithParameters:initiatedByFrame:completionHandler:",
                   &run_open_panel);
  objc::add_method(
      cls, "webView:requestMediaCapturePermissionForOrigin:initiatedByFrame:type:decisionHandler:",
      &request_media_capture);
  objc::add_method(cls,
                   "webView:createWebViewWithConfiguration:forNavigationAction:windowFeatures:",
                   &create_web_view);
}

Class ui_delegate_class() {
  static const Class cls = Data::declare("QvWebViewUIDelegate", must_class("NSObject"),
                                         {"NSObject", "WKUIDelegate"}, &add_methods);
  return cls;
}

}  // namespace

void UiDelegateData::on_release(id) {
  // Windows still open outlive this delegate; they must not call back into theirs.
  for (const OpenedWindow& entry : *opened_windows) {
    objc::send<void(id)>(entry.window.get(), "setDelegate:", nullptr);
  }
}

Strong make_ui_delegate(NewWindowHandler new_window_handler) {
  auto data = std::make_unique<UiDelegateData>();
  data->new_window_handler = std::move(new_window_handler);
  return detail::make_with(ui_delegate_class(), std::move(data));
}

}  // namespace vessimor::webview
