#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <unordered_set>

#include "framework/formatters.hpp"
#include "framework/params/param_ptr.hpp"

namespace vessimor {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(FloatParam, StartsAtDefault) {
  const FloatParam p("Output Gain", 0.0f, FloatRange::linear(-24.0f, 12.0f));
  EXPECT_EQ(p.value(), 0.0f);
  EXPECT_EQ(p.unmodulated_value(), 0.0f);
  EXPECT_FLOAT_EQ(p.normalized_value(), 0.6666667f);
  EXPECT_FLOAT_EQ(p.unmodulated_normalized_value(), 0.6666667f);
  EXPECT_EQ(p.modulation_offset(), 0.0f);
  EXPECT_FLOAT_EQ(ParamPtr(&p).default_normalized_value(), 0.6666667f);
  EXPECT_EQ(ParamPtr(&p).step_count(), std::nullopt);
}

TEST(FloatParam, SameValueTwiceChangesOnceAndCallsBackOnce) {
  int calls = 0;
  float last = 0.0f;
  const auto p =
      FloatParam("Mix", 0.5f, FloatRange::linear(0.0f, 1.0f))
          .with_callback(std::make_shared<const std::function<void(float)>>([&](float v) {
            ++calls;
            last = v;
          }));
  const ParamPtr ptr(&p);
  EXPECT_TRUE(ptr.set_normalized_value(0.25f));
  EXPECT_FALSE(ptr.set_normalized_value(0.25f));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(last, 0.25f);
  // NaN never equals itself, so it always counts as a change.
  EXPECT_TRUE(p.set_plain_value(kNaN));
  EXPECT_TRUE(p.set_plain_value(kNaN));
  EXPECT_EQ(calls, 3);
}

TEST(FloatParam, PlainValueStoredUnclampedNormalisedClamped) {
  const FloatParam p("Mix", 0.5f, FloatRange::linear(0.0f, 1.0f));
  EXPECT_TRUE(p.set_plain_value(1.5f));
  EXPECT_EQ(p.value(), 1.5f);
  EXPECT_EQ(p.normalized_value(), 1.0f);
  EXPECT_EQ(ParamPtr(&p).preview_plain(1.3f), 1.0f);
}

TEST(FloatParam, StepSizeSnapsAndSetsDecimals) {
  const auto p = FloatParam("Gain", 0.0f, FloatRange::linear(-1.0f, 1.0f))
                     .with_step_size(0.25f)
                     .with_unit(" dB");
  const ParamPtr ptr(&p);
  EXPECT_EQ(ptr.preview_plain(0.55f), 0.0f);
  EXPECT_TRUE(ptr.set_normalized_value(0.9f));
  EXPECT_EQ(p.value(), 0.75f);
  // The stored normalised value is recomputed from the snapped plain value.
  EXPECT_EQ(p.normalized_value(), 0.875f);
  // A step of 0.25 shows one decimal (0.25 * 10 >= 1); 0.75 ties to the even digit.
  EXPECT_EQ(ptr.normalized_value_to_string(0.875f, true), "0.8 dB");
  EXPECT_EQ(ptr.normalized_value_to_string(1.0f, false), "1.0");
  const auto coarse = FloatParam("C", 0.0f, FloatRange::linear(0.0f, 100.0f)).with_step_size(1.0f);
  EXPECT_EQ(ParamPtr(&coarse).normalized_value_to_string(0.505f, false), "51");
  const auto fine =
      FloatParam("F", 0.0f, FloatRange::linear(0.0f, 1.0f)).with_step_size(0.0000001f);
  EXPECT_EQ(ParamPtr(&fine).normalized_value_to_string(0.5f, false), "0");
  // Decimal step sizes whose float lies just below the decimal: 0.01 * 100 reaches 1 in one
  // product, while 0.01 * 10 * 10 falls short of it.
  for (const auto& [step, text] : {std::pair{0.01f, "0.50"}, std::pair{0.0001f, "0.5000"},
                                   std::pair{0.00001f, "0.50000"}, std::pair{0.001f, "0.500"}}) {
    const auto p = FloatParam("S", 0.0f, FloatRange::linear(0.0f, 1.0f)).with_step_size(step);
    EXPECT_EQ(ParamPtr(&p).normalized_value_to_string(0.5f, false), text) << step;
  }
}

TEST(FloatParam, TextWithoutFormatterIsShortest) {
  const auto p = FloatParam("Rate", 1.0f, FloatRange::linear(0.0f, 10.0f)).with_unit(" Hz");
  const ParamPtr ptr(&p);
  EXPECT_EQ(ptr.normalized_value_to_string(0.05f, true), "0.5 Hz");
  EXPECT_EQ(ptr.normalized_value_to_string(1.0f, false), "10");
}

TEST(FloatParam, FormatterTextFollowedByUnit) {
  const auto p = FloatParam("Input Gain", 0.0f, FloatRange::linear(-12.0f, 12.0f))
                     .with_unit(" dB")
                     .with_value_to_string(formatters::v2s_f32_rounded(1));
  const ParamPtr ptr(&p);
  EXPECT_EQ(ptr.normalized_value_to_string(0.5f, true), "0.0 dB");
  EXPECT_EQ(ptr.normalized_value_to_string(0.0f, false), "-12.0");
}

TEST(FloatParam, UnitStrippedParse) {
  const auto p = FloatParam("Gain", 0.0f, FloatRange::linear(-12.0f, 12.0f)).with_unit(" dB");
  const ParamPtr ptr(&p);
  EXPECT_EQ(ptr.string_to_normalized_value("3 dB"), p.range().normalize(3.0f));
  EXPECT_FALSE(ptr.string_to_normalized_value("3dB"));
  EXPECT_EQ(ptr.string_to_normalized_value("  3 dB \t"), p.range().normalize(3.0f));
  EXPECT_FALSE(ptr.string_to_normalized_value("3  dB"));
  EXPECT_EQ(ptr.string_to_normalized_value("3 dB dB"), p.range().normalize(3.0f));
  EXPECT_EQ(ptr.string_to_normalized_value("-40"), 0.0f);
  EXPECT_FALSE(ptr.string_to_normalized_value("three"));
  // Infinity clamps to the range's ends; not-a-number gives no value.
  EXPECT_FALSE(ptr.string_to_normalized_value("nan"));
  EXPECT_FALSE(ptr.string_to_normalized_value("-NaN dB"));
  EXPECT_EQ(ptr.string_to_normalized_value("-inf dB"), 0.0f);
  EXPECT_EQ(ptr.string_to_normalized_value("inf"), 1.0f);
  EXPECT_EQ(ptr.string_to_normalized_value("+Infinity dB"), 1.0f);
  EXPECT_EQ(ptr.string_to_normalized_value("-INF"), 0.0f);
  // Every Unicode white-space character is trimmed at both ends; a zero-width space is not one.
  EXPECT_EQ(ptr.string_to_normalized_value("\u00A03 dB\u00A0"), p.range().normalize(3.0f));
  EXPECT_EQ(ptr.string_to_normalized_value(
                "\u0085\u1680\u2000\u2005\u200A\u2028\u2029\u202F\u205F\u3000\v\f\r\n"
                "3 dB\u3000\u205F\u202F\u2029\u2028\u200A\u1680\u0085\u00A0"),
            p.range().normalize(3.0f));
  EXPECT_FALSE(ptr.string_to_normalized_value("\u200B3 dB"));
}

TEST(FloatParam, ParserResultIsNormalisedThroughRange) {
  const auto pct = FloatParam("Mix", 0.5f, FloatRange::linear(0.0f, 1.0f)).with_unit(" %");
  EXPECT_EQ(ParamPtr(&pct).string_to_normalized_value("150"), 1.0f);
  const auto width = FloatParam("Stereo Width", 1.0f, FloatRange::linear(0.0f, 2.0f))
                         .with_unit(" %")
                         .with_string_to_value(formatters::s2v_f32_percentage());
  EXPECT_EQ(ParamPtr(&width).string_to_normalized_value("50 %"), 0.25f);
  EXPECT_FALSE(ParamPtr(&width).string_to_normalized_value("nan"));
  EXPECT_EQ(ParamPtr(&width).string_to_normalized_value("\u3000inf %\u00A0"), 1.0f);
  EXPECT_EQ(ParamPtr(&width).string_to_normalized_value("-inf"), 0.0f);
  // A custom parser that yields a non-finite value is refused too.
  const auto odd =
      FloatParam("Odd", 0.0f, FloatRange::linear(0.0f, 1.0f))
          .with_string_to_value(
              std::make_shared<const std::function<std::optional<float>(std::string_view)>>(
                  [](std::string_view) -> std::optional<float> { return kNaN; }));
  EXPECT_FALSE(ParamPtr(&odd).string_to_normalized_value("x"));
}

TEST(FloatParam, ModulationKeepsUnmodulatedValue) {
  const FloatParam p("Depth", 0.5f, FloatRange::linear(0.0f, 1.0f));
  const ParamPtr ptr(&p);
  EXPECT_TRUE(ptr.modulate_value(0.25f));
  EXPECT_EQ(p.value(), 0.75f);
  EXPECT_EQ(p.unmodulated_value(), 0.5f);
  EXPECT_EQ(ptr.modulated_normalized_value(), 0.75f);
  EXPECT_EQ(ptr.unmodulated_normalized_value(), 0.5f);
  EXPECT_TRUE(p.set_plain_value(0.6f));
  EXPECT_FLOAT_EQ(p.value(), 0.85f);
  EXPECT_EQ(p.unmodulated_value(), 0.6f);
  // Clamped at the top: a different plain value with the same modulated result is no change.
  EXPECT_TRUE(ptr.modulate_value(0.9f));
  EXPECT_EQ(p.value(), 1.0f);
  EXPECT_FALSE(p.set_plain_value(0.7f));
  EXPECT_EQ(p.unmodulated_value(), 0.6f);
  EXPECT_TRUE(ptr.modulate_value(0.0f));
  EXPECT_EQ(p.value(), 0.6f);
}

TEST(FloatParam, UpdateSmoother) {
  const auto p = FloatParam("G", 0.0f, FloatRange::linear(0.0f, 1.0f))
                     .with_smoother(SmoothingStyle::Linear{10.0f});
  const ParamPtr ptr(&p);
  p.set_plain_value(1.0f);
  ptr.update_smoother(48000.0f, false);
  EXPECT_EQ(p.smoothed().steps_left(), 480);
  EXPECT_EQ(p.smoothed().target(), 1.0f);
  ptr.update_smoother(48000.0f, true);
  EXPECT_EQ(p.smoothed().steps_left(), 0);
  EXPECT_EQ(p.smoothed().current(), 1.0f);
}

TEST(IntParam, NormalisedAndText) {
  const IntParam p("Swarm Count", 4, IntRange::linear(2, 16));
  const ParamPtr ptr(&p);
  EXPECT_FLOAT_EQ(ptr.default_normalized_value(), 0.14285715f);
  EXPECT_EQ(ptr.step_count(), 14);
  EXPECT_TRUE(ptr.set_normalized_value(0.5f));
  EXPECT_EQ(p.value(), 9);
  EXPECT_EQ(ptr.normalized_value_to_string(0.5f, true), "9");
  EXPECT_EQ(ptr.string_to_normalized_value("+4"), 2.0f / 14.0f);
  EXPECT_EQ(ptr.string_to_normalized_value(" -4 "), 0.0f);
  EXPECT_EQ(ptr.string_to_normalized_value("\u00A0+4\u2003"), 2.0f / 14.0f);
  for (const char* bad : {"4.0", "", "+", "++4", "4x", "nan", "inf", "99999999999", "0x4"}) {
    EXPECT_FALSE(ptr.string_to_normalized_value(bad)) << bad;
  }
  EXPECT_EQ(ptr.string_to_normalized_value("-2147483648"), 0.0f);
  EXPECT_EQ(ptr.preview_normalized(9.9f), p.range().normalize(9));
  EXPECT_EQ(ptr.preview_normalized(kNaN), 0.0f);
  EXPECT_EQ(ptr.preview_normalized(1e20f), 1.0f);
  EXPECT_EQ(ptr.preview_plain(kNaN), 2.0f);
  EXPECT_TRUE(ptr.set_normalized_value(kNaN));
  EXPECT_EQ(p.value(), 2);
}

TEST(IntParam, UnitAndFormatter) {
  auto p = IntParam("Voices", 3, IntRange::linear(1, 8)).with_unit(" v");
  EXPECT_EQ(ParamPtr(&p).normalized_value_to_string(0.0f, true), "1 v");
  EXPECT_EQ(ParamPtr(&p).string_to_normalized_value("8 v"), 1.0f);
  p.with_value_to_string(std::make_shared<const std::function<std::string(std::int32_t)>>(
      [](std::int32_t v) { return fmt::format("#{}", v); }));
  EXPECT_EQ(ParamPtr(&p).normalized_value_to_string(1.0f, true), "#8 v");
}

TEST(IntParam, ModulationRoundsHalfAway) {
  const IntParam p("N", 0, IntRange::linear(0, 4));
  EXPECT_TRUE(p.modulate_value(0.125f));  // 0.125 * 4 = 0.5 -> 1
  EXPECT_EQ(p.value(), 1);
  EXPECT_EQ(p.unmodulated_value(), 0);
}

TEST(BoolParam, TextAndValues) {
  const BoolParam p("Lock Motion Enable", false);
  const ParamPtr ptr(&p);
  EXPECT_EQ(ptr.step_count(), 1);
  EXPECT_EQ(ptr.default_normalized_value(), 0.0f);
  for (const char* on : {"on", "ON", "true", "True", " on "})
    EXPECT_EQ(ptr.string_to_normalized_value(on), 1.0f) << on;
  for (const char* off : {"yes", "1", "", "onn"})
    EXPECT_EQ(ptr.string_to_normalized_value(off), 0.0f) << off;
  EXPECT_EQ(ptr.normalized_value_to_string(0.5f, true), "Off");
  EXPECT_EQ(ptr.normalized_value_to_string(0.51f, true), "On");
  EXPECT_EQ(ptr.preview_plain(0.3f), 0.3f);
  EXPECT_EQ(ptr.preview_normalized(0.7f), 0.7f);
  EXPECT_TRUE(ptr.set_normalized_value(0.6f));
  EXPECT_FALSE(ptr.set_normalized_value(1.0f));
  EXPECT_TRUE(p.value());
  EXPECT_TRUE(ptr.modulate_value(-0.6f));
  EXPECT_FALSE(p.value());
  EXPECT_TRUE(p.unmodulated_value());
  EXPECT_FLOAT_EQ(ptr.modulated_normalized_value(), 0.4f);
}

TEST(BoolParam, CustomParserMayRefuse) {
  const auto p = BoolParam("B", true).with_string_to_value(
      std::make_shared<const std::function<std::optional<bool>(std::string_view)>>(
          [](std::string_view t) -> std::optional<bool> {
            if (t == "yes") return true;
            if (t == "no") return false;
            return std::nullopt;
          }));
  EXPECT_EQ(ParamPtr(&p).string_to_normalized_value(" yes"), 1.0f);
  EXPECT_EQ(ParamPtr(&p).string_to_normalized_value("no"), 0.0f);
  EXPECT_FALSE(ParamPtr(&p).string_to_normalized_value("on"));
}

TEST(EnumParam, ChoiceNamesAndIndices) {
  const EnumParam p("Lock Motion Shape", 0, {"Sine", "Triangle", "Saw", "Square", "S&H"});
  const ParamPtr ptr(&p);
  EXPECT_EQ(ptr.kind(), ParamPtr::Kind::Enum);
  EXPECT_EQ(ptr.step_count(), 4);
  EXPECT_EQ(ptr.normalized_value_to_string(0.6f, true), "Saw");
  EXPECT_EQ(ptr.normalized_value_to_string(0.625f, true), "Square");
  EXPECT_EQ(ptr.string_to_normalized_value("Saw"), 0.5f);
  EXPECT_EQ(ptr.string_to_normalized_value("\u3000Saw\u00A0"), 0.5f);
  EXPECT_FALSE(ptr.string_to_normalized_value("saw"));
  EXPECT_TRUE(ptr.set_normalized_value(1.0f));
  EXPECT_EQ(p.value(), 4);
  EXPECT_FALSE(p.set_from_id("Saw"));  // no stable ids
  EXPECT_EQ(p.unmodulated_plain_id(), std::nullopt);
}

TEST(EnumParam, StableIds) {
  const EnumParam p("Mode", 1, {"A", "B", "C"}, std::vector<std::string>{"a", "b", "c"});
  EXPECT_EQ(p.unmodulated_plain_id(), "b");
  EXPECT_TRUE(p.set_from_id("c"));
  EXPECT_EQ(p.value(), 2);
  EXPECT_TRUE(p.set_from_id("c"));  // found, although unchanged
  EXPECT_FALSE(p.set_from_id("C"));
  EXPECT_EQ(p.value(), 2);
  // An out-of-range index (from a stored state) must not read past the list.
  p.set_plain_value(17);
  EXPECT_EQ(p.unmodulated_plain_id(), "c");
  p.set_plain_value(-3);
  EXPECT_EQ(p.unmodulated_plain_id(), "a");
}

TEST(ParamPtr, EqualityHashAndMetadata) {
  const auto f = FloatParam("F", 0.0f, FloatRange::linear(0.0f, 1.0f))
                     .with_unit(" dB")
                     .with_flags(param_flags::HIDDEN);
  const IntParam i("I", 0, IntRange::linear(0, 1));
  const BoolParam b("B", false);
  std::unordered_set<ParamPtr> set{ParamPtr(&f), ParamPtr(&i), ParamPtr(&b), ParamPtr(&f)};
  EXPECT_EQ(set.size(), 3u);
  EXPECT_EQ(ParamPtr(&f), ParamPtr(&f));
  EXPECT_FALSE(ParamPtr(&f) == ParamPtr(&i));
  EXPECT_EQ(ParamPtr(&f).unit(), " dB");
  EXPECT_EQ(ParamPtr(&f).flags(), param_flags::HIDDEN);
  EXPECT_EQ(ParamPtr(&b).unit(), "");
  EXPECT_EQ(ParamPtr(&i).name(), "I");
  EXPECT_EQ(ParamPtr(&f).as_float(), &f);
  EXPECT_EQ(ParamPtr(&f).as_int(), nullptr);
  EXPECT_EQ(ParamPtr(&b).poly_modulation_id(), std::nullopt);
}

}  // namespace
}  // namespace vessimor
