// The parameter tables of one plug-in instance, built once from the parameter map and read without
// locks afterwards. Hosts of every format see a parameter by the hash of its string id.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "framework/params/param_ptr.hpp"
#include "framework/params_interface.hpp"
#include "framework/state/state.hpp"

namespace vessimor::core {

struct ParamTableEntry {
  std::uint32_t hash = 0;
  std::string id;
  std::string group;
  ParamPtr param;
};

class ParamTables {
 public:
  // Thread: main (instance construction)
  explicit ParamTables(const ParamMap& map);

  // In the parameter map's order, which is the host's parameter order. Thread: any
  std::span<const ParamTableEntry> entries() const noexcept { return entries_; }
  // Thread: any
  std::size_t size() const noexcept { return entries_.size(); }

  // Thread: any
  std::optional<ParamPtr> param_of(std::uint32_t hash) const;
  // Thread: any
  std::optional<std::uint32_t> hash_of(const ParamPtr& param) const;
  // The string id of a hash; null when no parameter has it. Thread: any
  const std::string* id_of(std::uint32_t hash) const;
  // The position in `entries()` of the parameter with this string id. Thread: any
  std::optional<std::size_t> index_of(std::string_view id) const;
  // The position in `entries()` of the parameter with this hash. Thread: any
  std::optional<std::size_t> index_of(std::uint32_t hash) const;

  // The (id, handle) pairs that the saved state writes. Thread: any
  state::ParamPairs state_pairs() const;
  // The lookup that applying a saved state uses; valid while the tables live. Thread: any
  state::ParamLookup state_lookup() const;

 private:
  std::vector<ParamTableEntry> entries_;
  std::unordered_map<std::uint32_t, std::size_t> index_by_hash_;
  std::unordered_map<std::string, std::uint32_t> hash_by_id_;
  std::unordered_map<std::uint32_t, ParamPtr> param_by_hash_;
  std::unordered_map<ParamPtr, std::uint32_t> hash_by_param_;
};

}  // namespace vessimor::core
