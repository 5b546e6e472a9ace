#include "plugin/params.hpp"

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/float_text.hpp"
#include "framework/formatters.hpp"
#include "plugin/param_table.hpp"

namespace vessimor {

namespace {

using Choices = std::vector<std::string>;

// Text a user types for a frequency: a number of hertz, optionally followed by "Hz", or a number
// of kilohertz followed by "kHz" (letters in any case, blanks allowed before them). It reads back
// both forms that the hertz-then-kilohertz display writes.
StringToValue<float> s2v_f32_hz_or_khz() {
  return std::make_shared<const std::function<std::optional<float>(std::string_view)>>(
      [](std::string_view text) -> std::optional<float> {
        const auto ends_with_ignoring_case = [&](std::string_view suffix) {
          if (text.size() < suffix.size()) {
            return false;
          }
          return param_text::equals_ignoring_ascii_case(text.substr(text.size() - suffix.size()),
                                                        suffix);
        };
        float scale = 1.0F;
        if (ends_with_ignoring_case("khz")) {
          scale = 1000.0F;
          text.remove_suffix(3);
        } else if (ends_with_ignoring_case("hz")) {
          text.remove_suffix(2);
        }
        while (!text.empty() && text.back() == ' ') {
          text.remove_suffix(1);
        }
        const auto value = float_text::parse(text);
        // "inf" stays infinite and the parameter clamps it into range; "nan" means nothing.
        if (!value || std::isnan(*value)) {
          return std::nullopt;
        }
        return *value * scale;
      });
}

FloatRange checked(FloatRange range) {
  range.assert_validity();
  return range;
}

FloatParam float_param(std::string name, float default_value, FloatRange range) {
  return FloatParam(std::move(name), default_value, checked(std::move(range)));
}

FloatParam percentage(std::string name, float default_value, float max, std::string unit) {
  return float_param(std::move(name), default_value, FloatRange::linear(0.0F, max))
      .with_unit(std::move(unit))
      .with_value_to_string(formatters::v2s_f32_percentage(0))
      .with_string_to_value(formatters::s2v_f32_percentage());
}

FloatParam rounded(std::string name, float default_value, FloatRange range, std::string unit,
                   std::size_t decimals) {
  return float_param(std::move(name), default_value, std::move(range))
      .with_unit(std::move(unit))
      .with_value_to_string(formatters::v2s_f32_rounded(decimals));
}

// The display already names the unit ("440 Hz", "1.2 kHz"), so the parameter carries none:
// text asked for with its unit then shows it once.
FloatParam frequency(std::string name, float min) {
  return float_param(std::move(name), 440.0F, FloatRange::skewed(min, 5000.0F, 0.25F))
      .with_value_to_string(formatters::v2s_f32_hz_then_khz(0))
      .with_string_to_value(s2v_f32_hz_or_khz());
}

EnumParam choice(std::string name, std::int32_t default_index, Choices names) {
  EnumParam param(std::move(name), default_index, std::move(names));
  param.inner().range().assert_validity();
  return param;
}

IntParam integer(std::string name, std::int32_t default_value, std::int32_t min, std::int32_t max) {
  IntRange range = IntRange::linear(min, max);
  range.assert_validity();
  return IntParam(std::move(name), default_value, std::move(range));
}

Choices division_names() {
  return {"1/4", "1/8", "1/16", "1/32"};
}

}  // namespace

VessimorParams::VessimorParams()
    : input_gain(rounded("Input Gain", 0.0F, FloatRange::linear(-12.0F, 12.0F), " dB", 1)),
      mix(percentage("Mix", 0.5F, 1.0F, " %")),
      output_gain(rounded("Output Gain", 0.0F, FloatRange::linear(-24.0F, 12.0F), " dB", 1)),
      stereo_width(percentage("Stereo Width", 1.0F, 2.0F, " %")),
      lock_freq(frequency("Lock Frequency", 40.0F)),
      lock_motion_enable("Lock Motion Enable", false),
      lock_motion_rate(
          choice("Lock Motion Rate", 4,
                 {"4 bars", "2 bars", "1 bar", "1/2", "1/4", "1/8", "1/16", "1/4T", "1/8T"})),
      lock_motion_depth(percentage("Lock Motion Depth", 0.5F, 1.0F, " %")),
      lock_motion_shape(
          choice("Lock Motion Shape", 0, {"Sine", "Triangle", "Saw", "Square", "S&H"})),
      carrier_mode(choice("Carrier Mode", 0, {"Formant", "Stoch", "Swarm"})),
      carrier_env_amount(percentage("Carrier Env Amount", 0.0F, 1.0F, " %")),
      mode_cycle_enable("Mode Cycle Enable", false),
      mode_cycle_div(choice("Mode Cycle Division", 0, division_names())),
      formant_position(rounded("Formant Position", 0.5F, FloatRange::linear(0.0F, 1.0F), "", 2)),
      formant_width(rounded("Formant Width", 0.5F, FloatRange::linear(0.0F, 1.0F), "", 2)),
      formant_morph_rate(
          rounded("Formant Morph Rate", 0.0F, FloatRange::skewed(0.0F, 10.0F, 0.5F), " Hz", 2)),
      stoch_spread(rounded("Stoch Spread", 0.3F, FloatRange::linear(0.0F, 1.0F), "", 2)),
      stoch_density(rounded("Stoch Density", 0.5F, FloatRange::linear(0.0F, 1.0F), "", 2)),
      stoch_smoothing(rounded("Stoch Smoothing", 0.5F, FloatRange::linear(0.0F, 1.0F), "", 2)),
      swarm_count(integer("Swarm Count", 4, 2, 16)),
      swarm_spread(rounded("Swarm Spread", 0.2F, FloatRange::linear(0.0F, 1.0F), "", 2)),
      swarm_drift(rounded("Swarm Drift", 0.3F, FloatRange::linear(0.0F, 1.0F), "", 2)),
      trig_div(choice("Trigger Division", 1, division_names())),
      trig_amount(rounded("Trigger Amount", 0.0F, FloatRange::linear(0.0F, 1.0F), "", 2)),
      char_mode(choice("Character Mode", 0, {"Clean", "Grit", "Warm", "Fold"})),
      char_amount(rounded("Character Amount", 0.5F, FloatRange::linear(0.0F, 1.0F), "", 2)),
      comb_feedback(rounded("Comb Feedback", 0.0F, FloatRange::linear(0.0F, 0.95F), "", 2)),
      comb_tuning(frequency("Comb Tuning", 20.0F)),
      // Shown as a percentage without a unit, so it also reads a percentage back: "50" is 0.5.
      comb_mix(percentage("Comb Mix", 0.0F, 1.0F, "")) {}

ParamMap VessimorParams::param_map() const {
  std::vector<std::pair<const void*, ParamMapEntry>> entries;
  entries.reserve(PARAM_COUNT);
  for (const ParamDescriptor& d : PARAM_TABLE) {
    std::visit(
        [&](auto b) {
          const auto* param = &(this->*b.param);
          entries.emplace_back(param, ParamMapEntry{std::string(d.id), ParamPtr(param), ""});
        },
        d.fields);
  }
  // Hosts list the parameters in the order this class declares them: later members lie at higher
  // addresses.
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
    return std::less<const void*>()(a.first, b.first);
  });
  ParamMap map;
  map.reserve(PARAM_COUNT);
  for (auto& entry : entries) map.push_back(std::move(entry.second));
  return map;
}

PersistentFields VessimorParams::serialize_fields() const {
  return {};
}

void VessimorParams::deserialize_fields(const PersistentFields& /*fields*/) {}

}  // namespace vessimor
