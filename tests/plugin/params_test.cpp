#include "plugin/params.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "framework/params/range.hpp"

namespace vessimor {
namespace {

const ParamMapEntry& entry(const ParamMap& map, std::string_view id) {
  for (const ParamMapEntry& e : map) {
    if (e.id == id) {
      return e;
    }
  }
  throw std::out_of_range(std::string(id));
}

struct Expected {
  const char* id;
  const char* name;
  ParamPtr::Kind kind;
  float normalized_default;
  const char* default_text;  // with unit
};

// The whole table, in host order.
const std::vector<Expected> kTable = {
    {"input_gain", "Input Gain", ParamPtr::Kind::Float, 0.5F, "0.0 dB"},
    {"mix", "Mix", ParamPtr::Kind::Float, 0.5F, "50 %"},
    {"output_gain", "Output Gain", ParamPtr::Kind::Float, 0.6666667F, "0.0 dB"},
    {"stereo_width", "Stereo Width", ParamPtr::Kind::Float, 0.5F, "100 %"},
    {"lock_freq", "Lock Frequency", ParamPtr::Kind::Float, 0.5328986F, "440 Hz"},
    {"lock_motion_enable", "Lock Motion Enable", ParamPtr::Kind::Bool, 0.0F, "Off"},
    {"lock_motion_rate", "Lock Motion Rate", ParamPtr::Kind::Enum, 0.5F, "1/4"},
    {"lock_motion_depth", "Lock Motion Depth", ParamPtr::Kind::Float, 0.5F, "50 %"},
    {"lock_motion_shape", "Lock Motion Shape", ParamPtr::Kind::Enum, 0.0F, "Sine"},
    {"carrier_mode", "Carrier Mode", ParamPtr::Kind::Enum, 0.0F, "Formant"},
    {"carrier_env_amount", "Carrier Env Amount", ParamPtr::Kind::Float, 0.0F, "0 %"},
    {"mode_cycle_enable", "Mode Cycle Enable", ParamPtr::Kind::Bool, 0.0F, "Off"},
    {"mode_cycle_div", "Mode Cycle Division", ParamPtr::Kind::Enum, 0.0F, "1/4"},
    {"formant_position", "Formant Position", ParamPtr::Kind::Float, 0.5F, "0.50"},
    {"formant_width", "Formant Width", ParamPtr::Kind::Float, 0.5F, "0.50"},
    {"formant_morph_rate", "Formant Morph Rate", ParamPtr::Kind::Float, 0.0F, "0.00 Hz"},
    {"stoch_spread", "Stoch Spread", ParamPtr::Kind::Float, 0.3F, "0.30"},
    {"stoch_density", "Stoch Density", ParamPtr::Kind::Float, 0.5F, "0.50"},
    {"stoch_smoothing", "Stoch Smoothing", ParamPtr::Kind::Float, 0.5F, "0.50"},
    {"swarm_count", "Swarm Count", ParamPtr::Kind::Int, 0.14285715F, "4"},
    {"swarm_spread", "Swarm Spread", ParamPtr::Kind::Float, 0.2F, "0.20"},
    {"swarm_drift", "Swarm Drift", ParamPtr::Kind::Float, 0.3F, "0.30"},
    {"trig_div", "Trigger Division", ParamPtr::Kind::Enum, 0.33333334F, "1/8"},
    {"trig_amount", "Trigger Amount", ParamPtr::Kind::Float, 0.0F, "0.00"},
    {"char_mode", "Character Mode", ParamPtr::Kind::Enum, 0.0F, "Clean"},
    {"char_amount", "Character Amount", ParamPtr::Kind::Float, 0.5F, "0.50"},
    {"comb_feedback", "Comb Feedback", ParamPtr::Kind::Float, 0.0F, "0.00"},
    {"comb_tuning", "Comb Tuning", ParamPtr::Kind::Float, 0.538896F, "440 Hz"},
    {"comb_mix", "Comb Mix", ParamPtr::Kind::Float, 0.0F, "0"},
};

TEST(VessimorParams, MapFollowsTheTable) {
  const VessimorParams params;
  const ParamMap map = params.param_map();
  ASSERT_EQ(map.size(), kTable.size());
  std::set<std::uint32_t> hashes;
  for (std::size_t i = 0; i < map.size(); ++i) {
    const Expected& expected = kTable[i];
    const ParamPtr& param = map[i].param;
    SCOPED_TRACE(expected.id);
    EXPECT_EQ(map[i].id, expected.id);
    EXPECT_EQ(map[i].group, "");
    EXPECT_EQ(param.name(), expected.name);
    EXPECT_EQ(param.kind(), expected.kind);
    EXPECT_FLOAT_EQ(param.default_normalized_value(), expected.normalized_default);
    EXPECT_FLOAT_EQ(param.unmodulated_normalized_value(), expected.normalized_default);
    EXPECT_EQ(param.normalized_value_to_string(param.default_normalized_value(), true),
              expected.default_text);
    EXPECT_EQ(param.flags(), 0U);
    hashes.insert(hash_param_id(map[i].id));
  }
  EXPECT_EQ(hashes.size(), 29U) << "host ids must be distinct";

  const ParamMap again = params.param_map();
  for (std::size_t i = 0; i < map.size(); ++i) {
    EXPECT_EQ(again[i].id, map[i].id);
    EXPECT_TRUE(again[i].param == map[i].param);
  }
  EXPECT_TRUE(params.serialize_fields().empty());
}

TEST(VessimorParams, UnitsCarryTheirLeadingBlank) {
  const VessimorParams params;
  const ParamMap map = params.param_map();
  EXPECT_EQ(entry(map, "input_gain").param.unit(), " dB");
  EXPECT_EQ(entry(map, "stereo_width").param.unit(), " %");
  EXPECT_EQ(entry(map, "formant_morph_rate").param.unit(), " Hz");
  EXPECT_EQ(entry(map, "comb_mix").param.unit(), "");
  // The frequency display names its own unit, so asking for the unit shows it once.
  EXPECT_EQ(entry(map, "lock_freq").param.normalized_value_to_string(1.0F, true), "5.0 kHz");
  EXPECT_EQ(entry(map, "lock_freq").param.normalized_value_to_string(1.0F, false), "5.0 kHz");
}

TEST(VessimorParams, RangesAtTheirEnds) {
  const VessimorParams params;
  const ParamMap map = params.param_map();
  EXPECT_FLOAT_EQ(entry(map, "comb_feedback").param.preview_plain(1.0F), 0.95F);
  EXPECT_FLOAT_EQ(entry(map, "lock_freq").param.preview_plain(0.5F), 350.0F);
  EXPECT_FLOAT_EQ(entry(map, "comb_tuning").param.preview_plain(0.5F), 331.25F);
  EXPECT_FLOAT_EQ(entry(map, "formant_morph_rate").param.preview_plain(0.5F), 2.5F);
  EXPECT_EQ(entry(map, "swarm_count").param.step_count(), 14);
  EXPECT_EQ(entry(map, "lock_motion_rate").param.step_count(), 8);
  EXPECT_EQ(entry(map, "lock_motion_rate").param.normalized_value_to_string(7.0F / 8.0F, true),
            "1/4T");
}

struct TextCase {
  const char* id;
  const char* text;
  std::optional<float> normalized;
};

TEST(VessimorParams, ParsesHostText) {
  const VessimorParams params;
  const ParamMap map = params.param_map();
  const std::vector<TextCase> cases = {
      {"input_gain", "3 dB", 0.625F},
      {"input_gain", " 3 dB ", 0.625F},
      {"input_gain", "3dB", std::nullopt},
      {"mix", "50 %", 0.5F},
      {"mix", "50", 0.5F},
      {"output_gain", "-6 dB", 0.5F},
      {"stereo_width", "50 %", 0.25F},
      {"lock_freq", "440 Hz", 0.5328986F},
      {"lock_freq", "350", 0.5F},
      {"lock_freq", "1.2 kHz", FloatRange::skewed(40.0F, 5000.0F, 0.25F).normalize(1200.0F)},
      {"lock_freq", "5khz", 1.0F},
      {"lock_freq", "kHz", std::nullopt},
      {"lock_freq", "inf Hz", 1.0F},
      {"lock_freq", "-inf", 0.0F},
      {"lock_freq", "Infinity kHz", 1.0F},
      {"lock_freq", "nan Hz", std::nullopt},
      {"lock_freq", "\u00A01.2 kHz\u3000",
       FloatRange::skewed(40.0F, 5000.0F, 0.25F).normalize(1200.0F)},
      {"input_gain", "\u2003 3 dB\u00A0", 0.625F},
      {"input_gain", "-inf dB", 0.0F},
      {"mix", "\u202F50 %\u205F", 0.5F},
      {"mix", "inf %", 1.0F},
      {"mix", "nan", std::nullopt},
      {"lock_motion_enable", "on", 1.0F},
      {"lock_motion_enable", "yes", 0.0F},
      {"lock_motion_rate", "1/4T", 7.0F / 8.0F},
      {"lock_motion_depth", "25 %", 0.25F},
      {"lock_motion_shape", "S&H", 1.0F},
      {"carrier_mode", "Swarm", 1.0F},
      {"carrier_mode", "swarm", std::nullopt},
      {"carrier_env_amount", "100", 1.0F},
      {"mode_cycle_enable", "TRUE", 1.0F},
      {"mode_cycle_div", "1/32", 1.0F},
      {"formant_position", "0.25", 0.25F},
      {"formant_width", "1", 1.0F},
      {"formant_morph_rate", "2.5 Hz", 0.5F},
      {"stoch_spread", "0.75", 0.75F},
      {"stoch_density", "0.1", 0.1F},
      {"stoch_smoothing", "2", 1.0F},
      {"swarm_count", "+4", 2.0F / 14.0F},
      {"swarm_count", "4.0", std::nullopt},
      {"swarm_spread", "0.5", 0.5F},
      {"swarm_drift", "0", 0.0F},
      {"trig_div", "1/16", 2.0F / 3.0F},
      {"trig_amount", "0.4", 0.4F},
      {"char_mode", "Fold", 1.0F},
      {"char_amount", "0.7", 0.7F},
      {"comb_feedback", "0.95", 1.0F},
      {"comb_tuning", "20 Hz", 0.0F},
      {"comb_tuning", "331.25 Hz", 0.5F},
      {"comb_mix", "50", 0.5F},
      {"comb_mix", "50 %", 0.5F},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(std::string(c.id) + " <- \"" + c.text + "\"");
    const auto parsed = entry(map, c.id).param.string_to_normalized_value(c.text);
    ASSERT_EQ(parsed.has_value(), c.normalized.has_value());
    if (parsed) {
      EXPECT_NEAR(*parsed, *c.normalized, 1e-6F);
    }
  }
}

// Whatever a host shows, with or without the unit, typed back in gives the value it showed.
TEST(VessimorParams, EveryDisplayTextReadsBack) {
  const VessimorParams params;
  for (const ParamMapEntry& e : params.param_map()) {
    for (const bool with_unit : {true, false}) {
      for (const float normalized : {0.0F, 0.1F, 0.25F, 0.33F, 0.5F, 0.6F, 0.75F, 0.9F, 1.0F}) {
        const std::string shown = e.param.normalized_value_to_string(normalized, with_unit);
        SCOPED_TRACE(e.id + " shows \"" + shown + "\"");
        const auto parsed = e.param.string_to_normalized_value(shown);
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(e.param.normalized_value_to_string(*parsed, with_unit), shown);
      }
    }
  }
}

}  // namespace
}  // namespace vessimor
