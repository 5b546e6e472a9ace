#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "framework/params/param_common.hpp"
#include "framework/params/range.hpp"
#include "framework/params/smoothing.hpp"

namespace vessimor {

// An integer parameter; the same atomic model as FloatParam with signed 32-bit plain values.
class IntParam {
 public:
  IntParam(std::string name, std::int32_t default_value, IntRange range);
  // Only while building the parameter set, before any other thread sees it.
  IntParam(IntParam&& other) noexcept;
  IntParam(const IntParam&) = delete;
  IntParam& operator=(const IntParam&) = delete;
  IntParam& operator=(IntParam&&) = delete;

  // Builders.
  IntParam& with_smoother(SmoothingStyle style) &;
  IntParam&& with_smoother(SmoothingStyle style) && {
    return std::move(with_smoother(std::move(style)));
  }
  IntParam& with_unit(std::string unit) &;
  IntParam&& with_unit(std::string unit) && { return std::move(with_unit(std::move(unit))); }
  IntParam& with_flags(ParamFlags flags) &;
  IntParam&& with_flags(ParamFlags flags) && { return std::move(with_flags(flags)); }
  IntParam& with_poly_modulation_id(std::uint32_t id) &;
  IntParam&& with_poly_modulation_id(std::uint32_t id) && {
    return std::move(with_poly_modulation_id(id));
  }
  IntParam& with_callback(ValueChanged<std::int32_t> callback) &;
  IntParam&& with_callback(ValueChanged<std::int32_t> callback) && {
    return std::move(with_callback(std::move(callback)));
  }
  IntParam& with_value_to_string(ValueToString<std::int32_t> formatter) &;
  IntParam&& with_value_to_string(ValueToString<std::int32_t> formatter) && {
    return std::move(with_value_to_string(std::move(formatter)));
  }
  IntParam& with_string_to_value(StringToValue<std::int32_t> parser) &;
  IntParam&& with_string_to_value(StringToValue<std::int32_t> parser) && {
    return std::move(with_string_to_value(std::move(parser)));
  }

  const std::string& name() const { return name_; }
  const std::string& unit() const { return unit_; }
  ParamFlags flags() const { return flags_; }
  std::optional<std::uint32_t> poly_modulation_id() const { return poly_modulation_id_; }
  const IntRange& range() const { return range_; }
  std::int32_t default_plain_value() const { return default_; }
  const Smoother<std::int32_t>& smoothed() const { return smoothed_; }

  // Thread: any
  std::int32_t value() const { return value_.load(std::memory_order_relaxed); }
  // Thread: any
  std::int32_t unmodulated_value() const {
    return unmodulated_value_.load(std::memory_order_relaxed);
  }
  // Thread: any
  float normalized_value() const { return normalized_value_.load(std::memory_order_relaxed); }
  // Thread: any
  float unmodulated_normalized_value() const {
    return unmodulated_normalized_value_.load(std::memory_order_relaxed);
  }
  // Thread: any
  float modulation_offset() const { return modulation_offset_.load(std::memory_order_relaxed); }

  // Stores `plain` unchanged (not clamped); returns whether `value` changed.
  // Thread: any
  bool set_plain_value(std::int32_t plain) const;
  // Thread: any
  bool set_normalized_value(float normalized) const;
  // Thread: any
  bool modulate_value(float offset) const;
  // Thread: any
  void update_smoother(float sample_rate, bool reset) const;

  // Thread: any
  std::int32_t step_count() const { return range_.step_count(); }
  // Thread: any
  float default_normalized_value() const { return range_.normalize(default_); }
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
  std::string name_;
  mutable std::atomic<std::int32_t> value_;
  mutable std::atomic<float> normalized_value_;
  mutable std::atomic<std::int32_t> unmodulated_value_;
  mutable std::atomic<float> unmodulated_normalized_value_;
  mutable std::atomic<float> modulation_offset_{0.0f};
  std::int32_t default_;
  mutable Smoother<std::int32_t> smoothed_;
  ParamFlags flags_ = 0;
  IntRange range_;
  std::string unit_;
  std::optional<std::uint32_t> poly_modulation_id_;
  ValueChanged<std::int32_t> value_changed_;
  ValueToString<std::int32_t> value_to_string_;
  StringToValue<std::int32_t> string_to_value_;
};

}  // namespace vessimor
