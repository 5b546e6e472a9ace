#include "wrapper/vst3/controller.hpp"

#include <cmath>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>

#include "framework/panic.hpp"
#include "framework/params/param_ptr.hpp"
#include "wrapper/vst3/util.hpp"

namespace vessimor::vst3 {

namespace {

// The text fields of host records: 128 UTF-16 units with the terminating zero.
constexpr std::size_t kTextUnits = std::size(abi::String128{});

}  // namespace

std::int32_t parameter_info_flags(ParamFlags flags) noexcept {
  std::int32_t info_flags = abi::kNoFlags;
  if ((flags & param_flags::HIDDEN) != 0) {
    info_flags = abi::kIsReadOnly | abi::kIsHidden;
  } else if ((flags & param_flags::NON_AUTOMATABLE) == 0) {
    info_flags = abi::kCanAutomate;
  }
  if ((flags & param_flags::BYPASS) != 0) info_flags |= abi::kIsBypass;
  return info_flags;
}

abi::tresult parameter_info(const core::ParamTables& tables, const ParamUnits& units,
                            std::int32_t index, abi::ParameterInfo* info) {
  if (info == nullptr || index < 0 || static_cast<std::size_t>(index) >= tables.size()) {
    return abi::kInvalidArgument;
  }
  const core::ParamTableEntry& entry = tables.entries()[static_cast<std::size_t>(index)];
  const ParamPtr& param = entry.param;
  const std::optional<std::int32_t> unit_id = units.get_vst3_unit_id(entry.hash);
  if (!unit_id) VESSIMOR_PANIC("Inconsistent parameter data");

  std::memset(info, 0, sizeof *info);
  info->id = entry.hash;
  util::u16strlcpy(info->title, kTextUnits, param.name());
  util::u16strlcpy(info->shortTitle, kTextUnits, param.name());
  // Switches and choices show their own words, with no unit after them.
  const bool has_unit =
      param.kind() == ParamPtr::Kind::Float || param.kind() == ParamPtr::Kind::Int;
  if (has_unit) util::u16strlcpy(info->units, kTextUnits, param.unit());
  info->stepCount = param.step_count().value_or(0);
  info->defaultNormalizedValue = static_cast<abi::ParamValue>(param.default_normalized_value());
  info->unitId = *unit_id;
  info->flags = parameter_info_flags(param.flags());
  return abi::kResultOk;
}

abi::tresult param_string_by_value(const core::ParamTables& tables, abi::ParamID id,
                                   abi::ParamValue normalized, char16_t* string) {
  if (string == nullptr) return abi::kInvalidArgument;
  const std::optional<ParamPtr> param = tables.param_of(id);
  if (!param) return abi::kInvalidArgument;
  util::u16strlcpy(string, kTextUnits,
                   param->normalized_value_to_string(static_cast<float>(normalized), false));
  return abi::kResultOk;
}

abi::tresult param_value_by_string(const core::ParamTables& tables, abi::ParamID id,
                                   const char16_t* string, abi::ParamValue* normalized) {
  if (string == nullptr || normalized == nullptr) return abi::kInvalidArgument;
  const std::optional<std::string> text = util::u16_to_utf8(string, kTextUnits);
  if (!text) return abi::kInvalidArgument;
  const std::optional<ParamPtr> param = tables.param_of(id);
  if (!param) return abi::kInvalidArgument;
  const std::optional<float> value = param->string_to_normalized_value(*text);
  // Infinity is clamped into the range by the parse; a host must never get a non-finite value.
  if (!value || !std::isfinite(*value)) return abi::kResultFalse;
  *normalized = static_cast<abi::ParamValue>(*value);
  return abi::kResultOk;
}

abi::ParamValue normalized_param_to_plain(const core::ParamTables& tables, abi::ParamID id,
                                          abi::ParamValue normalized) {
  const std::optional<ParamPtr> param = tables.param_of(id);
  if (!param) return normalized;
  return static_cast<abi::ParamValue>(param->preview_plain(static_cast<float>(normalized)));
}

abi::ParamValue plain_param_to_normalized(const core::ParamTables& tables, abi::ParamID id,
                                          abi::ParamValue plain) {
  const std::optional<ParamPtr> param = tables.param_of(id);
  if (!param) return plain;
  return static_cast<abi::ParamValue>(param->preview_normalized(static_cast<float>(plain)));
}

abi::ParamValue param_normalized(const core::ParamTables& tables, abi::ParamID id) {
  const std::optional<ParamPtr> param = tables.param_of(id);
  if (!param) return 0.5;
  return static_cast<abi::ParamValue>(param->modulated_normalized_value());
}

}  // namespace vessimor::vst3
