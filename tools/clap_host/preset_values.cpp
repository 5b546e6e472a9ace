#include "tools/clap_host/preset_values.hpp"

#include <algorithm>
#include <cmath>

#include "framework/float_text.hpp"
#include "framework/params/param_ptr.hpp"
#include "plugin/factory_presets.hpp"
#include "plugin/params.hpp"

namespace vessimor::tools {
namespace {

std::string joined(const std::vector<std::string>& names, std::string_view quote) {
  std::string text;
  for (const auto& name : names) {
    if (!text.empty()) text += ", ";
    text += std::string(quote) + name + std::string(quote);
  }
  return text;
}

const VessimorPreset& find_preset(const std::string& name) {
  for (const VessimorPreset& preset : FACTORY_PRESETS) {
    if (preset.name == name) return preset;
  }
  throw HostError("unknown preset \"" + name + "\"; the factory presets are " +
                  joined(factory_preset_names(), "\""));
}

// A plain number must survive the trip to normalised and back: a value outside the range comes
// back clamped, and a fraction on a stepped parameter comes back rounded. (An on/off parameter
// maps 0 and 1 to themselves, so its normalised value is checked as well.)
float normalized_from_plain(const ParamMapEntry& entry, double plain, const std::string& text) {
  const ParamPtr& param = entry.param;
  const auto value = static_cast<float>(plain);
  const float normalized = param.preview_normalized(value);
  const float back = param.preview_plain(normalized);
  const float low = param.preview_plain(0.0f);
  const float high = param.preview_plain(1.0f);
  const float tolerance = 1e-4f * std::max({1.0f, std::fabs(low), std::fabs(high)});
  const bool stepped = param.step_count().has_value();
  if (!std::isfinite(value) || !(normalized >= 0.0f && normalized <= 1.0f) ||
      std::fabs(back - value) > tolerance || (stepped && plain != std::floor(plain))) {
    // Percentages are stored as fractions: name the fraction range and the text form.
    const bool percent = param.unit() == " %";
    throw HostError("bad value '" + text + "' for " + entry.id + ": expected " +
                    (stepped ? "a whole number" : "a number") + " from " +
                    float_text::shortest(std::min(low, high)) + " to " +
                    float_text::shortest(std::max(low, high)) + (percent ? "" : param.unit()) +
                    (percent ? ", or a percentage such as '50 %'" : "") +
                    (param.kind() == ParamPtr::Kind::Enum ? ", or a choice name" : ""));
  }
  return normalized;
}

}  // namespace

std::vector<std::string> factory_preset_names() {
  std::vector<std::string> names;
  for (const VessimorPreset& preset : FACTORY_PRESETS) names.push_back(preset.name);
  return names;
}

std::vector<NormalizedValue> resolve_parameter_values(
    const std::string& preset, const std::vector<ParameterOverride>& overrides,
    const PluginTextParser& parse_text) {
  std::vector<NormalizedValue> values;
  for (const ParamValuePair& pair : find_preset(preset).to_param_values()) {
    values.push_back({std::string(pair.id), pair.value});
  }
  const VessimorParams params;
  const ParamMap map = params.param_map();
  for (const ParameterOverride& change : overrides) {
    const ParamMapEntry* entry = nullptr;
    for (const ParamMapEntry& candidate : map) {
      if (candidate.id == change.id) entry = &candidate;
    }
    if (entry == nullptr) {
      std::vector<std::string> ids;
      for (const ParamMapEntry& candidate : map) ids.push_back(candidate.id);
      throw HostError("unknown parameter '" + change.id + "'; the parameters are " +
                      joined(ids, ""));
    }
    float normalized = 0.0f;
    if (const std::optional<double> number = parse_number(change.value)) {
      normalized = normalized_from_plain(*entry, *number, change.value);
    } else {
      const std::optional<float> parsed =
          parse_text ? parse_text(entry->id, change.value) : std::nullopt;
      if (!parsed || !std::isfinite(*parsed)) {
        throw HostError("bad value '" + change.value + "' for " + entry->id +
                        ": the plug-in cannot read it");
      }
      normalized = *parsed;
    }
    for (NormalizedValue& value : values) {
      if (value.id == change.id) value.normalized = normalized;
    }
  }
  return values;
}

}  // namespace vessimor::tools
