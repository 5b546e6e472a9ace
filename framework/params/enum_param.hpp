#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/params/int_param.hpp"

namespace vessimor {

// A choice parameter: an IntParam over the indices 0 to n-1 plus the choice names and, optionally,
// stable ids that survive reordering of the choices in saved states.
class EnumParamInner {
 public:
  EnumParamInner(std::string name, std::int32_t default_index, std::vector<std::string> variants,
                 std::optional<std::vector<std::string>> ids = std::nullopt);
  EnumParamInner(EnumParamInner&& other) noexcept = default;

  EnumParamInner& with_flags(ParamFlags flags) &;
  EnumParamInner&& with_flags(ParamFlags flags) && { return std::move(with_flags(flags)); }

  const IntParam& inner() const { return inner_; }
  const std::string& name() const { return inner_.name(); }
  const std::string& unit() const { return inner_.unit(); }
  ParamFlags flags() const { return inner_.flags(); }
  std::optional<std::uint32_t> poly_modulation_id() const { return inner_.poly_modulation_id(); }
  const std::vector<std::string>& variants() const { return variants_; }
  const std::optional<std::vector<std::string>>& ids() const { return ids_; }

  // Thread: any
  std::int32_t value() const { return inner_.value(); }
  // Thread: any
  std::int32_t unmodulated_value() const { return inner_.unmodulated_value(); }
  // Thread: any
  float normalized_value() const { return inner_.normalized_value(); }
  // Thread: any
  float unmodulated_normalized_value() const { return inner_.unmodulated_normalized_value(); }

  // Thread: any
  bool set_plain_value(std::int32_t index) const { return inner_.set_plain_value(index); }
  // Thread: any
  bool set_normalized_value(float normalized) const {
    return inner_.set_normalized_value(normalized);
  }
  // Thread: any
  bool modulate_value(float offset) const { return inner_.modulate_value(offset); }
  // Thread: any
  void update_smoother(float sample_rate, bool reset) const {
    inner_.update_smoother(sample_rate, reset);
  }

  // Selects the choice whose stable id is `id`; true when found (changed or not), false when there
  // are no ids or none matches.
  // Thread: any
  bool set_from_id(std::string_view id) const;
  // The index of the choice whose stable id is `id`; none when there are no ids or none matches.
  // Thread: any
  std::optional<std::int32_t> index_of_id(std::string_view id) const;
  // The stable id of the unmodulated choice; none without ids.
  // Thread: any
  std::optional<std::string_view> unmodulated_plain_id() const;

  // Thread: any
  std::int32_t step_count() const { return inner_.step_count(); }
  // Thread: any
  float default_normalized_value() const { return inner_.default_normalized_value(); }
  // Thread: any
  float preview_plain(float normalized) const { return inner_.preview_plain(normalized); }
  // Thread: any
  float preview_normalized(float plain) const { return inner_.preview_normalized(plain); }
  // The choice name; never a unit.
  // Thread: any
  std::string normalized_value_to_string(float normalized) const;
  // Exact (case-sensitive) choice name to its normalised index.
  // Thread: any
  std::optional<float> string_to_normalized_value(std::string_view text) const;

 private:
  std::size_t clamped_index(std::int32_t index) const;

  IntParam inner_;
  std::vector<std::string> variants_;
  std::optional<std::vector<std::string>> ids_;
};

using EnumParam = EnumParamInner;

}  // namespace vessimor
