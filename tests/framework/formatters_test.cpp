#include "framework/formatters.hpp"

#include <gtest/gtest.h>

#include <limits>

#include "framework/panic.hpp"

namespace vessimor::formatters {
namespace {

TEST(Formatters, RoundedWritesUnsignedZero) {
  const auto one = v2s_f32_rounded(1);
  EXPECT_EQ((*one)(0.0f), "0.0");
  EXPECT_EQ((*one)(-0.04f), "0.0");
  EXPECT_EQ((*one)(-0.06f), "-0.1");
  EXPECT_EQ((*one)(12.0f), "12.0");
  EXPECT_EQ((*one)(0.25f), "0.2");
  EXPECT_EQ((*one)(0.35f), "0.3");
  const auto two = v2s_f32_rounded(2);
  EXPECT_EQ((*two)(0.004f), "0.00");
  EXPECT_EQ((*two)(0.006f), "0.01");
  EXPECT_EQ((*two)(0.005f), "0.00");
  EXPECT_EQ((*two)(-0.004f), "0.00");
  EXPECT_EQ((*v2s_f32_rounded(0))(-0.4f), "0");
  EXPECT_EQ((*v2s_f32_rounded(12))(0.5f), "0.500000000000");
}

TEST(Formatters, Percentage) {
  const auto f = v2s_f32_percentage(0);
  EXPECT_EQ((*f)(0.5f), "50");
  EXPECT_EQ((*f)(0.125f), "12");
  EXPECT_EQ((*f)(1.2f), "120");
  EXPECT_EQ((*f)(-0.001f), "-0");
}

TEST(Formatters, HzThenKhz) {
  const auto f = v2s_f32_hz_then_khz(0);
  EXPECT_EQ((*f)(440.0f), "440 Hz");
  // The unit is chosen from the number as shown, so that the text reads back to itself.
  EXPECT_EQ((*f)(999.4f), "999 Hz");
  EXPECT_EQ((*f)(999.5f), "1.0 kHz");  // 999.5 shows as 1000 (the tie goes to the even digit)
  EXPECT_EQ((*f)(999.6f), "1.0 kHz");
  EXPECT_EQ((*v2s_f32_hz_then_khz(1))(999.94f), "999.9 Hz");
  EXPECT_EQ((*v2s_f32_hz_then_khz(1))(999.96f), "1.0 kHz");
  EXPECT_EQ((*f)(1000.0f), "1.0 kHz");
  EXPECT_EQ((*f)(1250.0f), "1.2 kHz");
  EXPECT_EQ((*v2s_f32_hz_then_khz(2))(1234.5f), "1.23 kHz");
  EXPECT_EQ((*f)(std::numeric_limits<float>::quiet_NaN()), "NaN kHz");
}

TEST(Formatters, PercentageParser) {
  const auto p = s2v_f32_percentage();
  EXPECT_EQ((*p)("50"), 0.5f);
  EXPECT_EQ((*p)("50%"), 0.5f);
  EXPECT_EQ((*p)("50 %"), 0.5f);
  EXPECT_EQ((*p)("50%% "), 0.5f);
  EXPECT_EQ((*p)("-25"), -0.25f);
  EXPECT_FALSE((*p)("%50"));
  EXPECT_FALSE((*p)(""));
  EXPECT_FALSE((*p)(" 50"));
  EXPECT_FALSE((*p)("fifty"));
  // Infinity (also a number beyond the float range) stays infinite for the parameter to clamp;
  // not-a-number means nothing.
  EXPECT_FALSE((*p)("nan"));
  EXPECT_FALSE((*p)("NaN %"));
  EXPECT_EQ((*p)("inf %"), std::numeric_limits<float>::infinity());
  EXPECT_EQ((*p)("-Infinity"), -std::numeric_limits<float>::infinity());
  EXPECT_EQ((*p)("1e40"), std::numeric_limits<float>::infinity());
}

TEST(Formatters, TooManyDecimalsFailAtFirstUse) {
  const auto f = v2s_f32_rounded(70000);  // building is fine
  try {
    (*f)(1.0f);
    ADD_FAILURE() << "no failure raised";
  } catch (const Panic& failure) {
    EXPECT_EQ(failure.message(), "Formatting argument out of range");
  }
  EXPECT_EQ((*v2s_f32_percentage(65535))(1.0f).size(), 3u + 1u + 65535u);
}

}  // namespace
}  // namespace vessimor::formatters
