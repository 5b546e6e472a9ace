#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "framework/params/param_common.hpp"
#include "framework/params/range.hpp"

namespace vessimor {

// What every parameter kind has in common: name, flags, text hooks, callback and the atomic value
// cells. `Kind` is the parameter class built on it (its builders return that class) and `T` the
// kind's plain value type; range, smoothing and text stay with each kind.
//
// Every value is an independent atomic cell (relaxed ordering); a change is decided by one atomic
// exchange of the plain value, so the main and audio threads may set it concurrently. Value
// operations are const: they only touch the atomic cells.
template <typename Kind, typename T>
class ParamCore {
 public:
  ParamCore(const ParamCore&) = delete;
  ParamCore& operator=(const ParamCore&) = delete;
  ParamCore& operator=(ParamCore&&) = delete;

  // Builders.
  Kind& with_flags(ParamFlags flags) & {
    flags_ = flags;
    return kind();
  }
  Kind&& with_flags(ParamFlags flags) && { return std::move(with_flags(flags)); }
  Kind& with_callback(ValueChanged<T> callback) & {
    value_changed_ = std::move(callback);
    return kind();
  }
  Kind&& with_callback(ValueChanged<T> callback) && {
    return std::move(with_callback(std::move(callback)));
  }
  Kind& with_value_to_string(ValueToString<T> formatter) & {
    value_to_string_ = std::move(formatter);
    return kind();
  }
  Kind&& with_value_to_string(ValueToString<T> formatter) && {
    return std::move(with_value_to_string(std::move(formatter)));
  }
  Kind& with_string_to_value(StringToValue<T> parser) & {
    string_to_value_ = std::move(parser);
    return kind();
  }
  Kind&& with_string_to_value(StringToValue<T> parser) && {
    return std::move(with_string_to_value(std::move(parser)));
  }

  const std::string& name() const { return name_; }
  const std::string& unit() const { return unit_; }
  ParamFlags flags() const { return flags_; }
  std::optional<std::uint32_t> poly_modulation_id() const { return poly_modulation_id_; }
  T default_plain_value() const { return default_; }

  // Thread: any
  T value() const { return value_.load(std::memory_order_relaxed); }
  // Thread: any
  T unmodulated_value() const { return unmodulated_value_.load(std::memory_order_relaxed); }
  // Thread: any
  float normalized_value() const { return normalized_value_.load(std::memory_order_relaxed); }
  // Thread: any
  float unmodulated_normalized_value() const {
    return unmodulated_normalized_value_.load(std::memory_order_relaxed);
  }
  // Thread: any
  float modulation_offset() const { return modulation_offset_.load(std::memory_order_relaxed); }

  // Thread: any
  bool modulate_value(float offset) const {
    modulation_offset_.store(offset, std::memory_order_relaxed);
    return kind().set_plain_value(unmodulated_value());
  }

 protected:
  ParamCore(std::string name, T default_value, float default_normalized)
      : name_(std::move(name)),
        value_(default_value),
        normalized_value_(default_normalized),
        unmodulated_value_(default_value),
        unmodulated_normalized_value_(default_normalized),
        default_(default_value) {}
  // Only while building the parameter set, before any other thread sees it.
  ParamCore(ParamCore&& other) noexcept
      : name_(std::move(other.name_)),
        value_(other.value()),
        normalized_value_(other.normalized_value()),
        unmodulated_value_(other.unmodulated_value()),
        unmodulated_normalized_value_(other.unmodulated_normalized_value()),
        modulation_offset_(other.modulation_offset()),
        default_(other.default_),
        flags_(other.flags_),
        unit_(std::move(other.unit_)),
        poly_modulation_id_(other.poly_modulation_id_),
        value_changed_(std::move(other.value_changed_)),
        value_to_string_(std::move(other.value_to_string_)),
        string_to_value_(std::move(other.string_to_value_)) {}

  // Builders that only the kinds with a unit publish (through `using`). The unit carries its own
  // leading blank: " dB".
  Kind& with_unit(std::string unit) & {
    unit_ = std::move(unit);
    return kind();
  }
  Kind&& with_unit(std::string unit) && { return std::move(with_unit(std::move(unit))); }
  Kind& with_poly_modulation_id(std::uint32_t id) & {
    poly_modulation_id_ = id;
    return kind();
  }
  Kind&& with_poly_modulation_id(std::uint32_t id) && {
    return std::move(with_poly_modulation_id(id));
  }

  // The body of every kind's set_plain_value: `unmodulated_normalized` is `plain` normalised and
  // `to_plain` maps a modulated normalised value back to a plain one. Returns whether `value`
  // changed.
  template <typename ToPlain>
  bool store_plain_value(T plain, float unmodulated_normalized, ToPlain&& to_plain) const {
    const float offset = modulation_offset_.load(std::memory_order_relaxed);
    T new_value = plain;
    float new_normalized = unmodulated_normalized;
    if (offset != 0.0f) {
      new_normalized = clamp_unit(unmodulated_normalized + offset);
      new_value = to_plain(new_normalized);
    }

    const T old_value = value_.exchange(new_value, std::memory_order_relaxed);
    if (old_value == new_value)
      return false;  // a NaN never equals, so it always counts as a change

    normalized_value_.store(new_normalized, std::memory_order_relaxed);
    unmodulated_value_.store(plain, std::memory_order_relaxed);
    unmodulated_normalized_value_.store(unmodulated_normalized, std::memory_order_relaxed);
    if (value_changed_) (*value_changed_)(new_value);
    return true;
  }

  const ValueToString<T>& value_to_string() const { return value_to_string_; }
  const StringToValue<T>& string_to_value() const { return string_to_value_; }

 private:
  Kind& kind() { return static_cast<Kind&>(*this); }
  const Kind& kind() const { return static_cast<const Kind&>(*this); }

  std::string name_;
  mutable std::atomic<T> value_;
  mutable std::atomic<float> normalized_value_;
  mutable std::atomic<T> unmodulated_value_;
  mutable std::atomic<float> unmodulated_normalized_value_;
  mutable std::atomic<float> modulation_offset_{0.0f};
  T default_;
  ParamFlags flags_ = 0;
  std::string unit_;
  std::optional<std::uint32_t> poly_modulation_id_;
  ValueChanged<T> value_changed_;
  ValueToString<T> value_to_string_;
  StringToValue<T> string_to_value_;
};

}  // namespace vessimor
