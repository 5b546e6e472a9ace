#include "framework/state/state.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <unordered_map>

#include "framework/params/range.hpp"

namespace vessimor {
namespace {

// A small parameter set with every kind, keyed the way the wrappers key theirs.
class TestParams final : public Params {
 public:
  FloatParam gain = FloatParam("Gain", 0.0f, FloatRange::linear(-12.0f, 12.0f))
                        .with_smoother(SmoothingStyle::Linear{10.0f});
  FloatParam mix{"Mix", 0.5f, FloatRange::linear(0.0f, 1.0f)};
  IntParam count =
      IntParam("Count", 4, IntRange::linear(2, 16)).with_smoother(SmoothingStyle::Linear{10.0f});
  BoolParam enable{"Enable", false};
  EnumParam shape{"Shape", 0, {"Sine", "Triangle", "Saw"}};
  EnumParam mode{"Mode", 1, {"A", "B", "C"}, std::vector<std::string>{"a", "b", "c"}};

  int deserialize_calls = 0;
  PersistentFields stored_fields;
  PersistentFields fields_to_save;

  ParamMap param_map() const override {
    return {{"gain", &gain, ""},     {"mix", &mix, ""},     {"count", &count, ""},
            {"enable", &enable, ""}, {"shape", &shape, ""}, {"mode", &mode, ""}};
  }
  PersistentFields serialize_fields() const override { return fields_to_save; }
  void deserialize_fields(const PersistentFields& fields) override {
    ++deserialize_calls;
    stored_fields = fields;
  }
};

struct Tables {
  std::unordered_map<std::string, std::uint32_t> id_to_hash;
  std::unordered_map<std::uint32_t, ParamPtr> hash_to_param;
  explicit Tables(const Params& params) {
    for (const auto& entry : params.param_map()) {
      id_to_hash.emplace(entry.id, hash_param_id(entry.id));
      hash_to_param.emplace(hash_param_id(entry.id), entry.param);
    }
  }
};

constexpr std::string_view kDefaultText =
    R"({"version":"0.1.0","params":{"count":{"i32":4},"enable":{"bool":false},"gain":{"f32":0.0},)"
    R"("mix":{"f32":0.5},"mode":{"string":"b"},"shape":{"i32":0}},"fields":{}})";

std::string save(const TestParams& params) {
  const Tables tables(params);
  const auto result = state::serialize_json(
      params, state::make_params_iter(tables.id_to_hash, tables.hash_to_param), "0.1.0");
  EXPECT_TRUE(result) << result.error.value_or("");
  return result.text;
}

bool load(TestParams& params, std::string_view text,
          std::optional<float> sample_rate = std::nullopt) {
  const auto state = state::deserialize_json(text);
  if (!state) return false;
  const Tables tables(params);
  return state::deserialize_object(*state, params,
                                   state::lookup_in_tables(tables.id_to_hash, tables.hash_to_param),
                                   sample_rate);
}

TEST(StateWrite, DefaultTextIsExact) {
  const TestParams params;
  EXPECT_EQ(save(params), kDefaultText);
}

TEST(StateWrite, UnmodulatedValuesNumbersAndFields) {
  TestParams params;
  params.gain.set_plain_value(1e13f);  // stored unclamped
  params.mix.set_plain_value(1.5e-7f);
  params.mix.modulate_value(0.3f);  // never saved
  params.count.set_plain_value(-7);
  params.enable.set_plain_value(true);
  params.shape.set_plain_value(2);
  params.mode.set_plain_value(2);
  params.fields_to_save = {{"z", "last"}, {"a", "q\"uote"}};
  EXPECT_EQ(
      save(params),
      R"({"version":"0.1.0","params":{"count":{"i32":-7},"enable":{"bool":true},"gain":{"f32":1e+13},)"
      R"("mix":{"f32":1.5e-7},"mode":{"string":"c"},"shape":{"i32":2}},"fields":{"a":"q\"uote","z":"last"}})");
}

