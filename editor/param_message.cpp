#include "editor/param_message.hpp"

#include <fmt/core.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>

#include "framework/json.hpp"

namespace vessimor {
namespace {

constexpr std::array<std::string_view, 11> kTags = {
    "set_param",         "begin_edit",    "end_edit",        "request_params",
    "request_transport", "custom",        "request_presets", "load_preset",
    "save_preset",       "delete_preset", "poll_messages",
};
static_assert(kTags.size() == std::variant_size_v<ParamMessage::Variant>);

// The only member names any variant reads; everything else in the object is skipped unseen.
enum Member : std::size_t { kType, kName, kValue, kAction, kPayload, kIsFactory, kMemberCount };
constexpr std::array<std::string_view, kMemberCount> kMemberNames = {
    "type", "name", "value", "action", "payload", "is_factory"};

// One JSON value as far as a message needs it: its kind, and its content when it is a scalar.
struct Scalar {
  enum class Kind { Null, Boolean, Signed, Unsigned, Float, String, Array, Object };
  Kind kind = Kind::Null;
  bool boolean = false;
  std::int64_t signed_value = 0;
  std::uint64_t unsigned_value = 0;
  float float_value = 0.0f;
  std::string text;  // the string, or the number's source text for Float
};

// How a refused value is named in a description.
std::string describe(const Scalar& v) {
  switch (v.kind) {
    case Scalar::Kind::Null:
      return "null";
    case Scalar::Kind::Boolean:
      return fmt::format("boolean `{}`", v.boolean);
    case Scalar::Kind::Signed:
      return fmt::format("integer `{}`", v.signed_value);
    case Scalar::Kind::Unsigned:
      return fmt::format("integer `{}`", v.unsigned_value);
    case Scalar::Kind::Float:
      return fmt::format("floating point `{}`", v.text);
    case Scalar::Kind::String:
      return fmt::format("string \"{}\"", v.text);
    case Scalar::Kind::Array:
      return "sequence";
    case Scalar::Kind::Object:
      return "map";
  }
  return "value";
}

// SAX reader: keeps the top level's kind and the first occurrence and count of each member of
// interest of the top-level object. Nested values are walked but never stored, so neither deep
// nesting nor large unknown members cost memory beyond the parser's own.
class MessageReader {
 public:
  using string_t = Json::string_t;

  bool null() { return value(Scalar{}); }
  bool boolean(bool b) {
    Scalar v;
    v.kind = Scalar::Kind::Boolean;
    v.boolean = b;
    return value(std::move(v));
  }
  bool number_integer(Json::number_integer_t i) {
    Scalar v;
    v.kind = Scalar::Kind::Signed;
    v.signed_value = i;
    return value(std::move(v));
  }
  bool number_unsigned(Json::number_unsigned_t u) {
    Scalar v;
    v.kind = Scalar::Kind::Unsigned;
    v.unsigned_value = u;
    return value(std::move(v));
  }
  bool number_float(Json::number_float_t f, const string_t& source) {
    Scalar v;
    v.kind = Scalar::Kind::Float;
    v.float_value = f;
    if (depth_ == 1 && current_ < kMemberCount) v.text = source;
    return value(std::move(v));
  }
  bool string(string_t& s) {
    Scalar v;
    v.kind = Scalar::Kind::String;
    if (depth_ <= 1) v.text = std::move(s);
    return value(std::move(v));
  }
  bool binary(Json::binary_t&) { return true; }  // JSON text has none
  bool start_object(std::size_t) { return open(Scalar::Kind::Object); }
  bool end_object() { return close(); }
  bool start_array(std::size_t) { return open(Scalar::Kind::Array); }
  bool end_array() { return close(); }
  bool key(string_t& name) {
    if (depth_ == 1) current_ = member_index(name);
    return true;
  }
  bool parse_error(std::size_t, const std::string&, const Json::exception& error) {
    syntax_error_ = strip_exception_id(error.what());
    return false;
  }

