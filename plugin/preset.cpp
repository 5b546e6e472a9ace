#include "plugin/preset.hpp"

#include <algorithm>
#include <cmath>

namespace vessimor {
namespace {

using P = VessimorPreset;

constexpr bool kRequired = true;
constexpr bool kDefaulted = false;

const std::array<PresetField, 30> kFields = {{
    {"name", &P::name, kRequired},
    {"input_gain", &P::input_gain, kDefaulted},
    {"mix", &P::mix, kRequired},
    {"output_gain", &P::output_gain, kRequired},
    {"stereo_width", &P::stereo_width, kDefaulted},
    {"lock_freq", &P::lock_freq, kRequired},
    {"carrier_mode", &P::carrier_mode, kRequired},
    {"carrier_env_amount", &P::carrier_env_amount, kDefaulted},
    {"mode_cycle_enable", &P::mode_cycle_enable, kDefaulted},
    {"mode_cycle_div", &P::mode_cycle_div, kDefaulted},
    {"formant_position", &P::formant_position, kRequired},
    {"formant_width", &P::formant_width, kRequired},
    {"formant_morph_rate", &P::formant_morph_rate, kRequired},
    {"stoch_spread", &P::stoch_spread, kRequired},
    {"stoch_density", &P::stoch_density, kRequired},
    {"stoch_smoothing", &P::stoch_smoothing, kRequired},
    {"swarm_count", &P::swarm_count, kRequired},
    {"swarm_spread", &P::swarm_spread, kRequired},
    {"swarm_drift", &P::swarm_drift, kRequired},
    {"trig_div", &P::trig_div, kRequired},
    {"trig_amount", &P::trig_amount, kRequired},
    {"char_mode", &P::char_mode, kRequired},
    {"char_amount", &P::char_amount, kRequired},
    {"comb_feedback", &P::comb_feedback, kDefaulted},
    {"comb_tuning", &P::comb_tuning, kDefaulted},
    {"comb_mix", &P::comb_mix, kDefaulted},
    {"lock_motion_enable", &P::lock_motion_enable, kDefaulted},
    {"lock_motion_rate", &P::lock_motion_rate, kDefaulted},
    {"lock_motion_depth", &P::lock_motion_depth, kDefaulted},
    {"lock_motion_shape", &P::lock_motion_shape, kDefaulted},
}};

float clamp(float v, float lo, float hi) {
  return std::min(std::max(v, lo), hi);
}
float on_off(bool b) {
  return b ? 1.0f : 0.0f;
}
float index(std::uint8_t i) {
  return static_cast<float>(i);
}

}  // namespace

const std::array<PresetField, 30>& preset_fields() {
  return kFields;
}

const VessimorPreset& preset_field_defaults() {
  // The record's own member defaults are the values that defaulted keys take.
  static const VessimorPreset defaults{};
  return defaults;
}

std::array<ParamValuePair, 29> VessimorPreset::to_param_values() const {
  const int swarm = std::clamp(swarm_count, 2, 16);
  return {{
      {"input_gain", (clamp(input_gain, -12.0f, 12.0f) + 12.0f) / 24.0f},
      {"mix", mix},
      {"output_gain", (clamp(output_gain, -24.0f, 12.0f) + 24.0f) / 36.0f},
      {"stereo_width", clamp(stereo_width, 0.0f, 2.0f) * 0.5f},
      {"lock_freq", std::pow((clamp(lock_freq, 40.0f, 5000.0f) - 40.0f) / 4960.0f, 0.25f)},
      {"carrier_mode", index(carrier_mode) * 0.5f},
      {"carrier_env_amount", carrier_env_amount},
      {"mode_cycle_enable", on_off(mode_cycle_enable)},
      {"mode_cycle_div", index(mode_cycle_div) / 3.0f},
      {"formant_position", formant_position},
      {"formant_width", formant_width},
      {"formant_morph_rate", std::sqrt(clamp(formant_morph_rate, 0.0f, 10.0f) / 10.0f)},
      {"stoch_spread", stoch_spread},
      {"stoch_density", stoch_density},
      {"stoch_smoothing", stoch_smoothing},
      {"swarm_count", static_cast<float>(swarm - 2) / 14.0f},
      {"swarm_spread", swarm_spread},
      {"swarm_drift", swarm_drift},
      {"trig_div", index(trig_div) / 3.0f},
      {"trig_amount", trig_amount},
      {"char_mode", index(char_mode) / 3.0f},
      {"char_amount", char_amount},
      {"comb_feedback", comb_feedback / 0.95f},
      {"comb_tuning", std::pow((clamp(comb_tuning, 20.0f, 5000.0f) - 20.0f) / 4980.0f, 0.25f)},
      {"comb_mix", comb_mix},
      {"lock_motion_enable", on_off(lock_motion_enable)},
      {"lock_motion_rate", index(lock_motion_rate) * 0.125f},
      {"lock_motion_depth", lock_motion_depth},
      {"lock_motion_shape", index(lock_motion_shape) * 0.25f},
  }};
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