TEST(StateWrite, ByteIdenticalWhateverTheTableOrder) {
  TestParams params;
  params.gain.set_plain_value(-3.25f);
  const Tables tables(params);
  auto pairs = state::make_params_iter(tables.id_to_hash, tables.hash_to_param);
  const std::string first = state::serialize_json(params, pairs, "0.1.0").text;
  std::reverse(pairs.begin(), pairs.end());
  EXPECT_EQ(state::serialize_json(params, pairs, "0.1.0").text, first);
  std::rotate(pairs.begin(), pairs.begin() + 2, pairs.end());
  EXPECT_EQ(state::serialize_json(params, pairs, "0.1.0").text, first);
  // A repeated id leaves one entry.
  pairs.push_back(pairs.front());
  EXPECT_EQ(state::serialize_object(params, pairs, "0.1.0").params.size(), 6u);
  EXPECT_EQ(state::serialize_json(params, pairs, "0.1.0").text, first);
}

TEST(StateWrite, TableEntriesWithoutHandleAreSkipped) {
  const TestParams params;
  Tables tables(params);
  tables.id_to_hash.emplace("ghost", 12345u);
  const auto pairs = state::make_params_iter(tables.id_to_hash, tables.hash_to_param);
  EXPECT_EQ(pairs.size(), 6u);
}

TEST(StateWrite, NonFiniteFloatLeavesOutOnlyItsMember) {
  TestParams params;
  params.gain.set_plain_value(std::numeric_limits<float>::quiet_NaN());
  params.mix.set_plain_value(0.75f);
  params.count.set_plain_value(9);
  const std::string text = save(params);
  EXPECT_EQ(text.find("gain"), std::string::npos);
  EXPECT_EQ(text.find("null"), std::string::npos);

  TestParams fresh;
  fresh.gain.set_plain_value(6.0f);
  ASSERT_TRUE(load(fresh, text));
  EXPECT_EQ(fresh.gain.value(), 6.0f);  // untouched
  EXPECT_EQ(fresh.mix.value(), 0.75f);
  EXPECT_EQ(fresh.count.value(), 9);

  params.gain.set_plain_value(-std::numeric_limits<float>::infinity());
  EXPECT_EQ(save(params).find("gain"), std::string::npos);
}

TEST(StateWrite, InvalidUtf8IsAnError) {
  PluginState state;
  state.version = "0.1.0";
  state.fields["key"] = "\xff";
  const auto result = state::to_json(state);
  EXPECT_FALSE(result);
  EXPECT_EQ(result.error->rfind("Could not format as JSON", 0), 0u);
  EXPECT_TRUE(result.text.empty());
}

TEST(StateRead, ObjectAndArrayFormsAgree) {
  const auto object =
      state::deserialize_json(R"({"version":"0.1.0","params":{"mix":{"f32":0.25}},"fields":{}})");
  const auto array = state::deserialize_json(R"(["0.1.0",{"mix":{"f32":0.25}},{}])");
  ASSERT_TRUE(object);
  ASSERT_TRUE(array);
  EXPECT_EQ(*object, *array);
  EXPECT_EQ(object->params.at("mix"), ParamValue::f32(0.25f));
}

TEST(StateRead, MembersVersionAndUnknownKeys) {
  const auto no_version = state::deserialize_json(R"( {"params":{},"fields":{}} )");
  ASSERT_TRUE(no_version);
  EXPECT_EQ(no_version->version, "");
  const auto reordered = state::deserialize_json(
      "\n\t{\"fields\":{\"k\":\"v\",\"k\":\"w\"},\"extra\":[1,{\"x\":null}],\"extra\":2,"
      "\"params\":{\"a\":{\"i32\":1},\"a\":{\"i32\":2}},\"version\":\"9\"}\r\n");
  ASSERT_TRUE(reordered);
  EXPECT_EQ(reordered->version, "9");
  EXPECT_EQ(reordered->fields.at("k"), "w");                 // later value wins
  EXPECT_EQ(reordered->params.at("a"), ParamValue::i32(2));  // later value wins
  // Duplicate keys deeper down are not members of the record.
  EXPECT_TRUE(state::deserialize_json(
      R"({"params":{"x":{"string":"s"}},"fields":{},"o":{"params":1,"params":2}})"));
}

