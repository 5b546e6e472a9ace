#include "editor/page_message_handler.hpp"

#include <utility>

#include "editor/page_calls.hpp"
#include "framework/log.hpp"

namespace vessimor {
namespace {

constexpr std::string_view kLogTarget = "webview_editor::editor::macos";
constexpr std::string_view vessimor_log_module_path = kLogTarget;

}  // namespace

std::optional<ParamPtr> find_param_ptr(const Params& params, std::string_view id) {
  for (const ParamMapEntry& entry : params.param_map()) {
    if (entry.id == id) return entry.param;
  }
  return std::nullopt;
}

bool is_page_request(const ParamMessage& message) noexcept {
  return message.is<ParamMessage::RequestTransport>() ||
         message.is<ParamMessage::RequestPresets>() || message.is<ParamMessage::LoadPreset>() ||
         message.is<ParamMessage::SavePreset>() || message.is<ParamMessage::DeletePreset>();
}

PageMessageHandler::PageMessageHandler(JsMessageSender sender, std::shared_ptr<Params> params,
                                       std::shared_ptr<GuiContext> context, WebViewHandle cell,
                                       std::shared_ptr<WebViewState> state,
                                       PageRequestHandler requests)
    : sender_(std::move(sender)),
      params_(std::move(params)),
      context_(std::move(context)),
      cell_(std::move(cell)),
      state_(std::move(state)),
      requests_(std::move(requests)) {}

void PageMessageHandler::operator()(webview::http::Request<std::string> request) const {
  ParamMessageResult parsed = parse_param_message(request.body);
  if (parsed) {
    dispatch(std::move(parsed.value()));
  } else {
    VESSIMOR_LOG_TARGET(log::Level::Info, kLogTarget, "Failed to parse IPC message: {}",
                        parsed.error().description());
  }
  // Whatever the message was, and even when it did not parse, it carries the waiting calls in.
  deliver_queued_calls();
}

void PageMessageHandler::dispatch(ParamMessage&& message) const {
  if (const auto* set = message.get_if<ParamMessage::SetParam>()) {
    if (const std::optional<ParamPtr> param = find_param_ptr(*params_, set->name)) {
      context_->raw_set_parameter_normalized(*param, set->value);
    } else {
      VESSIMOR_LOG_TARGET(log::Level::Info, kLogTarget, "Unknown parameter: {}", set->name);
    }
  } else if (const auto* begin = message.get_if<ParamMessage::BeginEdit>()) {
    if (const std::optional<ParamPtr> param = find_param_ptr(*params_, begin->name)) {
      context_->raw_begin_set_parameter(*param);
    }
  } else if (const auto* end = message.get_if<ParamMessage::EndEdit>()) {
    if (const std::optional<ParamPtr> param = find_param_ptr(*params_, end->name)) {
      context_->raw_end_set_parameter(*param);
    }
  } else if (message.is<ParamMessage::PollMessages>()) {
    // Only a pump. Forwarded, the 50 ms polls would fill the audio thread's queue in 13 s while
    // the host does not process, and custom messages would then be dropped.
  } else if (message.is<ParamMessage::RequestParams>()) {
    // A page that has just loaded shows its own initial values: give it the plug-in's, after the
    // calls already waiting so that none of those can overwrite a current value. They are
    // evaluated here rather than queued, where a full queue would drop them. The preset name
    // goes with them: when the ready call ran before the bridge existed, the name call made with
    // it was lost, and the page would show "Init" whatever preset is current.
    deliver_queued_calls();
    send_all_values();
    if (cell_->web_view) {
      (void)cell_->web_view->evaluate_script(
          page_calls::set_current_preset_name(state_->current_preset_name()));
    }
  } else if (is_page_request(message)) {
    // Answered here: through the audio thread they would wait for the host's next block, which a
    // stopped host may never send.
    if (requests_) requests_(std::move(message));
  } else if (!sender_.try_send(std::move(message))) {
    // The queue is never disconnected while the state lives: a refusal means it is full.
    VESSIMOR_LOG_TARGET(log::Level::Info, kLogTarget, "Failed to forward IPC message: Full(..)");
  }
}

void PageMessageHandler::send_all_values() const {
  for (const ParamMapEntry& entry : params_->param_map()) {
    if (!cell_->web_view) return;
    (void)cell_->web_view->evaluate_script(
        page_calls::update_param(entry.id, entry.param.unmodulated_normalized_value()));
  }
}

void PageMessageHandler::deliver_queued_calls() const {
  // The web view may go while a script runs (a host closing the editor from a callback): look
  // again before taking each script, so none is taken that cannot be delivered.
  while (cell_->web_view) {
    std::optional<std::string> script = state_->try_recv_script();
    if (!script) return;
    const webview::Result<webview::Done> evaluated = cell_->web_view->evaluate_script(*script);
    if (!evaluated) {
      VESSIMOR_LOG_TARGET(log::Level::Info, kLogTarget, "Script execution error: {}",
                          evaluated.error().text());
    }
  }
}

}  // namespace vessimor
