#include "framework/params/bool_param.hpp"

namespace vessimor {

BoolParam::BoolParam(std::string name, bool default_value)
    : ParamCore(std::move(name), default_value, default_value ? 1.0f : 0.0f) {}

BoolParam::BoolParam(BoolParam&& other) noexcept = default;

bool BoolParam::set_plain_value(bool plain) const {
  return store_plain_value(plain, plain ? 1.0f : 0.0f,
                           [](float normalized) { return normalized > 0.5f; });
}

std::string BoolParam::normalized_value_to_string(float normalized) const {
  const bool on = normalized > 0.5f;
  if (value_to_string()) return (*value_to_string())(on);
  return on ? "On" : "Off";
}

std::optional<float> BoolParam::string_to_normalized_value(std::string_view text) const {
  const std::string_view trimmed = param_text::trim(text);
  if (string_to_value()) {
    const auto parsed = (*string_to_value())(trimmed);
    if (!parsed) return std::nullopt;
    return *parsed ? 1.0f : 0.0f;
  }
  const bool on = param_text::equals_ignoring_ascii_case(trimmed, "true") ||
                  param_text::equals_ignoring_ascii_case(trimmed, "on");
  return on ? 1.0f : 0.0f;
}

}  // namespace vessimor
