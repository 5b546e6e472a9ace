#include "framework/state/state.hpp"

#include <cmath>
#include <cstdint>
#include <limits>
#include <set>

#include "framework/json.hpp"
#include "framework/json_number.hpp"

namespace vessimor::state {

namespace {

ParamValue value_of(const ParamPtr& param) {
  switch (param.kind()) {
    case ParamPtr::Kind::Float:
      return ParamValue::f32(param.as_float()->unmodulated_value());
    case ParamPtr::Kind::Int:
      return ParamValue::i32(param.as_int()->unmodulated_value());
    case ParamPtr::Kind::Bool:
      return ParamValue::boolean(param.as_bool()->unmodulated_value());
    case ParamPtr::Kind::Enum:
      break;
  }
  const EnumParamInner& choice = *param.as_enum();
  if (const auto id = choice.unmodulated_plain_id()) return ParamValue::string(std::string(*id));
  return ParamValue::i32(choice.unmodulated_value());
}

// Null when the value has no JSON form (a non-finite float).
Json json_of(const ParamValue& value) {
  switch (value.kind()) {
    case ParamValue::Kind::F32:
      if (!std::isfinite(*value.as_f32())) return nullptr;
      return Json::object({{"f32", *value.as_f32()}});
    case ParamValue::Kind::I32:
      return Json::object({{"i32", *value.as_i32()}});
    case ParamValue::Kind::Bool:
      return Json::object({{"bool", *value.as_bool()}});
    case ParamValue::Kind::String:
      break;
  }
  return Json::object({{"string", *value.as_string()}});
}

// One {"alternative": value} object of "params"; nothing when malformed.
std::optional<ParamValue> read_param_value(const Json& json) {
  if (!json.is_object() || json.size() != 1) return std::nullopt;
  const auto member = json.begin();
  const std::string& key = member.key();
  const Json& value = member.value();
  if (key == "f32") {
    if (!value.is_number()) return std::nullopt;
    float v;
    if (value.is_number_float()) {
      v = value.get<float>();
    } else if (value.is_number_unsigned()) {
      v = static_cast<float>(value.get<std::uint64_t>());
    } else {
      v = static_cast<float>(value.get<std::int64_t>());
    }
    // Beyond the float range the reader yields infinity, which the writer could not write back.
    if (!std::isfinite(v)) return std::nullopt;
    return ParamValue::f32(v);
  }
  if (key == "i32") {
    if (value.is_number_unsigned()) {
      const auto v = value.get<std::uint64_t>();
      if (v > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
      return ParamValue::i32(static_cast<std::int32_t>(v));
    }
    if (value.is_number_integer()) {
      const auto v = value.get<std::int64_t>();
      if (v < std::numeric_limits<std::int32_t>::min() ||
          v > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
      }
      return ParamValue::i32(static_cast<std::int32_t>(v));
    }
    return std::nullopt;
  }
  if (key == "bool") {
    if (!value.is_boolean()) return std::nullopt;
    return ParamValue::boolean(value.get<bool>());
  }
  if (key == "string") {
    if (!value.is_string()) return std::nullopt;
    return ParamValue::string(value.get<std::string>());
  }
  return std::nullopt;  // unknown alternative
}

bool read_params(const Json& json, std::map<std::string, ParamValue>& out) {
  if (!json.is_object()) return false;
  for (const auto& [id, value] : json.items()) {
    auto parsed = read_param_value(value);
    if (!parsed) return false;
    out.insert_or_assign(id, std::move(*parsed));
  }
  return true;
}

bool read_fields(const Json& json, PersistentFields& out) {
  if (!json.is_object()) return false;
  for (const auto& [key, value] : json.items()) {
    if (!value.is_string()) return false;
    out.insert_or_assign(key, value.get<std::string>());
  }
  return true;
}

}  // namespace

PluginState serialize_object(const Params& params, const ParamPairs& pairs,
                             std::string_view version) {
  PluginState state;
  // Inserting in the given order lets a later pair with an equal id replace an earlier one; the
  // map's byte order makes the result independent of the tables' iteration order.
  for (const auto& [id, param] : pairs) state.params.insert_or_assign(id, value_of(param));
  state.fields = params.serialize_fields();
  state.version = std::string(version);
  return state;
}

SerializedJson to_json(const PluginState& state) {
  try {
    Json params = Json::object();
    for (const auto& [id, value] : state.params) {
      Json json = json_of(value);
      if (!json.is_null()) params[id] = std::move(json);
    }
    Json fields = Json::object();
    for (const auto& [key, value] : state.fields) fields[key] = value;

    // The three members in this fixed order; a Json object would sort them.
    std::string text = "{\"version\":";
    text += write_json(Json(state.version));
    text += ",\"params\":";
    text += write_json(params);
    text += ",\"fields\":";
    text += write_json(fields);
    text += '}';
    return {std::move(text), std::nullopt};
  } catch (const std::exception& e) {
    // Text that is not valid UTF-8 has no JSON form.
    return {{}, std::string("Could not format as JSON: ") + e.what()};
  }
}

SerializedJson serialize_json(const Params& params, const ParamPairs& pairs,
                              std::string_view version) {
  return to_json(serialize_object(params, pairs, version));
}

std::optional<PluginState> deserialize_json(std::string_view bytes) {
  // The library would skip a byte-order mark; the text is plain JSON, so refuse it.
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return std::nullopt;

  // The DOM keeps the last of repeated keys, but the three members of the record may occur only
  // once, and a repeated parameter id or field replaces a value that must itself have been valid.
  // Both are only visible while parsing, so watch the top level and the entries one level below.
  bool malformed = false;
  bool top_is_object = false;
  std::string top_key;  // the member being read, object form
  int top_index = 0;    // the element being read, array form
  std::set<std::string> seen_members;
  const Json::parser_callback_t watch = [&](int depth, Json::parse_event_t event, Json& parsed) {
    const bool value_done = event == Json::parse_event_t::value ||
                            event == Json::parse_event_t::object_end ||
                            event == Json::parse_event_t::array_end;
    if (depth == 0 && event == Json::parse_event_t::object_start) top_is_object = true;
    if (depth == 1 && top_is_object && event == Json::parse_event_t::key) {
      top_key = parsed.get_ref<const std::string&>();
      if ((top_key == "version" || top_key == "params" || top_key == "fields") &&
          !seen_members.insert(top_key).second) {
        malformed = true;
      }
    }
    if (depth == 1 && !top_is_object && value_done) ++top_index;
    if (depth == 2 && value_done) {
      const bool in_params = top_is_object ? top_key == "params" : top_index == 1;
      const bool in_fields = top_is_object ? top_key == "fields" : top_index == 2;
      if (in_params && !read_param_value(parsed)) malformed = true;
      if (in_fields && !parsed.is_string()) malformed = true;
    }
    return true;
  };

  const Json root = Json::parse(bytes.begin(), bytes.end(), watch, /*allow_exceptions=*/false);
  if (root.is_discarded() || malformed) return std::nullopt;

  PluginState state;
  if (root.is_object()) {
    const auto version = root.find("version");
    if (version != root.end()) {
      if (!version->is_string()) return std::nullopt;
      state.version = version->get<std::string>();
    }
    const auto params = root.find("params");
    const auto fields = root.find("fields");
    if (params == root.end() || fields == root.end()) return std::nullopt;  // missing field
    if (!read_params(*params, state.params) || !read_fields(*fields, state.fields))
      return std::nullopt;
    return state;
  }
  if (root.is_array()) {
    if (root.size() != 3 || !root[0].is_string()) return std::nullopt;
    state.version = root[0].get<std::string>();
    if (!read_params(root[1], state.params) || !read_fields(root[2], state.fields))
      return std::nullopt;
    return state;
  }
  return std::nullopt;
}

bool deserialize_object(const PluginState& state, Params& params, const ParamLookup& lookup,
                        std::optional<float> sample_rate) {
  for (const auto& [id, value] : state.params) {
    const std::optional<ParamPtr> found = lookup(id);
    if (!found) continue;
    const ParamPtr param = *found;
    switch (param.kind()) {
      case ParamPtr::Kind::Float:
        if (const float* v = value.as_f32()) param.as_float()->set_plain_value(*v);
        break;
      case ParamPtr::Kind::Int:
        if (const std::int32_t* v = value.as_i32()) param.as_int()->set_plain_value(*v);
        break;
      case ParamPtr::Kind::Bool:
        if (const bool* v = value.as_bool()) param.as_bool()->set_plain_value(*v);
        break;
      case ParamPtr::Kind::Enum:
        if (const std::int32_t* v = value.as_i32()) {
          param.as_enum()->set_plain_value(*v);
        } else if (const std::string* v = value.as_string()) {
          param.as_enum()->set_from_id(*v);
        }
        break;
    }
    if (sample_rate) param.update_smoother(*sample_rate, true);
  }
  params.deserialize_fields(state.fields);
  return true;
}

}  // namespace vessimor::state
