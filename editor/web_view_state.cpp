#include "editor/web_view_state.hpp"

#include <utility>

#include "editor/page_calls.hpp"
#include "framework/log.hpp"

namespace vessimor {
namespace {

// The editor state logs under its own module path.
constexpr std::string_view kLogTarget = "webview_editor::state";
constexpr std::string_view vessimor_log_module_path = kLogTarget;

}  // namespace

bool JsMessageSender::try_send(ParamMessage&& message) const noexcept {
  auto* custom = std::get_if<ParamMessage::Custom>(&message.variant);
  if (custom == nullptr) return queue_->try_push(std::move(message));
  ParamMessage::Custom texts = std::exchange(*custom, {});
  if (queue_->try_push(std::move(message))) return true;
  *custom = std::move(texts);
  return false;
}

WebViewState::WebViewState(std::uint32_t width, std::uint32_t height)
    : plugin_to_page_(std::make_shared<MpmcQueue<PluginToPageMessage>>(kPluginToPageCapacity)),
      page_to_plugin_(std::make_shared<MpmcQueue<ParamMessage>>(kPageToPluginCapacity)),
      scripts_(std::make_shared<MpmcQueue<Script>>(kScriptCapacity)),
      width_(width),
      height_(height) {}

std::shared_ptr<WebViewState> WebViewState::from_size(std::uint32_t width, std::uint32_t height) {
  return std::make_shared<WebViewState>(width, height);
}

void WebViewState::push_param_update(std::string_view param_id, float normalized_value) {
  offer_script(page_calls::update_param(param_id, normalized_value));
}

void WebViewState::push_transport(float tempo, bool playing) noexcept {
  // Same drop rule as every script: a full queue loses the new call.
  (void)scripts_->try_push(Script(TransportCall{tempo, playing}));
}

void WebViewState::push_custom(std::string action, std::string payload) {
  std::string call = page_calls::handle_custom_message(action, payload);
  VESSIMOR_LOG_TARGET(log::Level::Info, kLogTarget, "[push_custom] action={}, payload_len={}",
                      action, payload.size());
  offer_script(std::move(call));
}

void WebViewState::offer_script(std::string&& script) noexcept {
  // A full queue means no page has drained it for a while; the new call is dropped and the older
  // ones keep their order.
  (void)scripts_->try_push(Script(std::move(script)));
}

std::optional<std::string> WebViewState::try_recv_script() {
  std::optional<Script> script = scripts_->try_pop();
  if (!script) return std::nullopt;
  if (auto* transport = std::get_if<TransportCall>(&*script)) {
    return page_calls::update_transport(transport->tempo, transport->playing);
  }
  return std::move(std::get<std::string>(*script));
}

std::optional<ParamMessage> WebViewState::try_recv_js_message() noexcept {
  return page_to_plugin_->try_pop();
}

void WebViewState::set_current_preset_name(std::string_view name) {
  std::string copy(name);  // allocate outside the lock
  std::lock_guard lock(current_preset_name_mutex_);
  current_preset_name_.swap(copy);
}

std::string WebViewState::current_preset_name() const {
  std::lock_guard lock(current_preset_name_mutex_);
  return current_preset_name_;
}

void WebViewState::set_scale_factor(float factor) {
  std::unique_lock lock(scale_factor_mutex_);
  scale_factor_ = factor;
}

float WebViewState::scale_factor() const {
  std::shared_lock lock(scale_factor_mutex_);
  return scale_factor_;
}

}  // namespace vessimor
