#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "framework/params/param_ptr.hpp"
#include "plugin/factory_presets.hpp"
#include "plugin/params.hpp"
#include "plugin/preset.hpp"

namespace vessimor {
namespace {

void expect_close(const VessimorPreset& got, const VessimorPreset& want) {
  EXPECT_EQ(got.name, want.name);
  const auto g = got.to_param_values();
  const auto w = want.to_param_values();
  for (std::size_t i = 0; i < g.size(); ++i) {
    EXPECT_NEAR(g[i].value, w[i].value, 2e-6f) << want.name << " " << w[i].id;
  }
  EXPECT_EQ(got.carrier_mode, want.carrier_mode);
  EXPECT_EQ(got.swarm_count, want.swarm_count);
  EXPECT_EQ(got.trig_div, want.trig_div);
  EXPECT_EQ(got.char_mode, want.char_mode);
  EXPECT_EQ(got.lock_motion_rate, want.lock_motion_rate);
  EXPECT_EQ(got.lock_motion_shape, want.lock_motion_shape);
  EXPECT_EQ(got.lock_motion_enable, want.lock_motion_enable);
}

TEST(PresetParams, DefaultParametersSnapshotAsInit) {
  VessimorParams params;
  const auto snapshot = VessimorPreset::from_params(params, "Init");
  EXPECT_EQ(snapshot, FACTORY_PRESETS[0]);
  // The name is kept exactly as given.
  EXPECT_EQ(VessimorPreset::from_params(params, "  a/b  ").name, "  a/b  ");
}

TEST(PresetParams, NormalisedValuesMatchTheParametersDefaults) {
  VessimorParams params;
  std::map<std::string, ParamPtr> by_id;
  for (const auto& entry : params.param_map()) by_id.emplace(entry.id, entry.param);
  for (const auto& [id, value] : FACTORY_PRESETS[0].to_param_values()) {
    ASSERT_TRUE(by_id.count(std::string(id))) << id;
    EXPECT_NEAR(value, by_id.at(std::string(id)).default_normalized_value(), 1e-6f) << id;
  }
}

// Applying a preset's normalised values as the page does, then taking a snapshot, gives the
// preset back: the conversion formulas agree with the parameters' ranges.
TEST(PresetParams, EveryFactoryPresetSurvivesTheTripThroughTheParameters) {
  for (const auto& row : FACTORY_PRESETS) {
    VessimorParams params;
    std::map<std::string, ParamPtr> by_id;
    for (const auto& entry : params.param_map()) by_id.emplace(entry.id, entry.param);
    for (const auto& [id, value] : row.to_param_values()) {
      by_id.at(std::string(id)).set_normalized_value(value);
    }
    expect_close(VessimorPreset::from_params(params, row.name), row);
  }
}

}  // namespace
}  // namespace vessimor
