#pragma once

// Plain settings for the processor tests, applied through the plug-in's parameter set and its
// once-per-block settings update, so that the tests drive the processor the way the plug-in does.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <variant>

#include "engine/processor.hpp"
#include "plugin/param_table.hpp"
#include "plugin/params.hpp"
#include "plugin/processor_settings.hpp"

namespace vessimor::test {

// The parameters' plain values (a preset record holds one of each, with the parameters' defaults)
// and the host's tempo.
struct Settings : VessimorPreset {
  float tempo = 120.0f;
};

// The parameter set the settings pass through; built before any test arms an allocation hook.
inline VessimorParams& params_for_tests() {
  static VessimorParams params;
  return params;
}
inline const bool kParamsForTestsBuilt = (params_for_tests(), true);

// Drives the processor exactly as the plug-in does: plain values into its parameter set, then the
// plug-in's own once-per-block settings update.
inline void apply(VessimorProcessor& p, const Settings& s) {
  const VessimorParams& params = params_for_tests();
  for (const ParamDescriptor& d : PARAM_TABLE) {
    std::visit([&](auto b) { (params.*b.param).set_plain_value(s.*b.field); }, d.fields);
  }
  update_processor_params(params, s.tempo, p);
}

// Deterministic white noise in -1..1.
class Noise {
 public:
  explicit Noise(std::uint32_t seed = 0x9e3779b9u) : state_(seed) {}
  float next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<float>(state_) * 4.656613e-10f - 1.0f;
  }
  std::uint32_t bits() {
    next();
    return state_;
  }

 private:
  std::uint32_t state_;
};

}  // namespace vessimor::test
