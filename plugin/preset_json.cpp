// Text form of a preset file: the exact pretty layout on writing, and a streaming reader that
// checks each member as it arrives (types, duplicates) and then the missing keys.
#include "plugin/preset_json.hpp"

#include <fmt/format.h>

#include <bitset>
#include <cmath>
#include <limits>

#include "framework/float_text.hpp"
#include "framework/json.hpp"
#include "framework/json_number.hpp"
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

// The library's message without its "[json.exception.parse_error.101] " tag.
std::string library_text(const std::exception& e) {
  std::string_view what = e.what();
  if (const auto close = what.find("] "); !what.empty() && what[0] == '[' && close != what.npos) {
    what.remove_prefix(close + 2);
  }
  return std::string(what);
}

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

// One JSON value as the reader met it, for assigning to a field and for error texts.
struct Scalar {
  enum class Type { Null, Bool, Signed, Unsigned, Float, String, Map, Sequence } type;
  bool b = false;
  std::int64_t i = 0;
  std::uint64_t u = 0;
  float f = 0.0f;
  std::string* s = nullptr;
};

std::string describe(const Scalar& v) {
  switch (v.type) {
    case Scalar::Type::Null:
      return "null";
    case Scalar::Type::Bool:
      return fmt::format("boolean `{}`", v.b);
    case Scalar::Type::Signed:
      return fmt::format("integer `{}`", v.i);
    case Scalar::Type::Unsigned:
      return fmt::format("integer `{}`", v.u);
    case Scalar::Type::Float:
      return fmt::format("floating point `{}`", float_text::shortest(v.f));
    case Scalar::Type::String:
      return fmt::format("string {}",
                         Json(*v.s).dump(-1, ' ', false, Json::error_handler_t::replace));
    case Scalar::Type::Map:
      return "map";
    case Scalar::Type::Sequence:
      return "sequence";
  }
  return "value";
}

std::string invalid_type(const Scalar& v, std::string_view expected) {
  return fmt::format("invalid type: {}, expected {}", describe(v), expected);
}

// Streaming reader for `Json::sax_parse`. Depth 1 holds the record's members (object form) or
// elements (array form); anything deeper belongs to a skipped value.
class PresetReader {
 public:
  bool null() { return scalar({Scalar::Type::Null}); }
  bool boolean(bool b) {
    Scalar v{Scalar::Type::Bool};
    v.b = b;
    return scalar(v);
  }
  bool number_integer(std::int64_t i) {
    Scalar v{Scalar::Type::Signed};
    v.i = i;
    return scalar(v);
  }
  bool number_unsigned(std::uint64_t u) {
    Scalar v{Scalar::Type::Unsigned};
    v.u = u;
    return scalar(v);
  }
  bool number_float(float f, const std::string&) {
    Scalar v{Scalar::Type::Float};
    v.f = f;
    return scalar(v);
  }
  bool string(std::string& s) {
    Scalar v{Scalar::Type::String};
    v.s = &s;
    return scalar(v);
  }
  bool binary(Json::binary_t&) { return fail("binary values are not JSON"); }

  bool start_object(std::size_t) { return start_container(Scalar::Type::Map); }
  bool start_array(std::size_t) { return start_container(Scalar::Type::Sequence); }
  bool end_object() { return end_container(); }
  bool end_array() { return end_container(); }

