#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/clap_host/render_options.hpp"

namespace vessimor::tools {

// A parameter value for the effect: its string id and its normalised value.
struct NormalizedValue {
  std::string id;
  float normalized = 0.0f;
};

// Parses a value text the way the plug-in itself does (choice names, "On", "440 Hz", "-3 dB"):
// gives the normalised value, or nothing when the plug-in cannot read the text.
using PluginTextParser =
    std::function<std::optional<float>(std::string_view id, const std::string& text)>;

std::vector<std::string> factory_preset_names();

// The normalised values of all 29 parameters for the named factory preset (exact, case-sensitive
// name), with the overrides applied on top in order. An override's value is either a number in
// the parameter's own units (dB, Hz, plain fraction, choice index, whole count, 0/1) that must
// lie in its range, or text the plug-in parses. Throws HostError for an unknown preset, an
// unknown parameter id or a value that is out of range or unreadable; the message lists the
// known names or the parameter's range.
std::vector<NormalizedValue> resolve_parameter_values(
    const std::string& preset, const std::vector<ParameterOverride>& overrides,
    const PluginTextParser& parse_text);

}  // namespace vessimor::tools
