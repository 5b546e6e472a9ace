#pragma once

// Comparisons with the semantics the engine's formulas were tuned with: `at_least` and `at_most`
// let a NaN fall to the bound (and turn -0 into +0 at a zero bound); `clamp` lets NaN through so
// that the output guard, not a setting, decides what a broken value becomes.
namespace quorvane_dsp_kit {

inline float at_least(float v, float lo) noexcept {
  return v > lo ? v : lo;
}
inline float at_most(float v, float hi) noexcept {
  return v < hi ? v : hi;
}
// For lo <= hi: v < lo ? lo : (v > hi ? hi : v), written as two selects that compilers turn into
// single min/max instructions (each keeps a NaN v, as written).
inline float clamp(float v, float lo, float hi) noexcept {
  const float below = hi < v ? hi : v;
  return lo > below ? lo : below;
}

}  // namespace quorvane_dsp_kit
