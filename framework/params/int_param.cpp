#include "framework/params/int_param.hpp"

#include <string>

namespace vessimor {

IntParam::IntParam(std::string name, std::int32_t default_value, IntRange range)
    : ParamCore(std::move(name), default_value, range.normalize(default_value)),
      range_(std::move(range)) {}

IntParam::IntParam(IntParam&& other) noexcept = default;

IntParam& IntParam::with_smoother(SmoothingStyle style) & {
  smoothed_ = Smoother<std::int32_t>(std::move(style));
  return *this;
}

bool IntParam::set_plain_value(std::int32_t plain) const {
  return store_plain_value(plain, range_.normalize(plain),
                           [this](float normalized) { return range_.unnormalize(normalized); });
}

bool IntParam::set_normalized_value(float normalized) const {
  return set_plain_value(range_.unnormalize(normalized));
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
  std::string text = value_to_string() ? (*value_to_string())(plain) : std::to_string(plain);
  if (include_unit) text += unit();
  return text;
}

std::optional<float> IntParam::string_to_normalized_value(std::string_view text) const {
  const std::string_view trimmed = param_text::trim(text);
  const std::optional<std::int32_t> plain =
      string_to_value() ? (*string_to_value())(trimmed)
                        : param_text::parse_i32(param_text::strip_unit(trimmed, unit()));
  if (!plain) return std::nullopt;
  return range_.normalize(*plain);
}

}  // namespace vessimor
