#include "framework/float_text.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace vessimor::float_text {
namespace {

TEST(FloatTextShortest, WholeNumbersAndFractionsWithoutExponent) {
  EXPECT_EQ(shortest(1.0f), "1");
  EXPECT_EQ(shortest(120.0f), "120");
  EXPECT_EQ(shortest(0.5f), "0.5");
  EXPECT_EQ(shortest(0.3f), "0.3");
  EXPECT_EQ(shortest(-2.25f), "-2.25");
  EXPECT_EQ(shortest(0.0f), "0");
  EXPECT_EQ(shortest(-0.0f), "-0");
  EXPECT_EQ(shortest(1e20f), "100000000000000000000");
  EXPECT_EQ(shortest(1e16f), "10000000000000000");
  EXPECT_EQ(shortest(1.5e-7f), "0.00000015");
  EXPECT_EQ(shortest(-1.25e-5f), "-0.0000125");
  EXPECT_EQ(shortest(1.2345e7f), "12345000");
  EXPECT_EQ(shortest(std::numeric_limits<float>::denorm_min()), "0." + std::string(44, '0') + "1");
  EXPECT_EQ(shortest(std::numeric_limits<float>::max()), "340282350000000000000000000000000000000");
}

TEST(FloatTextShortest, NonFiniteWords) {
  EXPECT_EQ(shortest(std::numeric_limits<float>::quiet_NaN()), "NaN");
  EXPECT_EQ(shortest(std::numeric_limits<float>::infinity()), "inf");
  EXPECT_EQ(shortest(-std::numeric_limits<float>::infinity()), "-inf");
}

TEST(FloatTextShortest, RoundTripsRandomBitPatterns) {
  std::mt19937 rng(1234);
  for (int i = 0; i < 20000; ++i) {
    const std::uint32_t bits = rng();
    float v;
    std::memcpy(&v, &bits, sizeof v);
    if (!std::isfinite(v)) continue;
    const std::string text = shortest(v);
    ASSERT_EQ(text.find('e'), std::string::npos) << text;
    const auto back = parse(text);
    ASSERT_TRUE(back.has_value()) << text;
    ASSERT_EQ(std::memcmp(&*back, &v, sizeof v), 0) << text;
  }
}

TEST(FloatTextFixed, ExactValueTiesToEvenAndKeptSign) {
  EXPECT_EQ(fixed(0.25f, 1), "0.2");    // exact tie goes to the even digit
  EXPECT_EQ(fixed(0.35f, 1), "0.3");    // the f32 nearest 0.35 lies below it
  EXPECT_EQ(fixed(0.005f, 2), "0.00");  // likewise just below 0.005
  EXPECT_EQ(fixed(12.5f, 0), "12");
  EXPECT_EQ(fixed(13.5f, 0), "14");
  EXPECT_EQ(fixed(12.0f, 1), "12.0");
  EXPECT_EQ(fixed(-0.04f, 1), "-0.0");
  EXPECT_EQ(fixed(-0.0f, 2), "-0.00");
  EXPECT_EQ(fixed(0.1f, 10), "0.1000000015");
  EXPECT_EQ(fixed(7.0f, -3), "7");
  EXPECT_EQ(fixed(1e20f, 0), "100000002004087734272");
  // The smallest float needs all 149 digits; beyond them only zeros follow.
  const std::string tiny = fixed(std::numeric_limits<float>::denorm_min(), 149);
  EXPECT_EQ(tiny.substr(tiny.size() - 6), "203125");  // 2^-149 = 5^149 / 10^149
  EXPECT_EQ(tiny.size(), 2u + 149u);                  // 2^-149 = 5^149 / 10^149
  const std::string wide = fixed(100.0f, 1000);
  EXPECT_EQ(wide.size(), 4u + 1000u);
  EXPECT_EQ(wide.find_first_not_of('0', 4), std::string::npos);
}

TEST(FloatTextParse, AcceptsDecimalForms) {
  EXPECT_EQ(parse("1"), 1.0f);
  EXPECT_EQ(parse("-2.5"), -2.5f);
  EXPECT_EQ(parse("+4E2"), 400.0f);
  EXPECT_EQ(parse(".5"), 0.5f);
  EXPECT_EQ(parse("5."), 5.0f);
  EXPECT_EQ(parse("1e-3"), 0.001f);
  EXPECT_EQ(parse("0.3"), 0.3f);
  EXPECT_EQ(parse("1e50"), std::numeric_limits<float>::infinity());
  EXPECT_EQ(parse("-1e-60"), -0.0f);
  EXPECT_TRUE(std::signbit(*parse("-0")));
}

TEST(FloatTextParse, SpecialWordsInAnyCase) {
  EXPECT_EQ(parse("inf"), std::numeric_limits<float>::infinity());
  EXPECT_EQ(parse("-Infinity"), -std::numeric_limits<float>::infinity());
  EXPECT_EQ(parse("+INF"), std::numeric_limits<float>::infinity());
  EXPECT_TRUE(std::isnan(*parse("NaN")));
  EXPECT_TRUE(std::isnan(*parse("-nan")));
}

TEST(FloatTextParse, RefusesAnythingElse) {
  for (const char* text : {"", "+", "-", ".", "e5", "1e", "1e+", "1.5x", " 1", "1 ", "--1", "+-1",
                           "nan(1)", "infin", "0x10", "1,5", "1..2", "in"}) {
    EXPECT_FALSE(parse(text).has_value()) << '"' << text << '"';
  }
}

}  // namespace
}  // namespace vessimor::float_text
