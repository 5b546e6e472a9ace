#include "framework/state/state.hpp"

#include <fmt/format.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

#include "framework/json.hpp"
#include "framework/json_number.hpp"
#include "framework/json_reader.hpp"

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

// The readers of a saved state. No error text leaves `deserialize_json`, so a refusal only needs
// to stop the read; the texts say what was wrong for whoever debugs one.
using json::Step;
using Kind = json::Value::Kind;

// One {"alternative": value} object of "params", exactly one member; stored under its id when it
// ends, so that a repeated id replaces the earlier value, which must have been valid too.
class ParamValueReader final : public json::Reader {
 public:
  explicit ParamValueReader(std::map<std::string, ParamValue>& out) : out_(out) {}

  void start(std::string_view id) {
    id_ = id;
    parsed_.reset();
  }

  Step value(std::string_view key, std::size_t index, json::Value& v) override {
    if (index > 0) return Step::fail("a parameter value has exactly one member");
    if (key == "f32") {
      const std::optional<float> f = v.to_f32();
      if (!f) return Step::fail(json::invalid_type(v, "f32"));
      // Beyond the float range the reader yields infinity, which the writer could not write back.
      if (!std::isfinite(*f)) return Step::fail(json::invalid_value(v, "a finite f32"));
      parsed_ = ParamValue::f32(*f);
    } else if (key == "i32") {
      if (!v.is_integer()) return Step::fail(json::invalid_type(v, "i32"));
      const std::optional<std::int64_t> n = v.to_integer(std::numeric_limits<std::int32_t>::min(),
                                                         std::numeric_limits<std::int32_t>::max());
      if (!n) return Step::fail(json::invalid_value(v, "i32"));
      parsed_ = ParamValue::i32(static_cast<std::int32_t>(*n));
    } else if (key == "bool") {
      if (v.kind != Kind::boolean) return Step::fail(json::invalid_type(v, "a boolean"));
      parsed_ = ParamValue::boolean(v.boolean);
    } else if (key == "string") {
      if (v.kind != Kind::string) return Step::fail(json::invalid_type(v, "a string"));
      parsed_ = ParamValue::string(std::move(*v.string));
    } else {
      return Step::fail(fmt::format("unknown variant `{}`", key));
    }
    return Step::next();
  }

  Step end(std::size_t) override {
    if (!parsed_) return Step::fail("a parameter value has exactly one member");
    out_.insert_or_assign(std::move(id_), std::move(*parsed_));
    return Step::next();
  }

 private:
  std::map<std::string, ParamValue>& out_;
  std::string id_;
  std::optional<ParamValue> parsed_;
};

// "params": parameter id -> value object.
class ParamsReader final : public json::Reader {
 public:
  explicit ParamsReader(std::map<std::string, ParamValue>& out) : entry_(out) {}

  Step value(std::string_view id, std::size_t, json::Value& v) override {
    if (v.kind != Kind::map) return Step::fail(json::invalid_type(v, "a parameter value"));
    entry_.start(id);
    return Step::read_with(entry_);
  }

 private:
  ParamValueReader entry_;
};

// "fields": key -> string; a repeated key keeps the later value.
class FieldsReader final : public json::Reader {
 public:
  explicit FieldsReader(PersistentFields& out) : out_(out) {}

  Step value(std::string_view key, std::size_t, json::Value& v) override {
    if (v.kind != Kind::string) return Step::fail(json::invalid_type(v, "a string"));
    out_.insert_or_assign(std::string(key), std::move(*v.string));
    return Step::next();
  }

 private:
  PersistentFields& out_;
};

// The record: {"version", "params", "fields"} in any order, or [version, params, fields].
class StateReader final : public json::Reader {
 public:
  explicit StateReader(PluginState& state)
      : state_(state), params_(state.params), fields_(state.fields) {}

  Step value(std::string_view key, std::size_t index, json::Value& v) override {
    if (is_array_) {
      if (index >= MEMBERS.size()) return Step::fail("invalid length, expected 3 elements");
      return member(index, v);
    }
    for (std::size_t m = 0; m < MEMBERS.size(); ++m) {
      if (key == MEMBERS[m]) return member(m, v);
    }
    return Step::next();  // any other key: skipped whatever its value
  }

  Step end(std::size_t) override {
    // "version" may be left out of the object form only.
    for (std::size_t m = is_array_ ? 0 : 1; m < MEMBERS.size(); ++m) {
      if (!seen_[m]) return Step::fail(fmt::format("missing field `{}`", MEMBERS[m]));
    }
    return Step::next();
  }

  void set_array_form(bool is_array) { is_array_ = is_array; }

 private:
  static constexpr std::array<std::string_view, 3> MEMBERS = {"version", "params", "fields"};

  Step member(std::size_t m, json::Value& v) {
    if (seen_[m]) return Step::fail(fmt::format("duplicate field `{}`", MEMBERS[m]));
    seen_[m] = true;
    if (m == 0) {
      if (v.kind != Kind::string) return Step::fail(json::invalid_type(v, "a string"));
      state_.version = std::move(*v.string);
      return Step::next();
    }
    if (v.kind != Kind::map) return Step::fail(json::invalid_type(v, "a map"));
    return m == 1 ? Step::read_with(params_) : Step::read_with(fields_);
  }

  PluginState& state_;
  ParamsReader params_;
  FieldsReader fields_;
  std::array<bool, 3> seen_{};
  bool is_array_ = false;
};

class StateDocument final : public json::Reader {
 public:
  explicit StateDocument(PluginState& state) : record_(state) {}

  Step value(std::string_view, std::size_t, json::Value& v) override {
    if (!v.is_container()) return Step::fail(json::invalid_type(v, "struct PluginState"));
    record_.set_array_form(v.kind == Kind::sequence);
    return Step::read_with(record_);
  }

 private:
  StateReader record_;
};

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
  PluginState state;
  StateDocument document(state);
  if (json::read(bytes, document)) return std::nullopt;
  return state;
}

bool deserialize_object(const PluginState& state, Params& params, const ParamLookup& lookup,
                        std::optional<float> sample_rate, const BeforeSet& before_set) {
  for (const auto& [id, value] : state.params) {
    const std::optional<ParamPtr> found = lookup(id);
    if (!found) continue;
    const ParamPtr param = *found;
    const auto setting = [&, &id = id] {
      if (before_set) before_set(id);
    };
    switch (param.kind()) {
      case ParamPtr::Kind::Float:
        if (const float* v = value.as_f32()) {
          setting();
          param.as_float()->set_plain_value(*v);
        }
        break;
      case ParamPtr::Kind::Int:
        if (const std::int32_t* v = value.as_i32()) {
          setting();
          param.as_int()->set_plain_value(*v);
        }
        break;
      case ParamPtr::Kind::Bool:
        if (const bool* v = value.as_bool()) {
          setting();
          param.as_bool()->set_plain_value(*v);
        }
        break;
      case ParamPtr::Kind::Enum: {
        const EnumParamInner& choice = *param.as_enum();
        std::optional<std::int32_t> index;
        if (const std::int32_t* v = value.as_i32()) {
          index = *v;
        } else if (const std::string* v = value.as_string()) {
          index = choice.index_of_id(*v);
        }
        if (index) {
          setting();
          choice.set_plain_value(*index);
        }
        break;
      }
    }
    if (sample_rate) param.update_smoother(*sample_rate, true);
  }
  params.deserialize_fields(state.fields);
  return true;
}

}  // namespace vessimor::state
