#pragma once

// The plug-in's editor: its page, with the bridge script spliced in, in a web view inside the
// host's view. It talks to the wrapper that opened it only through the GuiContext it is given,
// so every plug-in format can host it.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "editor/page_message_handler.hpp"
#include "editor/web_view_state.hpp"
#include "framework/editor.hpp"
#include "framework/gui_context.hpp"
#include "framework/params_interface.hpp"
#include "platform/objc/runtime.hpp"
#include "webview/attributes.hpp"

namespace vessimor {

struct WebViewEditorConfig {
  std::string html;
  // Kept for pages that want them; nothing here reads either.
  std::optional<std::string> title;
  std::string background_color = "#1a1a1a";
  // Handed to the web view as its devtools attribute, which the web view host leaves without
  // effect.
  bool devtools = false;

  static WebViewEditorConfig defaults() { return {}; }
};

// The page with the bridge script `script` in it: before every "</head>"; failing that, after
// every "<body>"; failing both, in the head of a minimal document that wraps the page.
// Thread: any
std::string splice_bridge_script(std::string_view page, std::string_view script);

// The host's NSView as the parent of the editor's web view.
class NsViewWrapper final : public webview::HasWindowHandle {
 public:
  explicit NsViewWrapper(objc::id view) : view_(view) {}
  // A null view is a fatal failure. Thread: main
  std::variant<webview::RawWindowHandle, webview::HandleError> window_handle() const override;

 private:
  objc::id view_;
};

// Builds the web view in the host's view with the page message handler; nothing when the parent
// is not an AppKit view or the web view could not be made (each logged).
// Thread: main
std::optional<WebViewHandle> spawn_webview(ParentWindowHandle parent, EditorSize size,
                                           std::string html, JsMessageSender sender,
                                           std::shared_ptr<WebViewState> state, bool devtools,
                                           std::shared_ptr<Params> params,
                                           std::shared_ptr<GuiContext> context,
                                           PageRequestHandler requests);

// Destroys the web view held in the cell (detaching it from the host's view and releasing the
// message handler), then lets go of this reference.
// Thread: main
void close_webview(WebViewHandle handle);

// Keeps the editor open; dropping it closes the web view.
class WebViewEditorDropGuard final : public EditorHandle {
 public:
  // Thread: main
  WebViewEditorDropGuard(std::shared_ptr<WebViewState> state, std::optional<WebViewHandle> handle)
      : state_(std::move(state)), handle_(std::move(handle)) {}
  // Thread: main
  ~WebViewEditorDropGuard() override;
  WebViewEditorDropGuard(const WebViewEditorDropGuard&) = delete;
  WebViewEditorDropGuard& operator=(const WebViewEditorDropGuard&) = delete;

  // Thread: main
  bool has_web_view() const noexcept { return handle_.has_value(); }

 private:
  std::shared_ptr<WebViewState> state_;
  std::optional<WebViewHandle> handle_;
};

class WebViewEditor final : public Editor {
 public:
  // Thread: main
  WebViewEditor(WebViewEditorConfig config, std::shared_ptr<WebViewState> state,
                std::shared_ptr<Params> params, PageRequestHandler requests)
      : config_(std::move(config)),
        state_(std::move(state)),
        params_(std::move(params)),
        requests_(std::move(requests)) {}

  // Opens a fresh web view on every call. Gives no handle when no web view could be made, so
  // that the wrapper reports the editor as not opened.
  // Thread: main
  std::unique_ptr<EditorHandle> spawn(ParentWindowHandle parent,
                                      std::shared_ptr<GuiContext> context) override;
  // Thread: main
  EditorSize size() const override { return state_->size(); }
  // Thread: main
  bool set_scale_factor(float factor) override;
  // Thread: main
  void param_value_changed(std::string_view id, float normalized_value) override;
  // Modulation is not shown. Thread: main
  void param_modulation_changed(std::string_view id, float modulation_offset) override;
  // Thread: main
  void param_values_changed() override;

 private:
  WebViewEditorConfig config_;
  std::shared_ptr<WebViewState> state_;
  std::shared_ptr<Params> params_;
  PageRequestHandler requests_;
};

// The editor for a plug-in instance showing `html`, over the instance's editor state and
// parameter set; `requests` answers the page's requests (see `PageMessageHandler`).
// Thread: main
std::unique_ptr<Editor> create_webview_editor(std::shared_ptr<WebViewState> state,
                                              std::shared_ptr<Params> params, std::string html,
                                              PageRequestHandler requests);

}  // namespace vessimor
