#include "framework/params/enum_param.hpp"

namespace vessimor {

EnumParamInner::EnumParamInner(std::string name, std::int32_t default_index,
                               std::vector<std::string> variants,
                               std::optional<std::vector<std::string>> ids)
    : inner_(std::move(name), default_index,
             IntRange::linear(0, static_cast<std::int32_t>(variants.size()) - 1)),
      variants_(std::move(variants)),
      ids_(std::move(ids)) {}

EnumParamInner& EnumParamInner::with_flags(ParamFlags flags) & {
  inner_.with_flags(flags);
  return *this;
}

// A plain index set from a state may lie outside the choices; never index past the list.
std::size_t EnumParamInner::clamped_index(std::int32_t index) const {
  if (index < 0 || variants_.empty()) return 0;
  const auto i = static_cast<std::size_t>(index);
  return i < variants_.size() ? i : variants_.size() - 1;
}

bool EnumParamInner::set_from_id(std::string_view id) const {
  const std::optional<std::int32_t> index = index_of_id(id);
  if (index) set_plain_value(*index);
  return index.has_value();
}

std::optional<std::int32_t> EnumParamInner::index_of_id(std::string_view id) const {
  if (!ids_) return std::nullopt;
  for (std::size_t i = 0; i < ids_->size(); ++i) {
    if ((*ids_)[i] == id) return static_cast<std::int32_t>(i);
  }
  return std::nullopt;
}

std::optional<std::string_view> EnumParamInner::unmodulated_plain_id() const {
  if (!ids_ || ids_->empty()) return std::nullopt;
  const std::size_t index = clamped_index(unmodulated_value());
  if (index >= ids_->size()) return std::nullopt;
  return std::string_view((*ids_)[index]);
}

std::string EnumParamInner::normalized_value_to_string(float normalized) const {
  if (variants_.empty()) return {};
  return variants_[clamped_index(inner_.range().unnormalize(normalized))];
}

std::optional<float> EnumParamInner::string_to_normalized_value(std::string_view text) const {
  const std::string_view trimmed = param_text::trim(text);
  for (std::size_t i = 0; i < variants_.size(); ++i) {
    if (variants_[i] == trimmed) return inner_.range().normalize(static_cast<std::int32_t>(i));
  }
  return std::nullopt;
}

}  // namespace vessimor
