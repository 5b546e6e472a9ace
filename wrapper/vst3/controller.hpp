// The edit controller's parameter calls: how a host sees each parameter (id, titles, unit, steps,
// default, flags) and the conversions between normalised values, plain values and text. They read
// only the instance's tables and the parameters' atomic values, so they take no lock.
#pragma once

#include <cstdint>

#include "framework/params/param_common.hpp"
#include "platform/vst3/vst3.hpp"
#include "wrapper/core/param_tables.hpp"
#include "wrapper/vst3/param_units.hpp"

namespace vessimor::vst3 {

// The host-side flags of a parameter: a hidden parameter is read-only to the host whether or not
// it is automatable, and a bypass parameter says so in any case. Thread: any
std::int32_t parameter_info_flags(ParamFlags flags) noexcept;

// Fills `info` (zeroed first) for the parameter at the host index; kInvalidArgument for a null
// record or an index outside the list. Thread: main
abi::tresult parameter_info(const core::ParamTables& tables, const ParamUnits& units,
                            std::int32_t index, abi::ParameterInfo* info);

// The value's text without the unit, which the host reads from the parameter's info and shows
// after it; kInvalidArgument for a null field or an unknown id. Thread: main
abi::tresult param_string_by_value(const core::ParamTables& tables, abi::ParamID id,
                                   abi::ParamValue normalized, char16_t* string);

// The normalised value of a text; kInvalidArgument for a null argument, an unpaired surrogate or
// an unknown id, kResultFalse (nothing stored) for text that names no value. Thread: main
abi::tresult param_value_by_string(const core::ParamTables& tables, abi::ParamID id,
                                   const char16_t* string, abi::ParamValue* normalized);

// The plain value of a normalised one; an unknown id gives the argument back. Thread: any
abi::ParamValue normalized_param_to_plain(const core::ParamTables& tables, abi::ParamID id,
                                          abi::ParamValue normalized);
// The normalised value of a plain one; an unknown id gives the argument back. Thread: any
abi::ParamValue plain_param_to_normalized(const core::ParamTables& tables, abi::ParamID id,
                                          abi::ParamValue plain);
// The current normalised value, modulation included; 0.5 for an unknown id. Thread: any
abi::ParamValue param_normalized(const core::ParamTables& tables, abi::ParamID id);

}  // namespace vessimor::vst3
