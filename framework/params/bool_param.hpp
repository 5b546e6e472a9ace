#pragma once

#include <atomic>
#include <optional>
#include <string>

#include "framework/params/param_common.hpp"
#include "framework/params/range.hpp"

namespace vessimor {

// An on/off parameter: no range, unit or smoother.
class BoolParam {
 public:
  BoolParam(std::string name, bool default_value);
  // Only while building the parameter set, before any other thread sees it.
  BoolParam(BoolParam&& other) noexcept;
  BoolParam(const BoolParam&) = delete;
  BoolParam& operator=(const BoolParam&) = delete;
  BoolParam& operator=(BoolParam&&) = delete;

  // Builders.
  BoolParam& with_flags(ParamFlags flags) &;
  BoolParam&& with_flags(ParamFlags flags) && { return std::move(with_flags(flags)); }
  BoolParam& with_callback(ValueChanged<bool> callback) &;
  BoolParam&& with_callback(ValueChanged<bool> callback) && {
    return std::move(with_callback(std::move(callback)));
  }
  BoolParam& with_value_to_string(ValueToString<bool> formatter) &;
  BoolParam&& with_value_to_string(ValueToString<bool> formatter) && {
    return std::move(with_value_to_string(std::move(formatter)));
  }
  BoolParam& with_string_to_value(StringToValue<bool> parser) &;
  BoolParam&& with_string_to_value(StringToValue<bool> parser) && {
    return std::move(with_string_to_value(std::move(parser)));
  }

  const std::string& name() const { return name_; }
  // No unit; kept so that every kind answers the same questions.
  const std::string& unit() const;
  ParamFlags flags() const { return flags_; }
  std::optional<std::uint32_t> poly_modulation_id() const { return std::nullopt; }
  bool default_plain_value() const { return default_; }

  // Thread: any
  bool value() const { return value_.load(std::memory_order_relaxed); }
  // Thread: any
  bool unmodulated_value() const { return unmodulated_value_.load(std::memory_order_relaxed); }
  // Thread: any
  float normalized_value() const { return normalized_value_.load(std::memory_order_relaxed); }
  // Thread: any
  float unmodulated_normalized_value() const {
    return unmodulated_normalized_value_.load(std::memory_order_relaxed);
  }
  // Thread: any
  float modulation_offset() const { return modulation_offset_.load(std::memory_order_relaxed); }

  // Thread: any
  bool set_plain_value(bool plain) const;
  // Thread: any
  bool set_normalized_value(float normalized) const { return set_plain_value(normalized > 0.5f); }
  // Thread: any
  bool modulate_value(float offset) const;

  // Thread: any
  float default_normalized_value() const { return default_ ? 1.0f : 0.0f; }
  // Thread: any
  std::string normalized_value_to_string(float normalized) const;
  // Never absent without a custom parser: "true" and "on" (any case) give 1, anything else 0.
  // Thread: any
  std::optional<float> string_to_normalized_value(std::string_view text) const;

 private:
  std::string name_;
  mutable std::atomic<bool> value_;
  mutable std::atomic<bool> unmodulated_value_;
  mutable std::atomic<float> normalized_value_;
  mutable std::atomic<float> unmodulated_normalized_value_;
  mutable std::atomic<float> modulation_offset_{0.0f};
  bool default_;
  ParamFlags flags_ = 0;
  ValueChanged<bool> value_changed_;
  ValueToString<bool> value_to_string_;
  StringToValue<bool> string_to_value_;
};

}  // namespace vessimor