TEST(StateRead, ValueAlternatives) {
  const auto state = state::deserialize_json(
      R"({"params":{"a":{"f32":3},"b":{"f32":-1.5e-7},"c":{"i32":-2147483648},"d":{"bool":true},)"
      R"("e":{"string":"x\u00e9"},"f":{"f32":0.1000000000000000055511151231257827},"g":{"f32":18446744073709551615},)"
      R"("h":{"i32":2147483647},"i":{"f32":1e-60}},"fields":{}})");
  ASSERT_TRUE(state);
  EXPECT_EQ(state->params.at("a"), ParamValue::f32(3.0f));
  EXPECT_EQ(state->params.at("b"), ParamValue::f32(-1.5e-7f));
  EXPECT_EQ(state->params.at("c"), ParamValue::i32(std::numeric_limits<std::int32_t>::min()));
  EXPECT_EQ(state->params.at("d"), ParamValue::boolean(true));
  EXPECT_EQ(state->params.at("e"), ParamValue::string("x\xc3\xa9"));
  EXPECT_EQ(state->params.at("f"), ParamValue::f32(0.1f));
  EXPECT_EQ(state->params.at("g"), ParamValue::f32(1.8446744e19f));
  EXPECT_EQ(state->params.at("h"), ParamValue::i32(std::numeric_limits<std::int32_t>::max()));
  EXPECT_EQ(state->params.at("i"), ParamValue::f32(0.0f));
}

TEST(StateRead, RefusesMalformedRecords) {
  for (const char* text : {
           "",
           "   ",
           "null",
           "\"state\"",
           R"({"version":"0.1.0","params":{}})",        // missing fields
           R"({"version":"0.1.0","fields":{}})",        // missing params
           R"({"params":{},"fields":{},"params":{}})",  // duplicate member
           R"({"version":"a","version":"b","params":{},"fields":{}})",
           R"({"version":1,"params":{},"fields":{}})",
           R"({"params":[],"fields":{}})",
           R"({"params":{},"fields":{"k":1}})",
           R"({"params":{},"fields":{}} x)",  // trailing text
           R"({"params":{},"fields":{}}{})",
           "[]",
           R"(["0.1.0"])",
           R"(["0.1.0",{}])",
           R"(["0.1.0",{},{},{}])",
           R"([1,{},{}])",
           R"({"params":{"a":{"f64":1.0}},"fields":{}})",  // unknown variant
           R"({"params":{"a":"f32"},"fields":{}})",        // bare string
           R"({"params":{"a":{}},"fields":{}})",
           R"({"params":{"a":{"f32":1,"i32":1}},"fields":{}})",
           R"({"params":{"a":{"f32":1,"f32":2}},"fields":{}})",
           R"({"params":{"a":{"f32":null}},"fields":{}})",
           R"({"params":{"a":{"f32":"1"}},"fields":{}})",
           R"({"params":{"a":{"f32":1e39}},"fields":{}})",  // beyond the float range
           R"({"params":{"a":{"i32":2147483648}},"fields":{}})",
           R"({"params":{"a":{"i32":-2147483649}},"fields":{}})",
           R"({"params":{"a":{"i32":3.0}},"fields":{}})",
           R"({"params":{"a":{"bool":1}},"fields":{}})",
           R"({"params":{"a":{"string":null}},"fields":{}})",
           "{\"params\":{\"a\":{\"string\":\"\xff\"}},\"fields\":{}}",  // not UTF-8
           "\xEF\xBB\xBF{\"params\":{},\"fields\":{}}",
           R"({"params":{},"fields":{},})",
           R"({"params":{},"fields":{}/*c*/})",
           // A repeated id or field replaces the earlier value, but that value must still be valid.
           R"({"params":{"a":{"f64":1},"a":{"i32":2}},"fields":{}})",
           R"({"params":{"a":"f32","a":{"i32":2}},"fields":{}})",
           R"(["0.1.0",{"a":{"i32":3.5},"a":{"i32":2}},{}])",
           R"({"params":{},"fields":{"k":1,"k":"v"}})",
           R"(["0.1.0",{},{"k":null,"k":"v"}])",
       }) {
    EXPECT_FALSE(state::deserialize_json(text)) << text;
  }
}

