#include "plugin/preset.hpp"

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <variant>

#include "plugin/param_table.hpp"

namespace vessimor {
namespace {

// "name", then every parameter's field in the table's (record) order.
constexpr std::array<PresetField, PARAM_COUNT + 1> kFields = [] {
  std::array<PresetField, PARAM_COUNT + 1> fields{};
  fields[0] = {"name", &VessimorPreset::name, true};
  for (std::size_t i = 0; i < PARAM_COUNT; ++i) {
    const ParamDescriptor& d = PARAM_TABLE[i];
    fields[i + 1] = {d.id, std::visit([](auto b) { return PresetMember(b.field); }, d.fields),
                     d.required_in_presets};
  }
  return fields;
}();

float stored_value(float v) {
  return v;
}
float stored_value(std::int32_t n) {
  return static_cast<float>(n);
}
float stored_value(std::uint8_t index) {
  return static_cast<float>(index);
}

}  // namespace

const std::array<PresetField, PARAM_COUNT + 1>& preset_fields() {
  return kFields;
}

const VessimorPreset& preset_field_defaults() {
  // The record's own member defaults are the values that defaulted keys take.
  static const VessimorPreset defaults{};
  return defaults;
}

float PresetScale::normalize(float v) const {
  if (clamped) v = std::min(std::max(v, min), max);
  const float x = (v - min) / (max - min);
  switch (curve) {
    case Curve::fourth_root:
      return std::pow(x, 0.25F);
    case Curve::square_root:
      return std::sqrt(x);
    case Curve::linear:
      break;
  }
  return x;
}

std::array<ParamValuePair, PARAM_COUNT> VessimorPreset::to_param_values() const {
  std::array<ParamValuePair, PARAM_COUNT> values{};
  for (std::size_t i = 0; i < PARAM_COUNT; ++i) {
    const ParamDescriptor& d = PARAM_TABLE[i];
    const float normalized = std::visit(
        [&](auto b) {
          const auto& stored = this->*b.field;
          if constexpr (std::is_same_v<std::decay_t<decltype(stored)>, bool>) {
            return stored ? 1.0F : 0.0F;
          } else {
            return d.preset_scale.normalize(stored_value(stored));
          }
        },
        d.fields);
    values[i] = {d.id, normalized};
  }
  return values;
}

std::string PresetError::text() const {
  switch (kind_) {
    case Kind::Io:
      return "IO error: " + detail_;
    case Kind::Json:
      return "JSON error: " + detail_;
    case Kind::NoPresetDir:
      break;
  }
  return "Could not find preset directory";
}

}  // namespace vessimor
