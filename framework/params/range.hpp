#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>
#include <variant>

namespace vessimor {

// Maps a float parameter's plain value to [0, 1] and back. Builders must keep min < max,
// factor > 0 and, for SymmetricalSkewed, min < center < max.
class FloatRange {
 public:
  struct Linear {
    float min;
    float max;
  };
  // factor < 1 spreads the low end of the range over more of the normalised scale.
  struct Skewed {
    float min;
    float max;
    float factor;
  };
  struct SymmetricalSkewed {
    float min;
    float max;
    float factor;
    float center;
  };
  struct Reversed {
    std::shared_ptr<const FloatRange> inner;  // immutable, so sharing it is as good as a copy
  };
  using Variant = std::variant<Linear, Skewed, SymmetricalSkewed, Reversed>;

  FloatRange(Linear r) : range_(r) {}
  FloatRange(Skewed r) : range_(r) {}
  FloatRange(SymmetricalSkewed r) : range_(r) {}
  FloatRange(Reversed r) : range_(std::move(r)) {}

  static FloatRange linear(float min, float max) { return Linear{min, max}; }
  static FloatRange skewed(float min, float max, float factor) { return Skewed{min, max, factor}; }
  static FloatRange symmetrical_skewed(float min, float max, float factor, float center) {
    return SymmetricalSkewed{min, max, factor, center};
  }
  static FloatRange reversed(FloatRange inner) {
    return Reversed{std::make_shared<const FloatRange>(std::move(inner))};
  }

  const Variant& variant() const { return range_; }

  // Plain to normalised; the plain value is clamped into the range first.
  float normalize(float plain) const;
  // Normalised to plain; the normalised value is clamped into [0, 1] first (NaN counts as 0).
  float unnormalize(float normalized) const;
  // Nearest multiple of step_size (halves away from zero), clamped into the innermost range.
  float snap_to_step(float value, float step_size) const;
  // The plain value limited to [min, max] of the innermost range; NaN gives min.
  float clamp(float plain) const;
  // Walks to the innermost range; the invariants themselves are the builder's duty.
  void assert_validity() const;

 private:
  // [min, max] of the innermost range.
  std::pair<float, float> bounds() const;

  Variant range_;
};

// Maps an integer or choice parameter's plain value to [0, 1] and back.
class IntRange {
 public:
  struct Linear {
    std::int32_t min;
    std::int32_t max;
  };
  struct Reversed {
    std::shared_ptr<const IntRange> inner;
  };
  using Variant = std::variant<Linear, Reversed>;

  IntRange(Linear r) : range_(r) {}
  IntRange(Reversed r) : range_(std::move(r)) {}

  static IntRange linear(std::int32_t min, std::int32_t max) { return Linear{min, max}; }
  static IntRange reversed(IntRange inner) {
    return Reversed{std::make_shared<const IntRange>(std::move(inner))};
  }

  const Variant& variant() const { return range_; }

  // Clamped into [0, 1]; plain values outside the range map to 0 or 1.
  float normalize(std::int32_t plain) const;
  // Nearest integer (halves away from zero) of the clamped normalised value; NaN counts as 0.
  std::int32_t unnormalize(float normalized) const;
  // max - min of the innermost range (saturated to the 32-bit range).
  std::int32_t step_count() const;
  void assert_validity() const;

 private:
  const Linear& innermost() const;

  Variant range_;
};

// The host-facing 31-bit parameter id: h = h * 31 + byte over the id's UTF-8 bytes, top bit
// cleared.
std::uint32_t hash_param_id(std::string_view id);

// Float-to-integer conversion that is defined for every input: NaN gives 0, out-of-range values
// saturate. The plain C++ conversion is undefined behaviour for those.
std::int32_t saturating_f32_to_i32(float v);
std::uint32_t saturating_f32_to_u32(float v);

// Clamp into [0, 1] with NaN treated as 0.
float clamp_unit(float v);

}  // namespace vessimor
