#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/params/param_ptr.hpp"
#include "framework/params_interface.hpp"
#include "framework/state/plugin_state.hpp"

// Saving and restoring a parameter set as a PluginState and as its compact JSON text. Both wrappers
// use these, so a state written through one format is read by the other.
namespace vessimor::state {

// (parameter id, handle) pairs in any order: the writer sorts.
using ParamPairs = std::vector<std::pair<std::string, ParamPtr>>;

// Finds the handle of a parameter id; nothing when the id names no parameter.
using ParamLookup = std::function<std::optional<ParamPtr>(std::string_view id)>;

// The pairs over a wrapper's two tables (id to hash, hash to handle); an id whose hash has no
// handle is skipped.
template <class IdToHash, class HashToParam>
ParamPairs make_params_iter(const IdToHash& id_to_hash, const HashToParam& hash_to_param) {
  ParamPairs pairs;
  pairs.reserve(id_to_hash.size());
  for (const auto& [id, hash] : id_to_hash) {
    const auto found = hash_to_param.find(hash);
    if (found != hash_to_param.end()) pairs.emplace_back(std::string(id), ParamPtr(found->second));
  }
  return pairs;
}

// A lookup over the same two tables, for deserialize_object.
template <class IdToHash, class HashToParam>
ParamLookup lookup_in_tables(const IdToHash& id_to_hash, const HashToParam& hash_to_param) {
  return [&id_to_hash, &hash_to_param](std::string_view id) -> std::optional<ParamPtr> {
    const auto hash = id_to_hash.find(std::string(id));
    if (hash == id_to_hash.end()) return std::nullopt;
    const auto param = hash_to_param.find(hash->second);
    if (param == hash_to_param.end()) return std::nullopt;
    return ParamPtr(param->second);
  };
}

// Every pair's unmodulated plain value (a later pair with an equal id wins), the set's persistent
// fields and `version` (the plug-in's version text).
// Thread: any
PluginState serialize_object(const Params& params, const ParamPairs& pairs,
                             std::string_view version);

// The compact JSON text of a PluginState, or the reason it could not be written.
struct SerializedJson {
  std::string text;                  // empty when `error` is set
  std::optional<std::string> error;  // "Could not format as JSON: ..."
  explicit operator bool() const { return !error.has_value(); }
};

// {"version":...,"params":{id:{"f32"|"i32"|"bool"|"string":value},...},"fields":{...}}, members in
// id byte order. A float that is NaN or infinite has no JSON number; its member is left out so that
// the rest of the state still loads (writing null would make the whole text unreadable).
// Thread: any
SerializedJson to_json(const PluginState& state);
// serialize_object, then to_json.
// Thread: any
SerializedJson serialize_json(const Params& params, const ParamPairs& pairs,
                              std::string_view version);

// Reads the text written by serialize_json, in object form or as [version, params, fields]. Any
// malformed input gives nothing; a number for "f32" that is outside the float range is refused too.
// Thread: any
std::optional<PluginState> deserialize_json(std::string_view bytes);

// Told the id of each parameter a state sets, just before its value is set.
using BeforeSet = std::function<void(std::string_view id)>;

// Applies a state to the live parameters through their plain-value setters. Unknown ids, kind
// mismatches and unknown enumeration ids are skipped (and not told to `before_set`); with a sample
// rate every named parameter's smoother jumps to its new value, which only the audio thread may do
// while it processes; the values alone may be set at any time (they are atomic cells). Returns
// true.
// Thread: main, or audio with a sample rate
bool deserialize_object(const PluginState& state, Params& params, const ParamLookup& lookup,
                        std::optional<float> sample_rate, const BeforeSet& before_set = {});

}  // namespace vessimor::state
