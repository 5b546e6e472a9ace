#pragma once

#include <atomic>
#include <optional>
#include <string>

#include "framework/params/param_common.hpp"
#include "framework/params/range.hpp"
#include "framework/params/smoothing.hpp"

namespace vessimor {

// A continuous parameter. Every value is an independent atomic cell (relaxed ordering); a change is
// decided by one atomic exchange of `value`, so the main and audio threads may set it concurrently.
// Value operations are const: they only touch the atomic cells.
class FloatParam {
 public:
  FloatParam(std::string name, float default_value, FloatRange range);
  // Only while building the parameter set, before any other thread sees it.
  FloatParam(FloatParam&& other) noexcept;
  FloatParam(const FloatParam&) = delete;
  FloatParam& operator=(const FloatParam&) = delete;
  FloatParam& operator=(FloatParam&&) = delete;

  // Builders.
  FloatParam& with_smoother(SmoothingStyle style) &;
  FloatParam&& with_smoother(SmoothingStyle style) && {
    return std::move(with_smoother(std::move(style)));
  }
  FloatParam& with_step_size(float step_size) &;
  FloatParam&& with_step_size(float step_size) && { return std::move(with_step_size(step_size)); }
  // Carries its own leading blank: " dB".
  FloatParam& with_unit(std::string unit) &;
  FloatParam&& with_unit(std::string unit) && { return std::move(with_unit(std::move(unit))); }
  FloatParam& with_flags(ParamFlags flags) &;
  FloatParam&& with_flags(ParamFlags flags) && { return std::move(with_flags(flags)); }
  FloatParam& with_poly_modulation_id(std::uint32_t id) &;
  FloatParam&& with_poly_modulation_id(std::uint32_t id) && {
    return std::move(with_poly_modulation_id(id));
  }
  FloatParam& with_callback(ValueChanged<float> callback) &;
  FloatParam&& with_callback(ValueChanged<float> callback) && {
    return std::move(with_callback(std::move(callback)));
  }
  FloatParam& with_value_to_string(ValueToString<float> formatter) &;
  FloatParam&& with_value_to_string(ValueToString<float> formatter) && {
    return std::move(with_value_to_string(std::move(formatter)));
  }
  FloatParam& with_string_to_value(StringToValue<float> parser) &;
  FloatParam&& with_string_to_value(StringToValue<float> parser) && {
    return std::move(with_string_to_value(std::move(parser)));
  }

  const std::string& name() const { return name_; }
  const std::string& unit() const { return unit_; }
  ParamFlags flags() const { return flags_; }
  std::optional<std::uint32_t> poly_modulation_id() const { return poly_modulation_id_; }
  const FloatRange& range() const { return range_; }
  std::optional<float> step_size() const { return step_size_; }
  float default_plain_value() const { return default_; }
  const Smoother<float>& smoothed() const { return smoothed_; }

  // Thread: any
  float value() const { return value_.load(std::memory_order_relaxed); }
  // Thread: any
  float unmodulated_value() const { return unmodulated_value_.load(std::memory_order_relaxed); }
  // Thread: any
  float normalized_value() const { return normalized_value_.load(std::memory_order_relaxed); }
  // Thread: any
  float unmodulated_normalized_value() const {
    return unmodulated_normalized_value_.load(std::memory_order_relaxed);
  }
  // Thread: any
  float modulation_offset() const { return modulation_offset_.load(std::memory_order_relaxed); }

  // Stores `plain` unchanged (neither clamped nor snapped); returns whether `value` changed.
  // Thread: any
  bool set_plain_value(float plain) const;
  // Thread: any
  bool set_normalized_value(float normalized) const;
  // Thread: any
  bool modulate_value(float offset) const;
  // Thread: any
  void update_smoother(float sample_rate, bool reset) const;

  // Thread: any
  float default_normalized_value() const { return range_.normalize(default_); }
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
  std::string name_;
  mutable std::atomic<float> value_;
  mutable std::atomic<float> normalized_value_;
  mutable std::atomic<float> unmodulated_value_;
  mutable std::atomic<float> unmodulated_normalized_value_;
  mutable std::atomic<float> modulation_offset_{0.0f};
  float default_;
  mutable Smoother<float> smoothed_;
  ParamFlags flags_ = 0;
  FloatRange range_;
  std::optional<float> step_size_;
  std::string unit_;
  std::optional<std::uint32_t> poly_modulation_id_;
  ValueChanged<float> value_changed_;
  ValueToString<float> value_to_string_;
  StringToValue<float> string_to_value_;
};

}  // namespace vessimor