  const std::optional<std::string>& syntax_error() const { return syntax_error_; }
  Scalar::Kind top_kind() const { return top_.kind; }
  const Scalar& top() const { return top_; }
  std::size_t count(Member m) const { return counts_[m]; }
  const Scalar& member(Member m) const { return members_[m]; }

 private:
  static std::size_t member_index(std::string_view name) {
    for (std::size_t i = 0; i < kMemberCount; ++i) {
      if (kMemberNames[i] == name) return i;
    }
    return kMemberCount;
  }

  // "[json.exception.parse_error.101] parse error at ..." -> "parse error at ..."
  static std::string strip_exception_id(std::string_view what) {
    if (!what.empty() && what.front() == '[') {
      const auto end = what.find("] ");
      if (end != std::string_view::npos) what.remove_prefix(end + 2);
    }
    return std::string(what);
  }

  bool value(Scalar&& v) {
    if (depth_ == 0) {
      top_ = std::move(v);
    } else if (depth_ == 1) {
      record(std::move(v));
    }
    return true;
  }

  bool open(Scalar::Kind kind) {
    Scalar v;
    v.kind = kind;
    value(std::move(v));
    ++depth_;
    return true;
  }

  bool close() {
    --depth_;
    return true;
  }

  void record(Scalar&& v) {
    if (current_ >= kMemberCount) return;
    if (counts_[current_]++ == 0) members_[current_] = std::move(v);
    current_ = kMemberCount;
  }

  std::size_t depth_ = 0;
  std::size_t current_ = kMemberCount;
  Scalar top_;
  std::array<std::size_t, kMemberCount> counts_{};
  std::array<Scalar, kMemberCount> members_{};
  std::optional<std::string> syntax_error_;
};

constexpr std::string_view kEnumExpected = "internally tagged enum ParamMessage";

// Checks one listed member of a variant and gives its scalar, or the refusal.
class VariantReader {
 public:
  VariantReader(const MessageReader& reader, std::string_view variant_name)
      : reader_(reader), variant_name_(variant_name) {}

  std::optional<std::string> string(Member m) {
    const Scalar* v = present(m);
    if (!v) return std::nullopt;
    if (v->kind != Scalar::Kind::String) return refuse_type(m, *v, "a string");
    return v->text;
  }

  std::optional<float> number(Member m) {
    const Scalar* v = present(m);
    if (!v) return std::nullopt;
    switch (v->kind) {
      case Scalar::Kind::Float:
        return v->float_value;  // the parser already rounded the text to the nearest f32
      case Scalar::Kind::Signed:
        return static_cast<float>(v->signed_value);
      case Scalar::Kind::Unsigned:
        return static_cast<float>(v->unsigned_value);
      default:
        return refuse_type(m, *v, "f32");
    }
  }

  std::optional<bool> boolean(Member m) {
    const Scalar* v = present(m);
    if (!v) return std::nullopt;
    if (v->kind != Scalar::Kind::Boolean) return refuse_type(m, *v, "a boolean");
    return v->boolean;
  }

  bool failed() const { return error_.has_value(); }
  ParamMessageError error() const { return ParamMessageError(*error_); }

 private:
  const Scalar* present(Member m) {
    if (error_) return nullptr;
    const std::size_t seen = reader_.count(m);
    if (seen == 0) {
      error_ = fmt::format("missing field `{}` in struct variant ParamMessage::{}", kMemberNames[m],
                           variant_name_);
      return nullptr;
    }
    if (seen > 1) {
      error_ = fmt::format("duplicate field `{}` in struct variant ParamMessage::{}",
                           kMemberNames[m], variant_name_);
      return nullptr;
    }
    return &reader_.member(m);
  }

