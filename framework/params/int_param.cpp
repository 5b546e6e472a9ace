#include "framework/params/int_param.hpp"

#include <string>

namespace vessimor {

IntParam::IntParam(std::string name, std::int32_t default_value, IntRange range)
    : name_(std::move(name)),
      value_(default_value),
      normalized_value_(range.normalize(default_value)),
      unmodulated_value_(default_value),
      unmodulated_normalized_value_(range.normalize(default_value)),
      default_(default_value),
      range_(std::move(range)) {}

IntParam::IntParam(IntParam&& other) noexcept
    : name_(std::move(other.name_)),
      value_(other.value()),
      normalized_value_(other.normalized_value()),
      unmodulated_value_(other.unmodulated_value()),
      unmodulated_normalized_value_(other.unmodulated_normalized_value()),
      modulation_offset_(other.modulation_offset()),
      default_(other.default_),
      smoothed_(std::move(other.smoothed_)),
      flags_(other.flags_),
      range_(std::move(other.range_)),
      unit_(std::move(other.unit_)),
      poly_modulation_id_(other.poly_modulation_id_),
      value_changed_(std::move(other.value_changed_)),
      value_to_string_(std::move(other.value_to_string_)),
      string_to_value_(std::move(other.string_to_value_)) {}

IntParam& IntParam::with_smoother(SmoothingStyle style) & {
  smoothed_ = Smoother<std::int32_t>(std::move(style));
  return *this;
}

IntParam& IntParam::with_unit(std::string unit) & {
  unit_ = std::move(unit);
  return *this;
}

IntParam& IntParam::with_flags(ParamFlags flags) & {
  flags_ = flags;
  return *this;
}

IntParam& IntParam::with_poly_modulation_id(std::uint32_t id) & {
  poly_modulation_id_ = id;
  return *this;
}

IntParam& IntParam::with_callback(ValueChanged<std::int32_t> callback) & {
  value_changed_ = std::move(callback);
  return *this;
}

IntParam& IntParam::with_value_to_string(ValueToString<std::int32_t> formatter) & {
  value_to_string_ = std::move(formatter);
  return *this;
}

IntParam& IntParam::with_string_to_value(StringToValue<std::int32_t> parser) & {
  string_to_value_ = std::move(parser);
  return *this;
}

bool IntParam::set_plain_value(std::int32_t plain) const {
  const float unmodulated_normalized = range_.normalize(plain);
  const float offset = modulation_offset_.load(std::memory_order_relaxed);
  std::int32_t new_value = plain;
  float new_normalized = unmodulated_normalized;
  if (offset != 0.0f) {
    new_normalized = clamp_unit(unmodulated_normalized + offset);
    new_value = range_.unnormalize(new_normalized);
  }

  const std::int32_t old_value = value_.exchange(new_value, std::memory_order_relaxed);
  if (old_value == new_value) return false;

  normalized_value_.store(new_normalized, std::memory_order_relaxed);
  unmodulated_value_.store(plain, std::memory_order_relaxed);
  unmodulated_normalized_value_.store(unmodulated_normalized, std::memory_order_relaxed);
  if (value_changed_) (*value_changed_)(new_value);
  return true;
}

bool IntParam::set_normalized_value(float normalized) const {
  return set_plain_value(range_.unnormalize(normalized));
}

bool IntParam::modulate_value(float offset) const {
  modulation_offset_.store(offset, std::memory_order_relaxed);
  return set_plain_value(unmodulated_value());
}

void IntParam::update_smoother(float sample_rate, bool reset) const {
  if (reset) {
    smoothed_.reset(value());
  } else {
    smoothed_.set_target(sample_rate, value());
  }
}

float IntParam::preview_normalized(float plain) const {
  return range_.normalize(saturating_f32_to_i32(plain));
}

std::string IntParam::normalized_value_to_string(float normalized, bool include_unit) const {
  const std::int32_t plain = range_.unnormalize(normalized);
  std::string text = value_to_string_ ? (*value_to_string_)(plain) : std::to_string(plain);
  if (include_unit) text += unit_;
  return text;
}

std::optional<float> IntParam::string_to_normalized_value(std::string_view text) const {
  const std::string_view trimmed = param_text::trim(text);
  const std::optional<std::int32_t> plain =
      string_to_value_ ? (*string_to_value_)(trimmed)
                       : param_text::parse_i32(param_text::strip_unit(trimmed, unit_));
  if (!plain) return std::nullopt;
  return range_.normalize(*plain);
}

}  // namespace vessimor
