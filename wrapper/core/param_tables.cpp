#include "wrapper/core/param_tables.hpp"

#include "framework/params/range.hpp"

namespace vessimor::core {

ParamTables::ParamTables(const ParamMap& map) {
  entries_.reserve(map.size());
  for (const ParamMapEntry& entry : map) {
    const std::uint32_t hash = hash_param_id(entry.id);
    // A repeated id or hash keeps its first parameter, so that every table agrees.
    index_by_hash_.emplace(hash, entries_.size());
    hash_by_id_.emplace(entry.id, hash);
    param_by_hash_.emplace(hash, entry.param);
    hash_by_param_.emplace(entry.param, hash);
    entries_.push_back(ParamTableEntry{hash, entry.id, entry.group, entry.param});
  }
}

std::optional<ParamPtr> ParamTables::param_of(std::uint32_t hash) const {
  const auto found = param_by_hash_.find(hash);
  if (found == param_by_hash_.end()) return std::nullopt;
  return found->second;
}

std::optional<std::uint32_t> ParamTables::hash_of(const ParamPtr& param) const {
  const auto found = hash_by_param_.find(param);
  if (found == hash_by_param_.end()) return std::nullopt;
  return found->second;
}

const std::string* ParamTables::id_of(std::uint32_t hash) const {
  const std::optional<std::size_t> index = index_of(hash);
  return index ? &entries_[*index].id : nullptr;
}

std::optional<std::size_t> ParamTables::index_of(std::string_view id) const {
  const std::optional<std::size_t> index = index_of(hash_param_id(id));
  if (!index || entries_[*index].id != id) return std::nullopt;
  return index;
}

std::optional<std::size_t> ParamTables::index_of(std::uint32_t hash) const {
  const auto found = index_by_hash_.find(hash);
  if (found == index_by_hash_.end()) return std::nullopt;
  return found->second;
}

state::ParamPairs ParamTables::state_pairs() const {
  return state::make_params_iter(hash_by_id_, param_by_hash_);
}

state::ParamLookup ParamTables::state_lookup() const {
  // Through the hash, so that applying a state between audio blocks allocates no key; an id whose
  // hash belongs to another parameter is not that parameter.
  return [this](std::string_view id) -> std::optional<ParamPtr> {
    const std::optional<std::size_t> index = index_of(id);
    if (!index) return std::nullopt;
    return entries_[*index].param;
  };
}

}  // namespace vessimor::core
