#include "framework/params/smoothing.hpp"

#include <cmath>

namespace vessimor {

namespace {

std::uint32_t steps_for_duration(float sample_rate, float duration_ms) {
  return saturating_f32_to_u32(std::round(sample_rate * duration_ms / 1000.0f));
}

}  // namespace

std::uint32_t SmoothingStyle::num_steps(float sample_rate) const {
  if (const auto* s = std::get_if<OversamplingAware>(&style_)) {
    return s->inner->num_steps(sample_rate * s->factor->load(std::memory_order_relaxed));
  }
  if (std::holds_alternative<None>(style_)) return 1;
  if (const auto* s = std::get_if<Linear>(&style_))
    return steps_for_duration(sample_rate, s->duration_ms);
  if (const auto* s = std::get_if<Logarithmic>(&style_)) {
    return steps_for_duration(sample_rate, s->duration_ms);
  }
  return steps_for_duration(sample_rate, std::get<Exponential>(style_).duration_ms);
}

float SmoothingStyle::step_size(float current, float target, std::uint32_t steps) const {
  if (const auto* s = std::get_if<OversamplingAware>(&style_)) {
    return s->inner->step_size(current, target, steps);
  }
  if (std::holds_alternative<Linear>(style_)) return (target - current) / static_cast<float>(steps);
  if (std::holds_alternative<Logarithmic>(style_)) {
    return static_cast<float>(
        std::pow(static_cast<double>(target / current), 1.0 / static_cast<double>(steps)));
  }
  if (std::holds_alternative<Exponential>(style_)) {
    return static_cast<float>(std::pow(0.0001, 1.0 / static_cast<double>(steps)));
  }
  return 0.0f;
}

}  // namespace vessimor
