#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "framework/params/bool_param.hpp"
#include "framework/params/enum_param.hpp"
#include "framework/params/float_param.hpp"
#include "framework/params/int_param.hpp"
#include "framework/params_interface.hpp"

namespace vessimor {

// A non-owning handle to one parameter of a parameter set, dispatching every operation to its kind.
// Valid while the set it points into lives (the set is shared by everyone who holds handles).
class ParamPtr {
 public:
  enum class Kind : std::uint8_t { Float = 0, Int = 1, Bool = 2, Enum = 3 };

  ParamPtr(const FloatParam* p) : ptr_(p) {}
  ParamPtr(const IntParam* p) : ptr_(p) {}
  ParamPtr(const BoolParam* p) : ptr_(p) {}
  ParamPtr(const EnumParamInner* p) : ptr_(p) {}

  Kind kind() const { return static_cast<Kind>(ptr_.index()); }
  // The parameter of that kind, or null when the handle is of another kind.
  const FloatParam* as_float() const { return get<const FloatParam*>(); }
  const IntParam* as_int() const { return get<const IntParam*>(); }
  const BoolParam* as_bool() const { return get<const BoolParam*>(); }
  const EnumParamInner* as_enum() const { return get<const EnumParamInner*>(); }

  // Thread: any
  const std::string& name() const;
  // Thread: any
  const std::string& unit() const;
  // Thread: any
  ParamFlags flags() const;
  // Thread: any
  std::optional<std::uint32_t> poly_modulation_id() const;

  // None for a continuous parameter.
  // Thread: any
  std::optional<std::int32_t> step_count() const;
  // Thread: any
  float default_normalized_value() const;
  // Thread: any
  float modulated_normalized_value() const;
  // Thread: any
  float unmodulated_normalized_value() const;
  // Thread: any
  float preview_plain(float normalized) const;
  // Thread: any
  float preview_normalized(float plain) const;
  // Returns whether the value changed.
  // Thread: any
  bool set_normalized_value(float normalized) const;
  // Returns whether the modulated value changed.
  // Thread: any
  bool modulate_value(float offset) const;
  // Thread: any
  void update_smoother(float sample_rate, bool reset) const;
  // Builds text, so it allocates: not for the audio thread.
  // Thread: any
  std::string normalized_value_to_string(float normalized, bool include_unit) const;
  // Thread: any
  std::optional<float> string_to_normalized_value(std::string_view text) const;

  friend bool operator==(const ParamPtr& a, const ParamPtr& b) { return a.ptr_ == b.ptr_; }
  std::size_t hash() const;

 private:
  template <typename P>
  P get() const {
    const P* p = std::get_if<P>(&ptr_);
    return p ? *p : nullptr;
  }
  template <typename F>
  decltype(auto) visit(F&& f) const {
    return std::visit([&](auto* p) -> decltype(auto) { return f(*p); }, ptr_);
  }

  std::variant<const FloatParam*, const IntParam*, const BoolParam*, const EnumParamInner*> ptr_;
};

// One entry of a parameter map: string id, handle and group path ("" for the top level).
struct ParamMapEntry {
  std::string id;
  ParamPtr param;
  std::string group;
};

}  // namespace vessimor

template <>
struct std::hash<vessimor::ParamPtr> {
  std::size_t operator()(const vessimor::ParamPtr& p) const noexcept { return p.hash(); }
};
