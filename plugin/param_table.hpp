#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <variant>

#include "plugin/params.hpp"
#include "plugin/preset.hpp"

namespace vessimor {

// A parameter of the set and the preset field that stores its plain value.
template <class Param, class Field>
struct ParamBinding {
  Param VessimorParams::*param;
  Field VessimorPreset::*field;
};

// The alternative is the parameter's kind: a float, an integer, a switch or a choice index.
using ParamFields =
    std::variant<ParamBinding<FloatParam, float>, ParamBinding<IntParam, std::int32_t>,
                 ParamBinding<BoolParam, bool>, ParamBinding<EnumParam, std::uint8_t>>;

// How a preset's stored value becomes the normalised value the editor page applies:
// (v - min) / (max - min), with v first limited to [min, max] only where `clamped`, then the
// fourth or square root for a skewed range. A switch gives 1 or 0 and has no scale.
struct PresetScale {
  enum class Curve : std::uint8_t { linear, fourth_root, square_root };

  float min = 0.0F;
  float max = 1.0F;
  bool clamped = false;
  Curve curve = Curve::linear;

  // The value as it stands (a 0..1 range).
  static constexpr PresetScale as_is() { return {}; }
  // Not limited: a value outside the range gives a normalised value outside 0..1.
  static constexpr PresetScale over(float min, float max) { return {min, max, false}; }
  static constexpr PresetScale limited(float min, float max, Curve curve = Curve::linear) {
    return {min, max, true, curve};
  }
  // A choice index over `count` choices, not limited.
  static constexpr PresetScale choices(int count) {
    return {0.0F, static_cast<float>(count - 1), false};
  }

  // Thread: any
  float normalize(float v) const;
};

struct ParamDescriptor {
  std::string_view id;
  ParamFields fields;
  // A preset file must name it; otherwise a missing key takes the record's default.
  bool required_in_presets;
  PresetScale preset_scale;
};

namespace param_table_detail {

template <class Param, class Field>
constexpr ParamFields bind(Param VessimorParams::*param, Field VessimorPreset::*field) {
  return ParamBinding<Param, Field>{param, field};
}

constexpr bool kRequired = true;
constexpr bool kDefaulted = false;
using S = PresetScale;
using C = PresetScale::Curve;
using Ps = VessimorParams;
using Pr = VessimorPreset;

}  // namespace param_table_detail

// The effect's 29 parameters, each written once, in the preset record's order (which is the key
// order of preset files and of the normalised values). Hosts list them in the order that
// `VessimorParams` declares its members. The parameter map, the preset file fields, the snapshot
// and the normalised values all derive from this table.
// clang-format off
inline constexpr std::array<ParamDescriptor, PARAM_COUNT> PARAM_TABLE = [] {
  using namespace param_table_detail;
  return std::array<ParamDescriptor, PARAM_COUNT>{{
    {"input_gain", bind(&Ps::input_gain, &Pr::input_gain), kDefaulted, S::limited(-12.0F, 12.0F)},
    {"mix", bind(&Ps::mix, &Pr::mix), kRequired, S::as_is()},
    {"output_gain", bind(&Ps::output_gain, &Pr::output_gain), kRequired, S::limited(-24.0F, 12.0F)},
    {"stereo_width", bind(&Ps::stereo_width, &Pr::stereo_width), kDefaulted, S::limited(0.0F, 2.0F)},
    {"lock_freq", bind(&Ps::lock_freq, &Pr::lock_freq), kRequired, S::limited(40.0F, 5000.0F, C::fourth_root)},
    {"carrier_mode", bind(&Ps::carrier_mode, &Pr::carrier_mode), kRequired, S::choices(3)},
    {"carrier_env_amount", bind(&Ps::carrier_env_amount, &Pr::carrier_env_amount), kDefaulted, S::as_is()},
    {"mode_cycle_enable", bind(&Ps::mode_cycle_enable, &Pr::mode_cycle_enable), kDefaulted, {}},
    {"mode_cycle_div", bind(&Ps::mode_cycle_div, &Pr::mode_cycle_div), kDefaulted, S::choices(4)},
    {"formant_position", bind(&Ps::formant_position, &Pr::formant_position), kRequired, S::as_is()},
    {"formant_width", bind(&Ps::formant_width, &Pr::formant_width), kRequired, S::as_is()},
    {"formant_morph_rate", bind(&Ps::formant_morph_rate, &Pr::formant_morph_rate), kRequired, S::limited(0.0F, 10.0F, C::square_root)},
    {"stoch_spread", bind(&Ps::stoch_spread, &Pr::stoch_spread), kRequired, S::as_is()},
    {"stoch_density", bind(&Ps::stoch_density, &Pr::stoch_density), kRequired, S::as_is()},
    {"stoch_smoothing", bind(&Ps::stoch_smoothing, &Pr::stoch_smoothing), kRequired, S::as_is()},
    {"swarm_count", bind(&Ps::swarm_count, &Pr::swarm_count), kRequired, S::limited(2.0F, 16.0F)},
    {"swarm_spread", bind(&Ps::swarm_spread, &Pr::swarm_spread), kRequired, S::as_is()},
    {"swarm_drift", bind(&Ps::swarm_drift, &Pr::swarm_drift), kRequired, S::as_is()},
    {"trig_div", bind(&Ps::trig_div, &Pr::trig_div), kRequired, S::choices(4)},
    {"trig_amount", bind(&Ps::trig_amount, &Pr::trig_amount), kRequired, S::as_is()},
    {"char_mode", bind(&Ps::char_mode, &Pr::char_mode), kRequired, S::choices(4)},
    {"char_amount", bind(&Ps::char_amount, &Pr::char_amount), kRequired, S::as_is()},
    {"comb_feedback", bind(&Ps::comb_feedback, &Pr::comb_feedback), kDefaulted, S::over(0.0F, 0.95F)},
    {"comb_tuning", bind(&Ps::comb_tuning, &Pr::comb_tuning), kDefaulted, S::limited(20.0F, 5000.0F, C::fourth_root)},
    {"comb_mix", bind(&Ps::comb_mix, &Pr::comb_mix), kDefaulted, S::as_is()},
    {"lock_motion_enable", bind(&Ps::lock_motion_enable, &Pr::lock_motion_enable), kDefaulted, {}},
    {"lock_motion_rate", bind(&Ps::lock_motion_rate, &Pr::lock_motion_rate), kDefaulted, S::choices(9)},
    {"lock_motion_depth", bind(&Ps::lock_motion_depth, &Pr::lock_motion_depth), kDefaulted, S::as_is()},
    {"lock_motion_shape", bind(&Ps::lock_motion_shape, &Pr::lock_motion_shape), kDefaulted, S::choices(5)},
  }};
}();
// clang-format on

}  // namespace vessimor
