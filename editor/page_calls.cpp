#include "editor/page_calls.hpp"

#include <cmath>

#include "framework/float_text.hpp"
#include "framework/util/replace_all.hpp"

namespace vessimor::page_calls {
namespace {

using util::replace_all;

// U+2028 and U+2029 in UTF-8; JavaScript engines before ES2019 end a string literal at them.
constexpr std::string_view kLineSeparator = "\xE2\x80\xA8";
constexpr std::string_view kParagraphSeparator = "\xE2\x80\xA9";

}  // namespace

std::string number(float value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
  return float_text::shortest(value);
}

std::string quote_payload(std::string_view payload) {
  std::string text = replace_all(payload, "\\", "\\\\");
  text = replace_all(text, "'", "\\'");
  text = replace_all(text, "\n", "\\n");
  return replace_all(text, "\r", "\\r");
}

std::string quote_preset_name(std::string_view name) {
  std::string text = replace_all(replace_all(name, "\\", "\\\\"), "'", "\\'");
  // A line terminator inside the quotes would end the statement early: the page would throw
  // and never hear the name.
  text = replace_all(text, "\n", "\\n");
  text = replace_all(text, "\r", "\\r");
  text = replace_all(text, kLineSeparator, "\\u2028");
  return replace_all(text, kParagraphSeparator, "\\u2029");
}

std::string update_param(std::string_view param_id, float normalized_value) {
  std::string call = "if (window._updateParam) window._updateParam('";
  call += param_id;
  call += "', ";
  call += number(normalized_value);
  call += ");";
  return call;
}

std::string update_transport(float tempo, bool playing) {
  std::string call = "if (window._updateTransport) window._updateTransport(";
  call += number(tempo);
  call += playing ? ", true);" : ", false);";
  return call;
}

std::string handle_custom_message(std::string_view action, std::string_view payload) {
  std::string call = "if (window._handleCustomMessage) window._handleCustomMessage('";
  call += action;
  call += "', '";
  call += quote_payload(payload);
  call += "');";
  return call;
}

std::string ipc_ready() {
  return "if (window._ipcReady) window._ipcReady();";
}

std::string set_current_preset_name(std::string_view name) {
  std::string call = "if (window._setCurrentPresetName) window._setCurrentPresetName('";
  call += quote_preset_name(name);
  call += "');";
  return call;
}

}  // namespace vessimor::page_calls
