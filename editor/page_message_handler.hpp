#pragma once

// What the editor's web view calls for every text the page posts through window.ipc.postMessage:
// parameter edits go to the wrapper at once, the page's requests for the transport and the presets
// go to the plug-in here on the main thread (so that they are answered whether or not the host is
// processing), custom messages travel to the audio thread, and every call waiting for the page is
// delivered afterwards. The page's 50 ms poll makes this the pump that carries plug-in-to-page
// calls into the page.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "editor/web_view_state.hpp"
#include "editor/webview_handle.hpp"
#include "framework/gui_context.hpp"
#include "framework/params/param_ptr.hpp"
#include "framework/params_interface.hpp"
#include "webview/http.hpp"

namespace vessimor {

// The first parameter of the set's map whose id equals `id` byte for byte.
// Thread: main
std::optional<ParamPtr> find_param_ptr(const Params& params, std::string_view id);

// The plug-in's answer to a page request ("request_transport", "request_presets",
// "load_preset", "save_preset", "delete_preset"): it may queue page calls, which the handler
// delivers straight after. Never waits for the audio thread.
// Thread: main
using PageRequestHandler = std::function<void(ParamMessage&&)>;

// True for the messages a `PageRequestHandler` answers.
// Thread: any
bool is_page_request(const ParamMessage& message) noexcept;

class PageMessageHandler {
 public:
  // Without a request handler the page's requests go unanswered.
  // Thread: main
  PageMessageHandler(JsMessageSender sender, std::shared_ptr<Params> params,
                     std::shared_ptr<GuiContext> context, WebViewHandle cell,
                     std::shared_ptr<WebViewState> state, PageRequestHandler requests);

  // One posted text (the request's body; its URL is not read). Never waits.
  // Thread: main
  void operator()(webview::http::Request<std::string> request) const;

 private:
  void dispatch(ParamMessage&& message) const;
  // Evaluates the current value of every parameter in the page.
  void send_all_values() const;
  // Evaluates every queued page call, oldest first, while the web view lives.
  void deliver_queued_calls() const;

  JsMessageSender sender_;
  std::shared_ptr<Params> params_;
  std::shared_ptr<GuiContext> context_;
  WebViewHandle cell_;
  std::shared_ptr<WebViewState> state_;
  PageRequestHandler requests_;
};

}  // namespace vessimor