  bool key(std::string& key) {
    if (depth_ != 1) return true;
    field_ = -1;
    const auto& fields = preset_fields();
    for (std::size_t k = 0; k < fields.size(); ++k) {
      if (fields[k].key != key) continue;
      if (seen_[k]) return fail(fmt::format("duplicate field `{}`", key));
      seen_[k] = true;
      field_ = static_cast<int>(k);
      break;
    }
    return true;
  }

  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) {
    return fail(library_text(e));
  }

  bool finished() const { return finished_; }
  const std::string& error() const { return error_; }
  VessimorPreset& preset() { return preset_; }

 private:
  bool fail(std::string text) {
    if (error_.empty()) error_ = std::move(text);
    return false;
  }

  bool start_container(Scalar::Type type) {
    if (depth_ == 0) {
      is_array_ = type == Scalar::Type::Sequence;
    } else if (depth_ == 1 && !scalar({type})) {
      return false;
    }
    ++depth_;
    return true;
  }

  bool end_container() {
    --depth_;
    if (depth_ > 0) return true;
    return finish();
  }

  bool scalar(const Scalar& v) {
    if (depth_ == 0) return fail(invalid_type(v, kStructName));
    if (depth_ > 1) return true;
    if (is_array_) {
      if (elements_ >= preset_fields().size()) {
        return fail(fmt::format("invalid length {}, expected {} with 30 elements", elements_ + 1,
                                kStructName));
      }
      seen_[elements_] = true;
      return assign(preset_fields()[elements_++], v);
    }
    if (field_ < 0) return true;  // the value of a key that is not a field: skipped
    return assign(preset_fields()[static_cast<std::size_t>(field_)], v);
  }

  bool assign(const PresetField& field, const Scalar& v) {
    using T = Scalar::Type;
    // Containers reach here only as the value itself; their contents are skipped by depth.
    return std::visit(
        Overloaded{
            [&](std::string VessimorPreset::*m) {
              if (v.type != T::String) return fail(invalid_type(v, "a string"));
              preset_.*m = std::move(*v.s);
              return true;
            },
            [&](float VessimorPreset::*m) {
              switch (v.type) {
                case T::Float:
                  preset_.*m = v.f;
                  return true;
                case T::Signed:
                  preset_.*m = static_cast<float>(v.i);
                  return true;
                case T::Unsigned:
                  preset_.*m = static_cast<float>(v.u);
                  return true;
                default:
                  return fail(invalid_type(v, "f32"));
              }
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
              if (v.type != T::Bool) return fail(invalid_type(v, "a boolean"));
              preset_.*m = v.b;
              return true;
            },
        },
        field.member);
  }

  template <class Store>
  bool integer(const Scalar& v, std::int64_t lo, std::int64_t hi, std::string_view expected,
               Store store) {
    if (v.type == Scalar::Type::Signed || v.type == Scalar::Type::Unsigned) {
      const bool fits = v.type == Scalar::Type::Signed ? v.i >= lo && v.i <= hi
                                                       : v.u <= static_cast<std::uint64_t>(hi);
      if (!fits) {
        return fail(fmt::format("invalid value: {}, expected {}", describe(v), expected));
      }
      store(v.type == Scalar::Type::Signed ? v.i : static_cast<std::int64_t>(v.u));
      return true;
    }
    return fail(invalid_type(v, expected));
  }

  bool finish() {
    const auto& fields = preset_fields();
    for (std::size_t k = 0; k < fields.size(); ++k) {
      if (seen_[k] || !fields[k].required) continue;
      if (is_array_) {
        return fail(fmt::format("invalid length {}, expected {} with 30 elements", k, kStructName));
      }
      return fail(fmt::format("missing field `{}`", fields[k].key));
    }
    finished_ = true;
    return true;
  }

  VessimorPreset preset_ = preset_field_defaults();
  std::bitset<30> seen_;
  int depth_ = 0;
  int field_ = -1;
  bool is_array_ = false;
  std::size_t elements_ = 0;
  bool finished_ = false;
  std::string error_;
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

std::optional<std::string> param_values_json(const std::array<ParamValuePair, 29>& values) {
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
    return PresetError::json(library_text(e));
  }
}

PresetResult<VessimorPreset> preset_from_json(std::string_view text) {
  PresetReader reader;
  try {
    Json::sax_parse(text.begin(), text.end(), &reader);
  } catch (const std::exception& e) {
    return PresetError::json(library_text(e));
  }
  if (!reader.finished() || !reader.error().empty()) {
    return PresetError::json(reader.error().empty() ? "unexpected end of input" : reader.error());
  }
  return std::move(reader.preset());
}

}  // namespace vessimor::presets
