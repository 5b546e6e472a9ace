#pragma once

#include <optional>
#include <string>

#include "framework/params/param_core.hpp"
#include "framework/params/range.hpp"
#include "framework/params/smoothing.hpp"

namespace vessimor {

// A continuous parameter; the atomic value model is ParamCore's.
class FloatParam : public ParamCore<FloatParam, float> {
 public:
  FloatParam(std::string name, float default_value, FloatRange range);
  // Only while building the parameter set, before any other thread sees it.
  FloatParam(FloatParam&& other) noexcept;

  // Builders.
  FloatParam& with_smoother(SmoothingStyle style) &;
  FloatParam&& with_smoother(SmoothingStyle style) && {
    return std::move(with_smoother(std::move(style)));
  }
  FloatParam& with_step_size(float step_size) &;
  FloatParam&& with_step_size(float step_size) && { return std::move(with_step_size(step_size)); }
  using ParamCore::with_poly_modulation_id;
  using ParamCore::with_unit;

  const FloatRange& range() const { return range_; }
  std::optional<float> step_size() const { return step_size_; }
  const Smoother<float>& smoothed() const { return smoothed_; }

  // Stores `plain` unchanged (neither clamped nor snapped); returns whether `value` changed.
  // Thread: any
  bool set_plain_value(float plain) const;
  // Thread: any
  bool set_normalized_value(float normalized) const;
  // Thread: any
  void update_smoother(float sample_rate, bool reset) const;

  // Thread: any
  float default_normalized_value() const { return range_.normalize(default_plain_value()); }
  // Unnormalise, then snap when a step size is set.
  // Thread: any
  float preview_plain(float normalized) const;
  // Thread: any
  float preview_normalized(float plain) const { return range_.normalize(plain); }
  // Thread: any
  std::string normalized_value_to_string(float normalized, bool include_unit) const;
  // Thread: any
  std::optional<float> string_to_normalized_value(std::string_view text) const;

 private:
  mutable Smoother<float> smoothed_;
  FloatRange range_;
  std::optional<float> step_size_;
};

}  // namespace vessimor
