#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "framework/params/param_core.hpp"
#include "framework/params/range.hpp"
#include "framework/params/smoothing.hpp"

namespace vessimor {

// An integer parameter; the same atomic model as FloatParam with signed 32-bit plain values.
class IntParam : public ParamCore<IntParam, std::int32_t> {
 public:
  IntParam(std::string name, std::int32_t default_value, IntRange range);
  // Only while building the parameter set, before any other thread sees it.
  IntParam(IntParam&& other) noexcept;

  // Builders.
  IntParam& with_smoother(SmoothingStyle style) &;
  IntParam&& with_smoother(SmoothingStyle style) && {
    return std::move(with_smoother(std::move(style)));
  }
  using ParamCore::with_poly_modulation_id;
  using ParamCore::with_unit;

  const IntRange& range() const { return range_; }
  const Smoother<std::int32_t>& smoothed() const { return smoothed_; }

  // Stores `plain` unchanged (not clamped); returns whether `value` changed.
  // Thread: any
  bool set_plain_value(std::int32_t plain) const;
  // Thread: any
  bool set_normalized_value(float normalized) const;
  // Thread: any
  void update_smoother(float sample_rate, bool reset) const;

  // Thread: any
  std::int32_t step_count() const { return range_.step_count(); }
  // Thread: any
  float default_normalized_value() const { return range_.normalize(default_plain_value()); }
  // Thread: any
  float preview_plain(float normalized) const {
    return static_cast<float>(range_.unnormalize(normalized));
  }
  // The plain value truncated toward zero (saturating, NaN as 0) before normalising.
  // Thread: any
  float preview_normalized(float plain) const;
  // Thread: any
  std::string normalized_value_to_string(float normalized, bool include_unit) const;
  // Thread: any
  std::optional<float> string_to_normalized_value(std::string_view text) const;

 private:
  mutable Smoother<std::int32_t> smoothed_;
  IntRange range_;
};

}  // namespace vessimor
