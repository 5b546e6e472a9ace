#include "wrapper/vst3/param_units.hpp"

#include <algorithm>
#include <map>

namespace vessimor::vst3 {

std::optional<ParamUnits> ParamUnits::from_param_groups(std::span<const Group> groups) {
  // A map keeps the distinct paths in byte order, which is the units' order.
  std::map<std::string_view, std::int32_t> id_by_path;
  for (const auto& [hash, path] : groups) {
    if (path.empty()) continue;
    for (std::size_t slash = path.find('/'); slash != std::string_view::npos;
         slash = path.find('/', slash + 1)) {
      id_by_path.emplace(path.substr(0, slash), 0);
    }
    id_by_path.emplace(path, 0);
  }

  ParamUnits units;
  units.units_.reserve(id_by_path.size());
  std::int32_t next_id = 1;
  for (auto& [path, id] : id_by_path) {
    id = next_id++;
    const std::size_t last_slash = path.rfind('/');
    units.units_.push_back(ParamUnit{
        std::string(last_slash == std::string_view::npos ? path : path.substr(last_slash + 1)), 0});
  }
  for (const auto& [path, id] : id_by_path) {
    const std::size_t last_slash = path.rfind('/');
    if (last_slash == std::string_view::npos) continue;
    const auto parent = id_by_path.find(path.substr(0, last_slash));
    if (parent == id_by_path.end()) return std::nullopt;  // Missing parent group
    units.units_[static_cast<std::size_t>(id - 1)].parent_unit_id = parent->second;
  }

  units.unit_by_hash_.reserve(groups.size());
  for (const auto& [hash, path] : groups) {
    units.unit_by_hash_.emplace(hash, path.empty() ? 0 : id_by_path.at(path));
  }
  return units;
}

std::optional<std::int32_t> ParamUnits::get_vst3_unit_id(std::uint32_t hash) const {
  const auto found = unit_by_hash_.find(hash);
  if (found == unit_by_hash_.end()) return std::nullopt;
  return found->second;
}

std::optional<std::pair<std::int32_t, const ParamUnit*>> ParamUnits::info(std::size_t index) const {
  if (index >= units_.size()) return std::nullopt;
  return std::pair{static_cast<std::int32_t>(index + 1), &units_[index]};
}

}  // namespace vessimor::vst3