  std::nullopt_t refuse_type(Member m, const Scalar& v, std::string_view expected) {
    error_ = fmt::format(
        "invalid type: {}, expected {} for field `{}` of struct variant ParamMessage::{}",
        describe(v), expected, kMemberNames[m], variant_name_);
    return std::nullopt;
  }

  const MessageReader& reader_;
  std::string_view variant_name_;
  std::optional<std::string> error_;
};

template <typename Message>
ParamMessageResult finish(VariantReader& fields, Message message) {
  if (fields.failed()) return fields.error();
  return ParamMessage(std::move(message));
}

ParamMessageResult build(std::size_t tag, const MessageReader& reader) {
  using M = ParamMessage;
  switch (tag) {
    case 0: {
      VariantReader fields(reader, "SetParam");
      auto name = fields.string(kName);
      auto value = fields.number(kValue);
      return finish(fields, M::SetParam{name.value_or(""), value.value_or(0.0f)});
    }
    case 1: {
      VariantReader fields(reader, "BeginEdit");
      auto name = fields.string(kName);
      return finish(fields, M::BeginEdit{name.value_or("")});
    }
    case 2: {
      VariantReader fields(reader, "EndEdit");
      auto name = fields.string(kName);
      return finish(fields, M::EndEdit{name.value_or("")});
    }
    case 3:
      return ParamMessage(M::RequestParams{});
    case 4:
      return ParamMessage(M::RequestTransport{});
    case 5: {
      VariantReader fields(reader, "Custom");
      auto action = fields.string(kAction);
      auto payload = fields.string(kPayload);
      return finish(fields, M::Custom{action.value_or(""), payload.value_or("")});
    }
    case 6:
      return ParamMessage(M::RequestPresets{});
    case 7: {
      VariantReader fields(reader, "LoadPreset");
      auto name = fields.string(kName);
      auto is_factory = fields.boolean(kIsFactory);
      return finish(fields, M::LoadPreset{name.value_or(""), is_factory.value_or(false)});
    }
    case 8: {
      VariantReader fields(reader, "SavePreset");
      auto name = fields.string(kName);
      return finish(fields, M::SavePreset{name.value_or("")});
    }
    case 9: {
      VariantReader fields(reader, "DeletePreset");
      auto name = fields.string(kName);
      return finish(fields, M::DeletePreset{name.value_or("")});
    }
    default:
      return ParamMessage(M::PollMessages{});
  }
}

std::string expected_tags() {
  std::string list;
  for (auto tag : kTags) {
    if (!list.empty()) list += ", ";
    list += fmt::format("`{}`", tag);
  }
  return list;
}

}  // namespace

std::string_view ParamMessage::type() const noexcept {
  return kTags[variant.index()];
}

ParamMessageResult parse_param_message(std::string_view text) {
  try {
    MessageReader reader;
    Json::sax_parse(text, &reader);
    if (reader.syntax_error()) return ParamMessageError(*reader.syntax_error());
    if (reader.top_kind() != Scalar::Kind::Object) {
      return ParamMessageError(
          fmt::format("invalid type: {}, expected {}", describe(reader.top()), kEnumExpected));
    }
    if (reader.count(kType) == 0) return ParamMessageError("missing field `type`");
    if (reader.count(kType) > 1) return ParamMessageError("duplicate field `type`");
    const Scalar& tag = reader.member(kType);
    if (tag.kind != Scalar::Kind::String) {
      return ParamMessageError(
          fmt::format("invalid type: {}, expected variant identifier", describe(tag)));
    }
    for (std::size_t i = 0; i < kTags.size(); ++i) {
      if (kTags[i] == tag.text) return build(i, reader);
    }
    return ParamMessageError(
        fmt::format("unknown variant `{}`, expected one of {}", tag.text, expected_tags()));
  } catch (const std::exception& e) {
    // Only allocation can fail here; the message is refused, never lost silently.
    return ParamMessageError(fmt::format("could not read message: {}", e.what()));
  }
}

}  // namespace vessimor
