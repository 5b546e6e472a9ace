#include "framework/params/range.hpp"

#include <cmath>
#include <limits>

#include "framework/panic.hpp"

namespace vessimor {

namespace {

// A range with min > max (or a NaN bound) is a programming error in the parameter set; stop loudly
// rather than produce values outside every range.
float checked_clamp(float v, float lo, float hi) {
  if (!(lo <= hi))
    VESSIMOR_PANIC("FloatRange: min > max, or either was NaN (min = {}, max = {})", lo, hi);
  if (v < lo) return lo;
  if (v > hi) return hi;
  return v;  // NaN stays NaN
}

template <typename... Fs>
struct Overloaded : Fs... {
  using Fs::operator()...;
};
template <typename... Fs>
Overloaded(Fs...) -> Overloaded<Fs...>;

}  // namespace

float clamp_unit(float v) {
  if (std::isnan(v)) return 0.0f;
  return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

std::int32_t saturating_f32_to_i32(float v) {
  if (std::isnan(v)) return 0;
  // 2^31 is exactly representable; every float below it converts without overflow.
  if (v >= 2147483648.0f) return std::numeric_limits<std::int32_t>::max();
  if (v <= -2147483648.0f) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(v);
}

std::uint32_t saturating_f32_to_u32(float v) {
  if (std::isnan(v) || v <= 0.0f) return 0;
  if (v >= 4294967296.0f) return std::numeric_limits<std::uint32_t>::max();
  return static_cast<std::uint32_t>(v);
}

float FloatRange::normalize(float plain) const {
  return std::visit(
      Overloaded{
          [&](const Linear& r) {
            return (checked_clamp(plain, r.min, r.max) - r.min) / (r.max - r.min);
          },
          [&](const Skewed& r) {
            const float u = (checked_clamp(plain, r.min, r.max) - r.min) / (r.max - r.min);
            return std::pow(u, r.factor);
          },
          [&](const SymmetricalSkewed& r) {
            const float u = (checked_clamp(plain, r.min, r.max) - r.min) / (r.max - r.min);
            const float cp = (r.center - r.min) / (r.max - r.min);
            if (u > cp) {
              const float s = (u - cp) * (1.0f / (1.0f - cp));
              return std::pow(s, r.factor) * 0.5f + 0.5f;
            }
            const float s = (cp - u) * (1.0f / cp);
            return (1.0f - std::pow(s, r.factor)) * 0.5f;
          },
          [&](const Reversed& r) { return 1.0f - r.inner->normalize(plain); },
      },
      range_);
}

float FloatRange::unnormalize(float normalized) const {
  const float n = clamp_unit(normalized);
  return std::visit(
      Overloaded{
          [&](const Linear& r) { return r.min + n * (r.max - r.min); },
          [&](const Skewed& r) { return r.min + std::pow(n, 1.0f / r.factor) * (r.max - r.min); },
          [&](const SymmetricalSkewed& r) {
            const float cp = (r.center - r.min) / (r.max - r.min);
            float p;
            if (n > 0.5f) {
              p = cp + (1.0f - cp) * std::pow((n - 0.5f) + (n - 0.5f), 1.0f / r.factor);
            } else {
              p = cp * (1.0f - std::pow((0.5f - n) + (0.5f - n), 1.0f / r.factor));
            }
            return r.min + (r.max - r.min) * p;
          },
          [&](const Reversed& r) { return r.inner->unnormalize(1.0f - n); },
      },
      range_);
}

std::pair<float, float> FloatRange::bounds() const {
  const FloatRange* range = this;
  while (const auto* reversed = std::get_if<Reversed>(&range->range_))
    range = reversed->inner.get();
  return std::visit(Overloaded{
                        [](const Linear& r) {
                          return std::pair{r.min, r.max};
                        },
                        [](const Skewed& r) {
                          return std::pair{r.min, r.max};
                        },
                        [](const SymmetricalSkewed& r) {
                          return std::pair{r.min, r.max};
                        },
                        [](const Reversed&) {
                          return std::pair{0.0f, 0.0f};
                        },
                    },
                    range->range_);
}

float FloatRange::clamp(float plain) const {
  const auto [min, max] = bounds();
  if (!(plain >= min)) return min;
  return plain > max ? max : plain;
}

float FloatRange::snap_to_step(float value, float step_size) const {
  const auto [min, max] = bounds();
  return checked_clamp(std::round(value / step_size) * step_size, min, max);
}

void FloatRange::assert_validity() const {
  const FloatRange* range = this;
  while (const auto* reversed = std::get_if<Reversed>(&range->range_))
    range = reversed->inner.get();
}

const IntRange::Linear& IntRange::innermost() const {
  const IntRange* range = this;
  while (const auto* reversed = std::get_if<Reversed>(&range->range_))
    range = reversed->inner.get();
  return std::get<Linear>(range->range_);
}

float IntRange::normalize(std::int32_t plain) const {
  float n;
  if (const auto* reversed = std::get_if<Reversed>(&range_)) {
    n = 1.0f - reversed->inner->normalize(plain);
  } else {
    const auto& r = std::get<Linear>(range_);
    // Differences in 64 bits: in 32 bits they overflow for far-out plain values.
    const auto offset = static_cast<std::int64_t>(plain) - r.min;
    const auto span = static_cast<std::int64_t>(r.max) - r.min;
    n = static_cast<float>(offset) / static_cast<float>(span);
  }
  if (n < 0.0f) return 0.0f;
  if (n > 1.0f) return 1.0f;
  return n;
}

std::int32_t IntRange::unnormalize(float normalized) const {
  const float n = clamp_unit(normalized);
  if (const auto* reversed = std::get_if<Reversed>(&range_))
    return reversed->inner->unnormalize(1.0f - n);
  const auto& r = std::get<Linear>(range_);
  const auto span = static_cast<std::int64_t>(r.max) - r.min;
  const float steps = std::round(n * static_cast<float>(span));
  // steps is finite and within [0, 2^32], so the 64-bit conversion is exact and defined.
  const std::int64_t plain = static_cast<std::int64_t>(steps) + r.min;
  if (plain > std::numeric_limits<std::int32_t>::max())
    return std::numeric_limits<std::int32_t>::max();
  if (plain < std::numeric_limits<std::int32_t>::min())
    return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(plain);
}

std::int32_t IntRange::step_count() const {
  const auto& r = innermost();
  const auto span = static_cast<std::int64_t>(r.max) - r.min;
  if (span > std::numeric_limits<std::int32_t>::max())
    return std::numeric_limits<std::int32_t>::max();
  if (span < std::numeric_limits<std::int32_t>::min())
    return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(span);
}

void IntRange::assert_validity() const {
  (void)innermost();
}

std::uint32_t hash_param_id(std::string_view id) {
  std::uint32_t h = 0;
  for (const char c : id) h = h * 31u + static_cast<unsigned char>(c);
  return h & 0x7FFFFFFFu;
}

}  // namespace vessimor
