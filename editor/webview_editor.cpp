#include "editor/webview_editor.hpp"

#include <fmt/format.h>

#include <utility>

#include "editor/embedded_ui.hpp"
#include "editor/page_calls.hpp"
#include "framework/log.hpp"
#include "framework/panic.hpp"
#include "framework/util/replace_all.hpp"
#include "webview/web_view.hpp"

namespace vessimor {
namespace {

constexpr std::string_view kEditorTarget = "webview_editor::editor";
constexpr std::string_view kMacosTarget = "webview_editor::editor::macos";
constexpr std::string_view vessimor_log_module_path = kEditorTarget;

constexpr objc::NSUInteger kWidthAndHeightSizable = 2 | 16;
constexpr objc::NSUInteger kBorderlessStyle = 0;
constexpr objc::NSUInteger kBufferedBacking = 2;

// Puts the host's view into a new off-screen window when it has none; logs which case it was.
std::optional<OffscreenWindow> ensure_window(objc::id view, EditorSize size) {
  if (objc::send<objc::id()>(view, "window") != nullptr) {
    VESSIMOR_LOG_TARGET(log::Level::Info, kMacosTarget, "NSView already has a window");
    return std::nullopt;
  }
  VESSIMOR_LOG_TARGET(log::Level::Info, kMacosTarget,
                      "NSView has no window, creating temporary offscreen window for WKWebView "
                      "init");
  objc::Class window_class = objc::get_class("NSWindow");
  if (window_class == nullptr) VESSIMOR_PANIC("Class with name NSWindow could not be found");
  const objc::NSRect content{{-10000, -10000},
                             {static_cast<double>(size.width), static_cast<double>(size.height)}};
  objc::id allocated = objc::send<objc::id()>(window_class, "alloc");
  objc::Strong window = objc::Strong::adopt(
      objc::send<objc::id(objc::NSRect, objc::NSUInteger, objc::NSUInteger, bool)>(
          allocated, "initWithContentRect:styleMask:backing:defer:", content, kBorderlessStyle,
          kBufferedBacking, false));
  objc::send<void(objc::id)>(objc::send<objc::id()>(window.get(), "contentView"),
                             "addSubview:", view);
  return OffscreenWindow(std::move(window), view);
}

}  // namespace

std::string splice_bridge_script(std::string_view page, std::string_view script) {
  const std::string tag = fmt::format("<script>{}</script>", script);
  if (page.find("</head>") != std::string_view::npos) {
    return util::replace_all(page, "</head>", tag + "</head>");
  }
  if (page.find("<body>") != std::string_view::npos) {
    return util::replace_all(page, "<body>", "<body>" + tag);
  }
  return fmt::format(
      "<!DOCTYPE html>\n<html>\n<head>\n    <meta charset=\"UTF-8\">\n"
      "    <meta name=\"viewport\" content=\"width=device-width, initial-scale=1.0\">\n"
      "    {}\n</head>\n<body>\n{}\n</body>\n</html>",
      tag, page);
}

std::variant<webview::RawWindowHandle, webview::HandleError> NsViewWrapper::window_handle() const {
  if (view_ == nullptr) VESSIMOR_PANIC("NSView pointer is null");
  return webview::RawWindowHandle{webview::WindowSystem::app_kit, view_};
}

OffscreenWindow::~OffscreenWindow() {
  if (!window_) return;
  // The host may have released its view after moving it elsewhere: ask our own content view,
  // which keeps the host's view alive for as long as it holds it.
  objc::id content_view = objc::send<objc::id()>(window_.get(), "contentView");
  objc::id subviews = objc::send<objc::id()>(content_view, "subviews");
  const auto count = objc::send<objc::NSUInteger()>(subviews, "count");
  for (objc::NSUInteger i = 0; i < count; ++i) {
    if (objc::send<objc::id(objc::NSUInteger)>(subviews, "objectAtIndex:", i) == host_view_) {
      objc::send<void()>(host_view_, "removeFromSuperview");
      break;
    }
  }
}

std::optional<WebViewHandle> spawn_webview(ParentWindowHandle parent, EditorSize size,
                                           std::string html, JsMessageSender sender,
                                           std::shared_ptr<WebViewState> state, bool devtools,
                                           std::shared_ptr<Params> params,
                                           std::shared_ptr<GuiContext> context,
                                           PageRequestHandler requests) {
  if (parent.kind != ParentWindowHandle::Kind::app_kit) {
    VESSIMOR_LOG_TARGET(log::Level::Info, kMacosTarget,
                        "Unsupported parent window handle type for macOS");
    return std::nullopt;
  }
  auto* view = static_cast<objc::id>(parent.ns_view);
  // A host that hands over no view gets no editor rather than a crash.
  if (view == nullptr) {
    VESSIMOR_LOG_TARGET(log::Level::Info, kMacosTarget, "NSView pointer is null");
    return std::nullopt;
  }
  VESSIMOR_LOG_TARGET(log::Level::Info, kMacosTarget, "Creating WKWebView in NSView: {}",
                      fmt::ptr(parent.ns_view));

  const double width = size.width;
  const double height = size.height;
  objc::send<void(objc::NSRect)>(view, "setFrame:", objc::NSRect{{0, 0}, {width, height}});
  objc::send<void(objc::NSUInteger)>(view, "setAutoresizingMask:", kWidthAndHeightSizable);
  std::optional<OffscreenWindow> offscreen_window = ensure_window(view, size);

  WebViewHandle cell = std::make_shared<WebViewCell>();
  const std::string preset_name = state->current_preset_name();

  webview::WebViewBuilder builder;
  builder.attrs.bounds =
      webview::Rect{webview::LogicalPosition{0, 0}, webview::LogicalSize{width, height}};
  builder.attrs.page_html = std::move(html);
  builder.with_ipc_handler(PageMessageHandler(std::move(sender), std::move(params),
                                              std::move(context), cell, std::move(state),
                                              std::move(requests)));
  builder.attrs.devtools = devtools;
  builder.attrs.transparent = false;
  // Nothing may replace the editor's page: only the HTML document it is given loads (as
  // about:blank, once); links, scripts setting the location and dropped files go nowhere.
  builder.attrs.navigation_handler = [initial_document = true](const std::string& url) mutable {
    const bool allowed = initial_document && url == "about:blank";
    initial_document = false;
    return allowed;
  };
  builder.attrs.drag_drop_handler = [](const webview::DragDropEvent&) { return true; };

  webview::Result<webview::WebView> built = std::move(builder).build_as_child(NsViewWrapper(view));
  if (!built) {
    VESSIMOR_LOG_TARGET(log::Level::Info, kMacosTarget, "Failed to create WKWebView: {}",
                        built.error().text());
    return std::nullopt;
  }
  VESSIMOR_LOG_TARGET(log::Level::Info, kMacosTarget, "WKWebView created successfully");
  webview::WebView& web_view = built.value();
  // Both wait for the page's first commit and then run in this order.
  (void)web_view.evaluate_script(page_calls::ipc_ready());
  (void)web_view.evaluate_script(page_calls::set_current_preset_name(preset_name));
  cell->web_view.emplace(std::move(built).value());
  cell->offscreen_window = std::move(offscreen_window);
  return cell;
}

void close_webview(WebViewHandle handle) {
  // Taken out first, so that the handler (which holds the other reference) finds the cell empty
  // should anything run while the web view goes.
  std::optional<webview::WebView> web_view = std::exchange(handle->web_view, std::nullopt);
  web_view.reset();
  handle->offscreen_window.reset();
  VESSIMOR_LOG_TARGET(log::Level::Info, kMacosTarget, "WKWebView destroyed");
}

WebViewEditorDropGuard::~WebViewEditorDropGuard() {
  state_->set_open(false);
  if (handle_) close_webview(std::move(*handle_));
  handle_.reset();
  VESSIMOR_LOG_TARGET(log::Level::Info, kEditorTarget, "WebView editor closed");
}

std::unique_ptr<EditorHandle> WebViewEditor::spawn(ParentWindowHandle parent,
                                                   std::shared_ptr<GuiContext> context) {
  state_->set_open(true);
  const EditorSize size = state_->size();
  std::string html = splice_bridge_script(config_.html, embedded_ui::bridge_script());
  JsMessageSender sender = state_->js_message_sender();
  VESSIMOR_LOG_TARGET(log::Level::Info, kEditorTarget,
                      "WebView editor spawn: {}x{}, HTML: {} bytes", size.width, size.height,
                      html.size());
  std::optional<WebViewHandle> handle =
      spawn_webview(parent, size, std::move(html), std::move(sender), state_, config_.devtools,
                    params_, std::move(context), requests_);
  auto guard = std::make_unique<WebViewEditorDropGuard>(state_, std::move(handle));
  // Without a web view there is nothing to show: the guard goes at once (closing the editor
  // again) and the wrapper hears that the editor did not open.
  if (!guard->has_web_view()) return nullptr;
  return guard;
}

bool WebViewEditor::set_scale_factor(float factor) {
  state_->set_scale_factor(factor);
  return true;
}

void WebViewEditor::param_value_changed(std::string_view id, float normalized_value) {
  state_->push_param_update(id, normalized_value);
}

void WebViewEditor::param_modulation_changed(std::string_view /*id*/, float /*modulation_offset*/) {
}

void WebViewEditor::param_values_changed() {
  for (const ParamMapEntry& entry : params_->param_map()) {
    state_->push_param_update(entry.id, entry.param.unmodulated_normalized_value());
  }
}

std::unique_ptr<Editor> create_webview_editor(std::shared_ptr<WebViewState> state,
                                              std::shared_ptr<Params> params, std::string html,
                                              PageRequestHandler requests) {
  WebViewEditorConfig config = WebViewEditorConfig::defaults();
  config.html = std::move(html);
  return std::make_unique<WebViewEditor>(std::move(config), std::move(state), std::move(params),
                                         std::move(requests));
}

}  // namespace vessimor
