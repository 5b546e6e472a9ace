#include "framework/params/float_param.hpp"

#include <cmath>

#include "framework/float_text.hpp"

namespace vessimor {

FloatParam::FloatParam(std::string name, float default_value, FloatRange range)
    : ParamCore(std::move(name), default_value, range.normalize(default_value)),
      range_(std::move(range)) {}

FloatParam::FloatParam(FloatParam&& other) noexcept = default;

FloatParam& FloatParam::with_smoother(SmoothingStyle style) & {
  smoothed_ = Smoother<float>(std::move(style));
  return *this;
}

FloatParam& FloatParam::with_step_size(float step_size) & {
  step_size_ = step_size;
  return *this;
}

bool FloatParam::set_plain_value(float plain) const {
  return store_plain_value(plain, range_.normalize(plain),
                           [this](float normalized) { return preview_plain(normalized); });
}

bool FloatParam::set_normalized_value(float normalized) const {
  return set_plain_value(preview_plain(normalized));
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
  if (value_to_string()) {
    text = (*value_to_string())(plain);
  } else if (step_size_) {
    text = float_text::fixed(plain, param_text::step_size_decimals(*step_size_));
  } else {
    text = float_text::shortest(plain);
  }
  if (include_unit) text += unit();
  return text;
}

std::optional<float> FloatParam::string_to_normalized_value(std::string_view text) const {
  const std::string_view trimmed = param_text::trim(text);
  const std::optional<float> plain =
      string_to_value() ? (*string_to_value())(trimmed)
                        : float_text::parse(param_text::strip_unit(trimmed, unit()));
  // "inf" and "-inf" mean as far as the range goes; a typed "nan" means nothing and would
  // reach the parameter and, through it, the saved state.
  if (!plain || std::isnan(*plain)) return std::nullopt;
  return range_.normalize(*plain);
}

}  // namespace vessimor
