#include "framework/params/float_param.hpp"

#include <cmath>

#include "framework/float_text.hpp"

namespace vessimor {

FloatParam::FloatParam(std::string name, float default_value, FloatRange range)
    : name_(std::move(name)),
      value_(default_value),
      normalized_value_(range.normalize(default_value)),
      unmodulated_value_(default_value),
      unmodulated_normalized_value_(range.normalize(default_value)),
      default_(default_value),
      range_(std::move(range)) {}

FloatParam::FloatParam(FloatParam&& other) noexcept
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
      step_size_(other.step_size_),
      unit_(std::move(other.unit_)),
      poly_modulation_id_(other.poly_modulation_id_),
      value_changed_(std::move(other.value_changed_)),
      value_to_string_(std::move(other.value_to_string_)),
      string_to_value_(std::move(other.string_to_value_)) {}

FloatParam& FloatParam::with_smoother(SmoothingStyle style) & {
  smoothed_ = Smoother<float>(std::move(style));
  return *this;
}

FloatParam& FloatParam::with_step_size(float step_size) & {
  step_size_ = step_size;
  return *this;
}

FloatParam& FloatParam::with_unit(std::string unit) & {
  unit_ = std::move(unit);
  return *this;
}

FloatParam& FloatParam::with_flags(ParamFlags flags) & {
  flags_ = flags;
  return *this;
}

FloatParam& FloatParam::with_poly_modulation_id(std::uint32_t id) & {
  poly_modulation_id_ = id;
  return *this;
}

FloatParam& FloatParam::with_callback(ValueChanged<float> callback) & {
  value_changed_ = std::move(callback);
  return *this;
}

FloatParam& FloatParam::with_value_to_string(ValueToString<float> formatter) & {
  value_to_string_ = std::move(formatter);
  return *this;
}

FloatParam& FloatParam::with_string_to_value(StringToValue<float> parser) & {
  string_to_value_ = std::move(parser);
  return *this;
}

bool FloatParam::set_plain_value(float plain) const {
  const float unmodulated_normalized = range_.normalize(plain);
  const float offset = modulation_offset_.load(std::memory_order_relaxed);
  float new_value = plain;
  float new_normalized = unmodulated_normalized;
  if (offset != 0.0f) {
    new_normalized = clamp_unit(unmodulated_normalized + offset);
    new_value = preview_plain(new_normalized);
  }

  const float old_value = value_.exchange(new_value, std::memory_order_relaxed);
  if (old_value == new_value) return false;  // a NaN never equals, so it always counts as a change

  normalized_value_.store(new_normalized, std::memory_order_relaxed);
  unmodulated_value_.store(plain, std::memory_order_relaxed);
  unmodulated_normalized_value_.store(unmodulated_normalized, std::memory_order_relaxed);
  if (value_changed_) (*value_changed_)(new_value);
  return true;
}

bool FloatParam::set_normalized_value(float normalized) const {
  return set_plain_value(preview_plain(normalized));
}

bool FloatParam::modulate_value(float offset) const {
  modulation_offset_.store(offset, std::memory_order_relaxed);
  return set_plain_value(unmodulated_value());
}

void FloatParam::update_smoother(float sample_rate, bool reset) const {
  if (reset) {
    smoothed_.reset(value());
  } else {
    smoothed_.set_target(sample_rate, value());
  }
}

float FloatParam::preview_plain(float normalized) const {
  const float plain = range_.unnormalize(normalized);
  return step_size_ ? range_.snap_to_step(plain, *step_size_) : plain;
}

std::string FloatParam::normalized_value_to_string(float normalized, bool include_unit) const {
  const float plain = preview_plain(normalized);
  std::string text;
  if (value_to_string_) {
    text = (*value_to_string_)(plain);
  } else if (step_size_) {
    text = float_text::fixed(plain, param_text::step_size_decimals(*step_size_));
  } else {
    text = float_text::shortest(plain);
  }
  if (include_unit) text += unit_;
  return text;
}

std::optional<float> FloatParam::string_to_normalized_value(std::string_view text) const {
  const std::string_view trimmed = param_text::trim(text);
  const std::optional<float> plain =
      string_to_value_ ? (*string_to_value_)(trimmed)
                       : float_text::parse(param_text::strip_unit(trimmed, unit_));
  // A typed nan or inf would reach the parameter and, through it, the saved state.
  if (!plain || !std::isfinite(*plain)) return std::nullopt;
  return range_.normalize(*plain);
}

}  // namespace vessimor
