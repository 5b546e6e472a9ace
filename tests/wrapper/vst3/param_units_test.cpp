#include "wrapper/vst3/param_units.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace vessimor::vst3 {
namespace {

struct UnitSeen {
  std::int32_t id;
  std::string name;
  std::int32_t parent;
  bool operator==(const UnitSeen&) const = default;
};

std::vector<UnitSeen> units_of(const ParamUnits& units) {
  std::vector<UnitSeen> seen;
  for (std::size_t i = 0; i < units.len(); ++i) {
    const auto unit = units.info(i);
    seen.push_back({unit->first, unit->second->name, unit->second->parent_unit_id});
  }
  EXPECT_FALSE(units.info(units.len()).has_value());
  return seen;
}

TEST(ParamUnits, GroupPathsBecomeUnitsSortedByPathWithTheirParents) {
  const std::vector<ParamUnits::Group> groups = {{10, "C"}, {11, "A/B"}, {12, ""}};
  const auto units = ParamUnits::from_param_groups(groups);
  ASSERT_TRUE(units);
  EXPECT_EQ(units_of(*units), (std::vector<UnitSeen>{{1, "A", 0}, {2, "B", 1}, {3, "C", 0}}));
  EXPECT_EQ(units->get_vst3_unit_id(10), 3);
  EXPECT_EQ(units->get_vst3_unit_id(11), 2);
  EXPECT_EQ(units->get_vst3_unit_id(12), 0);
  EXPECT_FALSE(units->get_vst3_unit_id(13).has_value());
}

TEST(ParamUnits, DeepAndRepeatedPathsShareTheirUnits) {
  // Byte order puts "Z" before "a"; a path named twice is one unit.
  const std::vector<ParamUnits::Group> groups = {{1, "a/x/y"}, {2, "Z"}, {3, "a/x"}, {4, "a/x/y"}};
  const auto units = ParamUnits::from_param_groups(groups);
  ASSERT_TRUE(units);
  EXPECT_EQ(units_of(*units),
            (std::vector<UnitSeen>{{1, "Z", 0}, {2, "a", 0}, {3, "x", 2}, {4, "y", 3}}));
  EXPECT_EQ(units->get_vst3_unit_id(1), 4);
  EXPECT_EQ(units->get_vst3_unit_id(4), 4);
  EXPECT_EQ(units->get_vst3_unit_id(3), 3);
}

}  // namespace
}  // namespace vessimor::vst3
