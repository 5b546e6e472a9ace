#include "framework/json_number.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>

#include "framework/float_text.hpp"

namespace vessimor {
namespace {

TEST(JsonF32, WholeNumbersKeepPointZero) {
  EXPECT_EQ(json_f32(440.0f), "440.0");
  EXPECT_EQ(json_f32(0.0f), "0.0");
  EXPECT_EQ(json_f32(-0.0f), "-0.0");
  EXPECT_EQ(json_f32(-12.0f), "-12.0");
  EXPECT_EQ(json_f32(0.5f), "0.5");
  EXPECT_EQ(json_f32(0.3f), "0.3");
  EXPECT_EQ(json_f32(0.6666667f), "0.6666667");
}

TEST(JsonF32, ExponentFormOutsideMinusSixToTwelve) {
  EXPECT_EQ(json_f32(1e13f), "1e+13");
  EXPECT_EQ(json_f32(1.5e-7f), "1.5e-7");
  EXPECT_EQ(json_f32(-2.5e20f), "-2.5e+20");
  EXPECT_EQ(json_f32(1e12f), "1000000000000.0");
  EXPECT_EQ(json_f32(1.2345e12f), "1234500000000.0");
  EXPECT_EQ(json_f32(0.000001f), "0.000001");
  EXPECT_EQ(json_f32(0.0000012f), "0.0000012");
  EXPECT_EQ(json_f32(9.9e-7f), "9.9e-7");
  EXPECT_EQ(json_f32(std::numeric_limits<float>::max()), "3.4028235e+38");
  EXPECT_EQ(json_f32(std::numeric_limits<float>::denorm_min()), "1e-45");
  EXPECT_EQ(json_f32(1.17549435e-38f), "1.1754944e-38");
}

TEST(JsonF32, NonFiniteIsNull) {
  EXPECT_EQ(json_f32(std::numeric_limits<float>::quiet_NaN()), "null");
  EXPECT_EQ(json_f32(std::numeric_limits<float>::infinity()), "null");
  EXPECT_EQ(json_f32(-std::numeric_limits<float>::infinity()), "null");
}

TEST(JsonF32, RoundTripsThroughTheJsonReader) {
  std::mt19937 rng(99);
  for (int i = 0; i < 20000; ++i) {
    const std::uint32_t bits = rng();
    float v;
    std::memcpy(&v, &bits, sizeof v);
    if (!std::isfinite(v)) continue;
    const std::string text = json_f32(v);
    const Json parsed = Json::parse(text);
    ASSERT_TRUE(parsed.is_number_float()) << text;
    const float back = parsed.get<float>();
    ASSERT_EQ(std::memcmp(&back, &v, sizeof v), 0) << text;
  }
}

TEST(WriteJson, CompactAndPretty) {
  Json value = Json::object();
  value["b"] = Json::array({1, -2, 0.25f, 440.0f, true, nullptr, "t\"x\n"});
  value["a"] = Json::object();
  value["c"] = Json::array();
  value["d"] = Json::object({{"x", 1e13f}});
  EXPECT_EQ(write_json(value),
            R"({"a":{},"b":[1,-2,0.25,440.0,true,null,"t\"x\n"],"c":[],"d":{"x":1e+13}})");
  EXPECT_EQ(write_json(value, JsonLayout::Pretty),
            "{\n"
            "  \"a\": {},\n"
            "  \"b\": [\n"
            "    1,\n"
            "    -2,\n"
            "    0.25,\n"
            "    440.0,\n"
            "    true,\n"
            "    null,\n"
            "    \"t\\\"x\\n\"\n"
            "  ],\n"
            "  \"c\": [],\n"
            "  \"d\": {\n"
            "    \"x\": 1e+13\n"
            "  }\n"
            "}");
  EXPECT_EQ(write_json(Json(std::numeric_limits<float>::quiet_NaN())), "null");
  EXPECT_EQ(write_json(Json("\x01\xc3\xa9")), "\"\\u0001\xc3\xa9\"");
  EXPECT_THROW(write_json(Json("\xff")), Json::type_error);
}

}  // namespace
}  // namespace vessimor
