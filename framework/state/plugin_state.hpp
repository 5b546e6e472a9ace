#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <variant>

#include "framework/params_interface.hpp"

namespace vessimor {

// One saved parameter value: always the unmodulated plain value.
class ParamValue {
 public:
  enum class Kind : std::uint8_t { F32 = 0, I32 = 1, Bool = 2, String = 3 };
  using Variant = std::variant<float, std::int32_t, bool, std::string>;

  static ParamValue f32(float v) { return ParamValue(Variant(std::in_place_index<0>, v)); }
  static ParamValue i32(std::int32_t v) { return ParamValue(Variant(std::in_place_index<1>, v)); }
  static ParamValue boolean(bool v) { return ParamValue(Variant(std::in_place_index<2>, v)); }
  static ParamValue string(std::string v) {
    return ParamValue(Variant(std::in_place_index<3>, std::move(v)));
  }

  Kind kind() const { return static_cast<Kind>(value_.index()); }
  const Variant& variant() const { return value_; }
  // The value when it is of that alternative, else null.
  const float* as_f32() const { return std::get_if<0>(&value_); }
  const std::int32_t* as_i32() const { return std::get_if<1>(&value_); }
  const bool* as_bool() const { return std::get_if<2>(&value_); }
  const std::string* as_string() const { return std::get_if<3>(&value_); }

  friend bool operator==(const ParamValue& a, const ParamValue& b) = default;

 private:
  explicit ParamValue(Variant value) : value_(std::move(value)) {}
  Variant value_;
};

// The record through which an instance's settings leave and re-enter the process: host project
// save/load and the editor's whole-state requests. Plain data.
class PluginState {
 public:
  // The plug-in version that wrote it; never compared on reading.
  std::string version;
  // Parameter id to value; std::map orders ids by bytes, which fixes the text's member order.
  std::map<std::string, ParamValue> params;
  // The parameter set's persistent fields.
  PersistentFields fields;

  friend bool operator==(const PluginState& a, const PluginState& b) = default;
};

}  // namespace vessimor
