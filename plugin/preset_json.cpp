// Text form of a preset file: the exact pretty layout on writing, and a streaming reader that
// checks each member as it arrives (types, duplicates) and then the missing keys.
#include "plugin/preset_json.hpp"

#include <fmt/format.h>

#include <bitset>
#include <limits>

#include "framework/json.hpp"
#include "framework/json_number.hpp"
#include "framework/json_reader.hpp"
#include "plugin/preset_file.hpp"

namespace vessimor::presets {
namespace {

constexpr std::string_view kStructName = "struct VessimorPreset";

template <class... F>
struct Overloaded : F... {
  using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

std::string json_value(const VessimorPreset& preset, const PresetMember& member) {
  return std::visit(
      Overloaded{
          [&](std::string VessimorPreset::*m) { return write_json(Json(preset.*m)); },
          [&](float VessimorPreset::*m) { return json_f32(preset.*m); },
          [&](std::uint8_t VessimorPreset::*m) { return std::to_string(preset.*m); },
          [&](std::int32_t VessimorPreset::*m) { return std::to_string(preset.*m); },
          [&](bool VessimorPreset::*m) { return std::string(preset.*m ? "true" : "false"); },
      },
      member);
}

// Reads the record: the 30 values by key (object form) or in record order (array form), each
// checked as it arrives, then the missing keys.
class PresetReader final : public json::Reader {
 public:
  json::Step value(std::string_view key, std::size_t index, json::Value& v) override {
    if (is_array_) {
      if (index >= preset_fields().size()) {
        return json::Step::fail(
            fmt::format("invalid length {}, expected {} with 30 elements", index + 1, kStructName));
      }
      seen_[index] = true;
      return assign(preset_fields()[index], v);
    }
    const auto& fields = preset_fields();
    for (std::size_t k = 0; k < fields.size(); ++k) {
      if (fields[k].key != key) continue;
      if (seen_[k]) return json::Step::fail(fmt::format("duplicate field `{}`", key));
      seen_[k] = true;
      return assign(fields[k], v);
    }
    return json::Step::next();  // not a field: skipped whatever its value
  }

  json::Step end(std::size_t) override {
    const auto& fields = preset_fields();
    for (std::size_t k = 0; k < fields.size(); ++k) {
      if (seen_[k] || !fields[k].required) continue;
      if (is_array_) {
        return json::Step::fail(
            fmt::format("invalid length {}, expected {} with 30 elements", k, kStructName));
      }
      return json::Step::fail(fmt::format("missing field `{}`", fields[k].key));
    }
    return json::Step::next();
  }

  void set_array_form(bool is_array) { is_array_ = is_array; }
  VessimorPreset& preset() { return preset_; }

 private:
  json::Step assign(const PresetField& field, json::Value& v) {
    using json::Step;
    return std::visit(
        Overloaded{
            [&](std::string VessimorPreset::*m) {
              if (v.kind != json::Value::Kind::string)
                return Step::fail(json::invalid_type(v, "a string"));
              preset_.*m = std::move(*v.string);
              return Step::next();
            },
            [&](float VessimorPreset::*m) {
              const std::optional<float> f = v.to_f32();
              if (!f) return Step::fail(json::invalid_type(v, "f32"));
              preset_.*m = *f;
              return Step::next();
            },
            [&](std::uint8_t VessimorPreset::*m) {
              return integer(v, 0, 255, "u8",
                             [&](std::int64_t n) { preset_.*m = static_cast<std::uint8_t>(n); });
            },
            [&](std::int32_t VessimorPreset::*m) {
              return integer(v, std::numeric_limits<std::int32_t>::min(),
                             std::numeric_limits<std::int32_t>::max(), "i32",
                             [&](std::int64_t n) { preset_.*m = static_cast<std::int32_t>(n); });
            },
            [&](bool VessimorPreset::*m) {
              if (v.kind != json::Value::Kind::boolean)
                return Step::fail(json::invalid_type(v, "a boolean"));
              preset_.*m = v.boolean;
              return Step::next();
            },
        },
        field.member);
  }

  template <class Store>
  static json::Step integer(const json::Value& v, std::int64_t min, std::int64_t max,
                            std::string_view expected, Store store) {
    if (!v.is_integer()) return json::Step::fail(json::invalid_type(v, expected));
    const std::optional<std::int64_t> n = v.to_integer(min, max);
    if (!n) return json::Step::fail(json::invalid_value(v, expected));
    store(*n);
    return json::Step::next();
  }

  VessimorPreset preset_ = preset_field_defaults();
  std::bitset<30> seen_;
  bool is_array_ = false;
};

// The top-level value: the record, as an object or an array.
class PresetDocument final : public json::Reader {
 public:
  json::Step value(std::string_view, std::size_t, json::Value& v) override {
    if (!v.is_container()) return json::Step::fail(json::invalid_type(v, kStructName));
    record_.set_array_form(v.kind == json::Value::Kind::sequence);
    return json::Step::read_with(record_);
  }
  PresetReader& record() { return record_; }

 private:
  PresetReader record_;
};

}  // namespace

std::optional<std::string> preset_list_json(const std::vector<PresetInfo>& infos) {
  try {
    std::string text = "[";
    for (const auto& info : infos) {
      if (text.size() > 1) text += ',';
      text += "{\"name\":";
      text += write_json(Json(info.name));
      text += info.is_factory ? ",\"is_factory\":true}" : ",\"is_factory\":false}";
    }
    return text + "]";
  } catch (const Json::exception&) {
    return std::nullopt;
  }
}

std::optional<std::string> param_values_json(
    const std::array<ParamValuePair, PARAM_COUNT>& values) {
  std::string text = "[";
  for (const auto& pair : values) {
    if (text.size() > 1) text += ',';
    text += "[\"";
    text += pair.id;  // parameter ids need no escaping
    text += "\",";
    text += json_f32(pair.value);
    text += ']';
  }
  return text + "]";
}

PresetResult<std::string> preset_to_json(const VessimorPreset& preset) {
  try {
    std::string text = "{";
    const auto& fields = preset_fields();
    for (std::size_t k = 0; k < fields.size(); ++k) {
      text += "\n  \"";
      text += fields[k].key;
      text += "\": ";
      text += json_value(preset, fields[k].member);
      if (k + 1 < fields.size()) text += ',';
    }
    text += "\n}";
    return text;
  } catch (const Json::exception& e) {
    return PresetError::json(json::library_text(e));
  }
}

PresetResult<VessimorPreset> preset_from_json(std::string_view text) {
  PresetDocument document;
  try {
    if (std::optional<std::string> error = json::read(text, document)) {
      return PresetError::json(std::move(*error));
    }
  } catch (const std::exception& e) {
    return PresetError::json(json::library_text(e));
  }
  return std::move(document.record().preset());
}

}  // namespace vessimor::presets
