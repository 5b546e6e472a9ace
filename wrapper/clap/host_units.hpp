// Parameter values in the units a CLAP host sees: 0 to the step count for a stepped parameter,
// 0 to 1 for a continuous one.
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>

#include "framework/params/param_ptr.hpp"

namespace vessimor::clap {

// A stepped parameter's value is always a whole number: the normalised value is a 32-bit float,
// so k / steps times steps lands a few ulps beside k, which hosts show and store as a fraction.
// Thread: any
inline double host_value(const ParamPtr& param, float normalized) {
  const std::optional<std::int32_t> steps = param.step_count();
  if (!steps) {
    return static_cast<double>(normalized);
  }
  return std::round(static_cast<double>(normalized) * static_cast<double>(*steps));
}

// The normalised value of a value in host units. Thread: any
inline float normalized_from_host(const ParamPtr& param, double value) {
  const std::optional<std::int32_t> steps = param.step_count();
  const auto narrowed = static_cast<float>(value);
  return steps ? narrowed / static_cast<float>(*steps) : narrowed;
}

}  // namespace vessimor::clap
