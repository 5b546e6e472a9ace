#pragma once

#include <cstddef>

#include "framework/params/bool_param.hpp"
#include "framework/params/enum_param.hpp"
#include "framework/params/float_param.hpp"
#include "framework/params/int_param.hpp"
#include "framework/params/param_ptr.hpp"
#include "framework/params_interface.hpp"

namespace vessimor {

inline constexpr std::size_t PARAM_COUNT = 29;

// The effect's parameters, declared in the order hosts list them; their ids, preset fields and
// kinds are in PARAM_TABLE (plugin/param_table.hpp). Shared by the plug-in object, the wrappers
// and the editor; every value is an atomic cell.
class VessimorParams final : public Params {
 public:
  VessimorParams();
  VessimorParams(const VessimorParams&) = delete;
  VessimorParams& operator=(const VessimorParams&) = delete;

  // Thread: any
  ParamMap param_map() const override;
  // Nothing persists besides the parameters. Thread: any
  PersistentFields serialize_fields() const override;
  // Thread: any
  void deserialize_fields(const PersistentFields& fields) override;

  FloatParam input_gain;
  FloatParam mix;
  FloatParam output_gain;
  FloatParam stereo_width;
  FloatParam lock_freq;
  BoolParam lock_motion_enable;
  EnumParam lock_motion_rate;
  FloatParam lock_motion_depth;
  EnumParam lock_motion_shape;
  EnumParam carrier_mode;
  FloatParam carrier_env_amount;
  BoolParam mode_cycle_enable;
  EnumParam mode_cycle_div;
  FloatParam formant_position;
  FloatParam formant_width;
  FloatParam formant_morph_rate;
  FloatParam stoch_spread;
  FloatParam stoch_density;
  FloatParam stoch_smoothing;
  IntParam swarm_count;
  FloatParam swarm_spread;
  FloatParam swarm_drift;
  EnumParam trig_div;
  FloatParam trig_amount;
  EnumParam char_mode;
  FloatParam char_amount;
  FloatParam comb_feedback;
  FloatParam comb_tuning;
  FloatParam comb_mix;
};

}  // namespace vessimor
