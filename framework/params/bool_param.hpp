#pragma once

#include <optional>
#include <string>

#include "framework/params/param_core.hpp"

namespace vessimor {

// An on/off parameter: no range, unit, poly modulation id or smoother.
class BoolParam : public ParamCore<BoolParam, bool> {
 public:
  BoolParam(std::string name, bool default_value);
  // Only while building the parameter set, before any other thread sees it.
  BoolParam(BoolParam&& other) noexcept;

  // Thread: any
  bool set_plain_value(bool plain) const;
  // Thread: any
  bool set_normalized_value(float normalized) const { return set_plain_value(normalized > 0.5f); }

  // Thread: any
  float default_normalized_value() const { return default_plain_value() ? 1.0f : 0.0f; }
  // Thread: any
  std::string normalized_value_to_string(float normalized) const;
  // Never absent without a custom parser: "true" and "on" (any case) give 1, anything else 0.
  // Thread: any
  std::optional<float> string_to_normalized_value(std::string_view text) const;
};

}  // namespace vessimor
