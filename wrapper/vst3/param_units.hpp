// The VST3 unit tree: one unit per group path of the parameter map, so that hosts can show the
// parameters in their groups.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vessimor::vst3 {

struct ParamUnit {
  // The last component of the group path.
  std::string name;
  // 0 (the root unit) for a top-level group.
  std::int32_t parent_unit_id = 0;
};

class ParamUnits {
 public:
  // One (parameter hash, group path) per parameter; the empty path is the root unit.
  using Group = std::pair<std::uint32_t, std::string_view>;

  // Every path and each of its prefixes that ends before a "/" becomes a unit, sorted by path so
  // that a unit's id is its position plus 1. Nothing when a unit's parent path has no unit
  // ("Missing parent group"). Thread: main (instance construction)
  static std::optional<ParamUnits> from_param_groups(std::span<const Group> groups);

  // The unit of a parameter (0: the root); nothing for an unknown hash. Thread: any
  std::optional<std::int32_t> get_vst3_unit_id(std::uint32_t hash) const;

  // Units without the root. Thread: any
  std::size_t len() const noexcept { return units_.size(); }
  // The unit id (index + 1) and the unit at a 0-based index; nothing past the end. Thread: any
  std::optional<std::pair<std::int32_t, const ParamUnit*>> info(std::size_t index) const;

 private:
  std::vector<ParamUnit> units_;
  std::unordered_map<std::uint32_t, std::int32_t> unit_by_hash_;
};

}  // namespace vessimor::vst3
