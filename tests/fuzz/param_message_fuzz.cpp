// Any bytes as a page message: the reader must refuse them with a description, or give a message
// that, written back as JSON, reads again to the same message.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <variant>

#include "editor/param_message.hpp"
#include "framework/json.hpp"
#include "framework/json_number.hpp"

namespace {

using vessimor::Json;
using vessimor::ParamMessage;

Json to_json(const ParamMessage& message) {
  Json object = Json::object();
  object["type"] = std::string(message.type());
  std::visit(
      [&](const auto& m) {
        using T = std::decay_t<decltype(m)>;
        if constexpr (std::is_same_v<T, ParamMessage::SetParam>) {
          object["name"] = m.name;
          object["value"] = m.value;
        } else if constexpr (std::is_same_v<T, ParamMessage::BeginEdit> ||
                             std::is_same_v<T, ParamMessage::EndEdit> ||
                             std::is_same_v<T, ParamMessage::SavePreset> ||
                             std::is_same_v<T, ParamMessage::DeletePreset>) {
          object["name"] = m.name;
        } else if constexpr (std::is_same_v<T, ParamMessage::Custom>) {
          object["action"] = m.action;
          object["payload"] = m.payload;
        } else if constexpr (std::is_same_v<T, ParamMessage::LoadPreset>) {
          object["name"] = m.name;
          object["is_factory"] = m.is_factory;
        }
      },
      message.variant);
  return object;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  auto read = vessimor::parse_param_message(bytes);
  if (!read) {
    if (read.error().description().empty()) std::abort();
    return 0;
  }
  // Strings that were read are valid UTF-8 and values finite, so the message always writes.
  const std::string text = vessimor::write_json(to_json(read.value()));
  auto again = vessimor::parse_param_message(text);
  if (!again || !(again.value() == read.value())) std::abort();
  return 0;
}
