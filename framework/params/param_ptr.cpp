#include "framework/params/param_ptr.hpp"

#include <type_traits>

namespace vessimor {

namespace {
template <typename P, typename K>
inline constexpr bool is_kind = std::is_same_v<std::remove_cvref_t<P>, K>;
}  // namespace

const std::string& ParamPtr::name() const {
  return visit([](const auto& p) -> const std::string& { return p.name(); });
}

const std::string& ParamPtr::unit() const {
  return visit([](const auto& p) -> const std::string& { return p.unit(); });
}

ParamFlags ParamPtr::flags() const {
  return visit([](const auto& p) { return p.flags(); });
}

std::optional<std::uint32_t> ParamPtr::poly_modulation_id() const {
  return visit([](const auto& p) { return p.poly_modulation_id(); });
}

std::optional<std::int32_t> ParamPtr::step_count() const {
  return visit([](const auto& p) -> std::optional<std::int32_t> {
    using P = decltype(p);
    if constexpr (is_kind<P, FloatParam>) {
      return std::nullopt;
    } else if constexpr (is_kind<P, BoolParam>) {
      return 1;
    } else {
      return p.step_count();
    }
  });
}

float ParamPtr::default_normalized_value() const {
  return visit([](const auto& p) { return p.default_normalized_value(); });
}

float ParamPtr::modulated_normalized_value() const {
  return visit([](const auto& p) { return p.normalized_value(); });
}

float ParamPtr::unmodulated_normalized_value() const {
  return visit([](const auto& p) { return p.unmodulated_normalized_value(); });
}

float ParamPtr::preview_plain(float normalized) const {
  return visit([normalized](const auto& p) {
    if constexpr (is_kind<decltype(p), BoolParam>) {
      return normalized;
    } else {
      return p.preview_plain(normalized);
    }
  });
}

float ParamPtr::preview_normalized(float plain) const {
  return visit([plain](const auto& p) {
    if constexpr (is_kind<decltype(p), BoolParam>) {
      return plain;
    } else {
      return p.preview_normalized(plain);
    }
  });
}

bool ParamPtr::set_normalized_value(float normalized) const {
  return visit([normalized](const auto& p) { return p.set_normalized_value(normalized); });
}

bool ParamPtr::modulate_value(float offset) const {
  return visit([offset](const auto& p) { return p.modulate_value(offset); });
}

void ParamPtr::update_smoother(float sample_rate, bool reset) const {
  visit([&](const auto& p) {
    if constexpr (!is_kind<decltype(p), BoolParam>) p.update_smoother(sample_rate, reset);
  });
}

std::string ParamPtr::normalized_value_to_string(float normalized, bool include_unit) const {
  return visit([&](const auto& p) -> std::string {
    using P = decltype(p);
    if constexpr (is_kind<P, FloatParam> || is_kind<P, IntParam>) {
      return p.normalized_value_to_string(normalized, include_unit);
    } else {
      return p.normalized_value_to_string(normalized);
    }
  });
}

std::optional<float> ParamPtr::string_to_normalized_value(std::string_view text) const {
  return visit([text](const auto& p) { return p.string_to_normalized_value(text); });
}

std::size_t ParamPtr::hash() const {
  const void* address = std::visit([](auto* p) -> const void* { return p; }, ptr_);
  return std::hash<const void*>{}(address) ^ ptr_.index();
}

}  // namespace vessimor
