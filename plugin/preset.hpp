#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "plugin/params.hpp"

namespace vessimor {

struct ParamValuePair {
  std::string_view id;  // a parameter id; points at static text
  float value;          // normalised, not limited to 0..1
};

// A preset: a name and the plain value of each of the effect's 29 parameters. The field order is
// the key order of preset files and of `to_param_values`. Choices are 0-based indices.
struct VessimorPreset {
  std::string name;
  float input_gain = 0.0f;
  float mix = 0.5f;
  float output_gain = 0.0f;
  float stereo_width = 1.0f;
  float lock_freq = 440.0f;
  std::uint8_t carrier_mode = 0;
  float carrier_env_amount = 0.0f;
  bool mode_cycle_enable = false;
  std::uint8_t mode_cycle_div = 0;
  float formant_position = 0.5f;
  float formant_width = 0.5f;
  float formant_morph_rate = 0.0f;
  float stoch_spread = 0.3f;
  float stoch_density = 0.5f;
  float stoch_smoothing = 0.5f;
  std::int32_t swarm_count = 4;
  float swarm_spread = 0.2f;
  float swarm_drift = 0.3f;
  std::uint8_t trig_div = 1;
  float trig_amount = 0.0f;
  std::uint8_t char_mode = 0;
  float char_amount = 0.5f;
  float comb_feedback = 0.0f;
  float comb_tuning = 440.0f;
  float comb_mix = 0.0f;
  bool lock_motion_enable = false;
  std::uint8_t lock_motion_rate = 4;
  float lock_motion_depth = 0.5f;
  std::uint8_t lock_motion_shape = 0;

  // Snapshot of the live parameter values under `name` (kept as given). A choice index outside
  // its field's range is stored as 0. Reads atomics only; copies the name.
  // Thread: audio
  static VessimorPreset from_params(const VessimorParams& params, std::string_view name);

  // The 29 normalised values that the editor page applies, in field order.
  // Thread: any
  std::array<ParamValuePair, PARAM_COUNT> to_param_values() const;

  bool operator==(const VessimorPreset&) const = default;
};

// One field of the record, for the file reader and writer.
using PresetMember = std::variant<std::string VessimorPreset::*, float VessimorPreset::*,
                                  std::uint8_t VessimorPreset::*, std::int32_t VessimorPreset::*,
                                  bool VessimorPreset::*>;

struct PresetField {
  std::string_view key;
  PresetMember member;
  bool required;  // a file without it is refused; otherwise it takes `preset_field_defaults()`'s
};

// The 30 fields in record order.
const std::array<PresetField, PARAM_COUNT + 1>& preset_fields();

// The values that defaulted keys take when a preset file lacks them.
const VessimorPreset& preset_field_defaults();

// The error of the preset file operations.
class PresetError {
 public:
  enum class Kind { Io, Json, NoPresetDir };

  static PresetError io(std::string system_text) { return {Kind::Io, std::move(system_text)}; }
  static PresetError json(std::string library_text) {
    return {Kind::Json, std::move(library_text)};
  }
  static PresetError no_preset_dir() { return {Kind::NoPresetDir, {}}; }

  Kind kind() const { return kind_; }
  const std::string& detail() const { return detail_; }
  // "IO error: ...", "JSON error: ..." or "Could not find preset directory".
  std::string text() const;

 private:
  PresetError(Kind kind, std::string detail) : kind_(kind), detail_(std::move(detail)) {}
  Kind kind_;
  std::string detail_;
};

// A value or a `PresetError`.
template <class T>
class PresetResult {
 public:
  PresetResult(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  PresetResult(PresetError error) : state_(std::in_place_index<1>, std::move(error)) {}

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }
  T& value() { return std::get<0>(state_); }
  const T& value() const { return std::get<0>(state_); }
  const PresetError& error() const { return std::get<1>(state_); }

 private:
  std::variant<T, PresetError> state_;
};

}  // namespace vessimor
