#include "framework/params/bool_param.hpp"

namespace vessimor {

BoolParam::BoolParam(std::string name, bool default_value)
    : name_(std::move(name)),
      value_(default_value),
      unmodulated_value_(default_value),
      normalized_value_(default_value ? 1.0f : 0.0f),
      unmodulated_normalized_value_(default_value ? 1.0f : 0.0f),
      default_(default_value) {}

BoolParam::BoolParam(BoolParam&& other) noexcept
    : name_(std::move(other.name_)),
      value_(other.value()),
      unmodulated_value_(other.unmodulated_value()),
      normalized_value_(other.normalized_value()),
      unmodulated_normalized_value_(other.unmodulated_normalized_value()),
      modulation_offset_(other.modulation_offset()),
      default_(other.default_),
      flags_(other.flags_),
      value_changed_(std::move(other.value_changed_)),
      value_to_string_(std::move(other.value_to_string_)),
      string_to_value_(std::move(other.string_to_value_)) {}

const std::string& BoolParam::unit() const {
  static const std::string empty;
  return empty;
}

BoolParam& BoolParam::with_flags(ParamFlags flags) & {
  flags_ = flags;
  return *this;
}

BoolParam& BoolParam::with_callback(ValueChanged<bool> callback) & {
  value_changed_ = std::move(callback);
  return *this;
}

BoolParam& BoolParam::with_value_to_string(ValueToString<bool> formatter) & {
  value_to_string_ = std::move(formatter);
  return *this;
}

BoolParam& BoolParam::with_string_to_value(StringToValue<bool> parser) & {
  string_to_value_ = std::move(parser);
  return *this;
}

bool BoolParam::set_plain_value(bool plain) const {
  const float unmodulated_normalized = plain ? 1.0f : 0.0f;
  const float offset = modulation_offset_.load(std::memory_order_relaxed);
  bool new_value = plain;
  float new_normalized = unmodulated_normalized;
  if (offset != 0.0f) {
    new_normalized = clamp_unit(unmodulated_normalized + offset);
    new_value = new_normalized > 0.5f;
  }

  const bool old_value = value_.exchange(new_value, std::memory_order_relaxed);
  if (old_value == new_value) return false;

  normalized_value_.store(new_normalized, std::memory_order_relaxed);
  unmodulated_value_.store(plain, std::memory_order_relaxed);
  unmodulated_normalized_value_.store(unmodulated_normalized, std::memory_order_relaxed);
  if (value_changed_) (*value_changed_)(new_value);
  return true;
}

bool BoolParam::modulate_value(float offset) const {
  modulation_offset_.store(offset, std::memory_order_relaxed);
  return set_plain_value(unmodulated_value());
}

std::string BoolParam::normalized_value_to_string(float normalized) const {
  const bool on = normalized > 0.5f;
  if (value_to_string_) return (*value_to_string_)(on);
  return on ? "On" : "Off";
}

std::optional<float> BoolParam::string_to_normalized_value(std::string_view text) const {
  const std::string_view trimmed = param_text::trim(text);
  if (string_to_value_) {
    const auto parsed = (*string_to_value_)(trimmed);
    if (!parsed) return std::nullopt;
    return *parsed ? 1.0f : 0.0f;
  }
  const bool on = param_text::equals_ignoring_ascii_case(trimmed, "true") ||
                  param_text::equals_ignoring_ascii_case(trimmed, "on");
  return on ? 1.0f : 0.0f;
}

}  // namespace vessimor
