#pragma once

#include <string>
#include <vector>

#include "plugin/preset.hpp"
#include "plugin/preset_list.hpp"

// Compact JSON payloads of the preset answers to the editor page.
namespace vessimor::presets {

// [{"name":"Init","is_factory":true},...]; nothing when a name is not valid UTF-8.
std::optional<std::string> preset_list_json(const std::vector<PresetInfo>& infos);

// [["input_gain",0.5],...] in the record's parameter order.
std::optional<std::string> param_values_json(const std::array<ParamValuePair, PARAM_COUNT>& values);

}  // namespace vessimor::presets