TEST(StateRead, DeepNestingIsReadWithoutRecursion) {
  const std::string deep(200000, '[');
  EXPECT_FALSE(state::deserialize_json(deep));
  const std::string nested = R"({"params":{},"fields":{},"x":)" + std::string(100000, '[') +
                             std::string(100000, ']') + "}";
  EXPECT_TRUE(state::deserialize_json(nested));
}

TEST(StateApply, NamedParametersOnlyAndKindsMustMatch) {
  TestParams params;
  params.count.set_plain_value(7);
  ASSERT_TRUE(load(
      params,
      R"({"params":{"gain":{"i32":3},"shape":{"f32":1.0},"mix":{"f32":0.125},"unknown":{"f32":1.0},)"
      R"("enable":{"bool":true},"mode":{"string":"zz"}},"fields":{"f":"v"}})"));
  EXPECT_EQ(params.gain.value(), 0.0f);  // float given an integer: ignored
  EXPECT_EQ(params.shape.value(), 0);    // choice given a float: ignored
  EXPECT_EQ(params.mode.value(), 1);     // unknown choice id: unchanged
  EXPECT_EQ(params.mix.value(), 0.125f);
  EXPECT_TRUE(params.enable.value());
  EXPECT_EQ(params.count.value(), 7);  // not named
  EXPECT_EQ(params.deserialize_calls, 1);
  EXPECT_EQ(params.stored_fields.at("f"), "v");

  ASSERT_TRUE(load(params, R"({"params":{"shape":{"i32":2},"mode":{"string":"a"}},"fields":{}})"));
  EXPECT_EQ(params.shape.value(), 2);
  EXPECT_EQ(params.mode.value(), 0);
  ASSERT_TRUE(load(params, R"({"params":{},"fields":{}})"));
  EXPECT_EQ(params.deserialize_calls, 3);
  EXPECT_EQ(params.shape.value(), 2);
}

TEST(StateApply, SmoothersJumpOnlyWithSampleRate) {
  TestParams params;
  params.count.update_smoother(48000.0f, true);
  params.gain.set_plain_value(-1.0f);
  params.gain.update_smoother(48000.0f, false);  // gliding toward -1
  ASSERT_TRUE(load(params, R"({"params":{"count":{"i32":9}},"fields":{}})"));
  EXPECT_EQ(params.count.smoothed().target(), 4);  // no rate: left alone
  ASSERT_TRUE(load(params, R"({"params":{"count":{"i32":10}},"fields":{}})", 44100.0f));
  EXPECT_EQ(params.count.smoothed().target(), 10);
  EXPECT_EQ(params.count.smoothed().steps_left(), 0);
  EXPECT_EQ(params.gain.smoothed().steps_left(), 480);  // not named: keeps its glide
}

TEST(StateApply, RoundTripRestoresEveryValue) {
  TestParams source;
  source.gain.set_plain_value(0.3f);
  source.mix.set_plain_value(1e-20f);
  source.count.set_plain_value(16);
  source.enable.set_plain_value(true);
  source.shape.set_plain_value(1);
  source.mode.set_plain_value(2);
  const std::string text = save(source);
  TestParams target;
  ASSERT_TRUE(load(target, text));
  EXPECT_EQ(save(target), text);
  EXPECT_EQ(target.mix.value(), 1e-20f);
}

}  // namespace
}  // namespace vessimor
