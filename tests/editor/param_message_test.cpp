#include "editor/param_message.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace vessimor {
namespace {

using ::testing::HasSubstr;
using M = ParamMessage;

ParamMessage accept(std::string_view text) {
  auto result = parse_param_message(text);
  EXPECT_TRUE(result.ok()) << text << " -> " << (result.ok() ? "" : result.error().description());
  return result.ok() ? result.value() : ParamMessage(M::PollMessages{});
}

std::string refuse(std::string_view text) {
  auto result = parse_param_message(text);
  EXPECT_FALSE(result.ok()) << text << " was accepted";
  return result.ok() ? std::string() : result.error().description();
}

TEST(ParamMessage, ReadsEveryVariant) {
  EXPECT_EQ(accept(R"({"type":"set_param","name":"mix","value":0.25})"),
            ParamMessage(M::SetParam{"mix", 0.25f}));
  EXPECT_EQ(accept(R"({"type":"begin_edit","name":"mix"})"), ParamMessage(M::BeginEdit{"mix"}));
  EXPECT_EQ(accept(R"({"type":"end_edit","name":"mix"})"), ParamMessage(M::EndEdit{"mix"}));
  EXPECT_EQ(accept(R"({"type":"request_params"})"), ParamMessage(M::RequestParams{}));
  EXPECT_EQ(accept(R"({"type":"request_transport"})"), ParamMessage(M::RequestTransport{}));
  EXPECT_EQ(accept(R"({"type":"custom","action":"a'b","payload":"line\nbreak"})"),
            ParamMessage(M::Custom{"a'b", "line\nbreak"}));
  EXPECT_EQ(accept(R"({"type":"request_presets"})"), ParamMessage(M::RequestPresets{}));
  EXPECT_EQ(accept(R"({"type":"load_preset","name":"Robot Voice","is_factory":true})"),
            ParamMessage(M::LoadPreset{"Robot Voice", true}));
  EXPECT_EQ(accept(R"({"type":"save_preset","name":"Mine"})"), ParamMessage(M::SavePreset{"Mine"}));
  EXPECT_EQ(accept(R"({"type":"delete_preset","name":""})"), ParamMessage(M::DeletePreset{""}));
  EXPECT_EQ(accept(R"({"type":"poll_messages"})"), ParamMessage(M::PollMessages{}));
  EXPECT_EQ(accept(R"({"type":"load_preset","name":"X","is_factory":false})").type(),
            "load_preset");
}

TEST(ParamMessage, MemberOrderIsFreeAndUnlistedMembersAreIgnored) {
  EXPECT_EQ(accept(R"({"name":"mix","type":"set_param","value":0.25,"extra":0})"),
            ParamMessage(M::SetParam{"mix", 0.25f}));
  EXPECT_EQ(accept(R"({"type":"request_params","foo":1})"), ParamMessage(M::RequestParams{}));
  // Members of other variants, repeated or of any type, mean nothing to a variant without them.
  EXPECT_EQ(accept(R"({"name":1,"name":[2],"type":"poll_messages","value":"x","value":{}})"),
            ParamMessage(M::PollMessages{}));
  EXPECT_EQ(accept(R"({"type":"begin_edit","x":{"name":7,"type":[]},"name":"gain"})"),
            ParamMessage(M::BeginEdit{"gain"}));
  EXPECT_EQ(accept(" \n\t{\"type\":\"poll_messages\"} \r\n"), ParamMessage(M::PollMessages{}));
}

TEST(ParamMessage, ValueTakesAnyNumberToTheNearestFloat) {
  auto value_of = [](std::string_view number) {
    const auto text =
        std::string(R"({"type":"set_param","name":"mix","value":)") + std::string(number) + "}";
    const ParamMessage message = accept(text);
    const auto* set = message.get_if<M::SetParam>();
    return set ? set->value : -12345.0f;
  };
  EXPECT_EQ(value_of("1"), 1.0f);
  EXPECT_EQ(value_of("0"), 0.0f);
  EXPECT_EQ(value_of("-3"), -3.0f);
  EXPECT_EQ(value_of("0.1"), 0.1f);
  EXPECT_EQ(value_of("1e-1"), 0.1f);
  EXPECT_EQ(value_of("16777217"), 16777216.0f);                          // ties to even
  EXPECT_EQ(value_of("18446744073709551615"), 18446744073709551616.0f);  // largest u64
  EXPECT_EQ(value_of("100000000000000000000000"), 1e23f);                // beyond u64
  EXPECT_EQ(value_of("0.30000001192092896"), 0.3f);
  // Past the f32 range there is no float to take; the parser refuses rather than invent one.
  EXPECT_THAT(refuse(R"({"type":"set_param","name":"mix","value":1e39})"),
              HasSubstr("number overflow"));
}

TEST(ParamMessage, RefusesAMissingMemberAndNamesIt) {
  EXPECT_EQ(refuse(R"({"type":"set_param","name":"mix"})"),
            "missing field `value` in struct variant ParamMessage::SetParam");
  EXPECT_EQ(refuse(R"({"type":"load_preset","name":"X"})"),
            "missing field `is_factory` in struct variant ParamMessage::LoadPreset");
  EXPECT_EQ(refuse(R"({"type":"custom","payload":"p"})"),
            "missing field `action` in struct variant ParamMessage::Custom");
  EXPECT_EQ(refuse(R"({"type":"begin_edit"})"),
            "missing field `name` in struct variant ParamMessage::BeginEdit");
  EXPECT_EQ(refuse(R"({"type":"end_edit"})"),
            "missing field `name` in struct variant ParamMessage::EndEdit");
  EXPECT_EQ(refuse(R"({"type":"save_preset"})"),
            "missing field `name` in struct variant ParamMessage::SavePreset");
  EXPECT_EQ(refuse(R"({"type":"delete_preset"})"),
            "missing field `name` in struct variant ParamMessage::DeletePreset");
  EXPECT_EQ(refuse(R"({"name":"mix","value":1})"), "missing field `type`");
}

TEST(ParamMessage, RefusesARepeatedMemberAndNamesIt) {
  EXPECT_EQ(refuse(R"({"type":"set_param","name":"a","value":1,"name":"b"})"),
            "duplicate field `name` in struct variant ParamMessage::SetParam");
  EXPECT_EQ(refuse(R"({"type":"custom","action":"a","payload":"p","payload":"q"})"),
            "duplicate field `payload` in struct variant ParamMessage::Custom");
  EXPECT_EQ(refuse(R"({"type":"poll_messages","type":"poll_messages"})"), "duplicate field `type`");
}

TEST(ParamMessage, RefusesUnknownTagsAndWrongTagTypes) {
  const auto unknown = refuse(R"({"type":"SetParam"})");
  EXPECT_THAT(unknown, HasSubstr("unknown variant `SetParam`, expected one of `set_param`"));
  EXPECT_THAT(unknown, HasSubstr("`poll_messages`"));
  EXPECT_EQ(refuse(R"({"type":1})"), "invalid type: integer `1`, expected variant identifier");
  EXPECT_EQ(refuse(R"({"type":null})"), "invalid type: null, expected variant identifier");
  EXPECT_EQ(refuse(R"({"type":["set_param"]})"),
            "invalid type: sequence, expected variant identifier");
}

TEST(ParamMessage, RefusesMembersOfTheWrongJsonType) {
  EXPECT_EQ(refuse(R"({"type":"set_param","name":"mix","value":"0.5"})"),
            "invalid type: string \"0.5\", expected f32 for field `value` of struct variant "
            "ParamMessage::SetParam");
  EXPECT_EQ(refuse(R"({"type":"set_param","name":5,"value":0.5})"),
            "invalid type: integer `5`, expected a string for field `name` of struct variant "
            "ParamMessage::SetParam");
  EXPECT_EQ(refuse(R"({"type":"load_preset","name":"X","is_factory":1})"),
            "invalid type: integer `1`, expected a boolean for field `is_factory` of struct "
            "variant ParamMessage::LoadPreset");
  EXPECT_THAT(refuse(R"({"type":"set_param","name":"m","value":null})"),
              HasSubstr("invalid type: null, expected f32"));
  EXPECT_THAT(refuse(R"({"type":"set_param","name":"m","value":true})"),
              HasSubstr("invalid type: boolean `true`, expected f32"));
  EXPECT_THAT(refuse(R"({"type":"custom","action":{},"payload":""})"),
              HasSubstr("invalid type: map, expected a string for field `action`"));
  EXPECT_THAT(refuse(R"({"type":"set_param","name":"m","value":1.5e0,"name":2.5})"),
              HasSubstr("duplicate field `name`"));
}

TEST(ParamMessage, RefusesAnythingButOneObject) {
  EXPECT_EQ(refuse("5"), "invalid type: integer `5`, expected internally tagged enum ParamMessage");
  EXPECT_EQ(refuse(R"(["set_param"])"),
            "invalid type: sequence, expected internally tagged enum ParamMessage");
  EXPECT_EQ(refuse(R"("poll_messages")"),
            "invalid type: string \"poll_messages\", expected internally tagged enum ParamMessage");
  // Syntax errors carry the parser's own description.
  for (const char* text :
       {"", "{", R"({"type":"poll_messages"} x)",
        R"({"type":"poll_messages"}{"type":"poll_messages"})", R"({"type":"poll_messages",})",
        "{'type':'poll_messages'}", "{\"type\":\"poll\xff\"}"}) {
    EXPECT_THAT(refuse(text), HasSubstr("parse error")) << text;
  }
}

TEST(ParamMessage, DeepNestingInIgnoredMembersIsHarmless) {
  std::string deep = R"({"type":"poll_messages","junk":)";
  deep += std::string(100000, '[');
  deep += std::string(100000, ']');
  deep += "}";
  EXPECT_EQ(accept(deep), ParamMessage(M::PollMessages{}));
}

}  // namespace
}  // namespace vessimor
