#include "editor/param_message.hpp"

#include <fmt/core.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>

#include "framework/json_reader.hpp"

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

// A member's value as a message keeps it: the scalar content with its string moved into `text`.
struct Scalar {
  json::Value value;
  std::string text;
};

Scalar keep(json::Value& v) {
  Scalar kept{v, {}};
  if (v.kind == json::Value::Kind::string) kept.text = std::move(*v.string);
  kept.value.string = nullptr;
  return kept;
}

std::string describe(const Scalar& kept) {
  json::Value v = kept.value;
  std::string text = kept.text;
  if (v.kind == json::Value::Kind::string) v.string = &text;
  return json::describe(v);
}

// Keeps the top level's value and the first occurrence and count of each member of interest of
// the top-level object. Nested values are skipped unseen, so neither deep nesting nor large
// unknown members cost memory beyond the parser's own.
class MessageReader final : public json::Reader {
 public:
  json::Step value(std::string_view key, std::size_t, json::Value& v) override {
    const std::size_t m = member_index(key);
    if (m < kMemberCount && counts_[m]++ == 0) members_[m] = keep(v);
    return json::Step::next();
  }

  std::size_t count(Member m) const { return counts_[m]; }
  const Scalar& member(Member m) const { return members_[m]; }

 private:
  static std::size_t member_index(std::string_view name) {
    for (std::size_t i = 0; i < kMemberCount; ++i) {
      if (kMemberNames[i] == name) return i;
    }
    return kMemberCount;
  }

  std::array<std::size_t, kMemberCount> counts_{};
  std::array<Scalar, kMemberCount> members_{};
};

// The top-level value: kept, and read by the message reader when it is an object.
class MessageDocument final : public json::Reader {
 public:
  json::Step value(std::string_view, std::size_t, json::Value& v) override {
    top_ = keep(v);
    if (v.kind != json::Value::Kind::map) return json::Step::next();
    return json::Step::read_with(members_);
  }

  const Scalar& top() const { return top_; }
  const MessageReader& members() const { return members_; }

 private:
  Scalar top_;
  MessageReader members_;
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
    if (v->value.kind != json::Value::Kind::string) return refuse_type(m, *v, "a string");
    return v->text;
  }

  std::optional<float> number(Member m) {
    const Scalar* v = present(m);
    if (!v) return std::nullopt;
    if (const std::optional<float> f = v->value.to_f32()) return f;
    return refuse_type(m, *v, "f32");
  }

  std::optional<bool> boolean(Member m) {
    const Scalar* v = present(m);
    if (!v) return std::nullopt;
    if (v->value.kind != json::Value::Kind::boolean) return refuse_type(m, *v, "a boolean");
    return v->value.boolean;
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
    MessageDocument document;
    if (std::optional<std::string> syntax_error = json::read(text, document)) {
      return ParamMessageError(std::move(*syntax_error));
    }
    const MessageReader& reader = document.members();
    if (document.top().value.kind != json::Value::Kind::map) {
      return ParamMessageError(
          fmt::format("invalid type: {}, expected {}", describe(document.top()), kEnumExpected));
    }
    if (reader.count(kType) == 0) return ParamMessageError("missing field `type`");
    if (reader.count(kType) > 1) return ParamMessageError("duplicate field `type`");
    const Scalar& tag = reader.member(kType);
    if (tag.value.kind != json::Value::Kind::string) {
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
