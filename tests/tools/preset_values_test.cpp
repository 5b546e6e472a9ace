// Factory preset values and parameter overrides as the render tool resolves them.
#include "tools/clap_host/preset_values.hpp"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vessimor::test {
namespace {

using namespace vessimor::tools;

TEST(ParameterValues, PresetThenOverridesInPlainUnits) {
  const auto values = resolve_parameter_values(
      "Combover", {{"mix", "0.25"}, {"swarm_count", "16"}, {"char_mode", "1"}}, {});
  ASSERT_EQ(values.size(), 29u);
  std::map<std::string, float> by_id;
  for (const auto& v : values) by_id[v.id] = v.normalized;
  EXPECT_FLOAT_EQ(by_id["mix"], 0.25f);
  EXPECT_FLOAT_EQ(by_id["swarm_count"], 1.0f);
  EXPECT_FLOAT_EQ(by_id["char_mode"], 1.0f / 3.0f);
  EXPECT_FLOAT_EQ(by_id["comb_feedback"], 0.804f / 0.95f);  // from the preset
}

TEST(ParameterValues, RefusesUnknownNamesAndBadValues) {
  EXPECT_THROW(resolve_parameter_values("init", {}, {}), HostError);  // names are exact
  EXPECT_THROW(resolve_parameter_values("Init", {{"volume", "1"}}, {}), HostError);
  const std::vector<std::pair<std::string, std::string>> bad = {
      {"mix", "1.5"},      {"comb_mix", "30"},          {"input_gain", "-13"},
      {"lock_freq", "20"}, {"swarm_count", "3.5"},      {"swarm_count", "17"},
      {"char_mode", "4"},  {"lock_motion_enable", "2"}, {"mix", "nan"}};
  for (const auto& [id, value] : bad) {
    EXPECT_THROW(resolve_parameter_values("Init", {{id, value}}, {}), HostError) << id << value;
  }
  // Text goes to the plug-in's own parser; text it cannot read is refused.
  const PluginTextParser refuse_all = [](std::string_view, const std::string&) {
    return std::optional<float>();
  };
  EXPECT_THROW(resolve_parameter_values("Init", {{"char_mode", "Loud"}}, refuse_all), HostError);
  const PluginTextParser fold = [](std::string_view, const std::string&) {
    return std::optional<float>(1.0f);
  };
  for (const auto& value : resolve_parameter_values("Init", {{"char_mode", "Fold"}}, fold)) {
    if (value.id == "char_mode") {
      EXPECT_FLOAT_EQ(value.normalized, 1.0f);
    }
  }
}

}  // namespace
}  // namespace vessimor::test
