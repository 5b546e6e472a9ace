#include "wrapper/vst3/util.hpp"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "platform/vst3/vst3.hpp"

namespace vessimor {
namespace {

std::u16string field_text(const char16_t* field) {
  return std::u16string(field);
}

TEST(U16strlcpy, WritesUtf16CutToTheFieldWithAZeroUnit) {
  std::array<char16_t, 6> field{};
  field.fill(u'#');
  util::u16strlcpy(field.data(), field.size(), "Vessimor");
  EXPECT_EQ(field_text(field.data()), u"Vessi");

  field.fill(u'#');
  util::u16strlcpy(field.data(), field.size(), "Gain \xC3\xA9");  // "Gain é"
  EXPECT_EQ(field_text(field.data()), u"Gain ");
  util::u16strlcpy(field.data(), field.size(), "\xC3\xA9\xE2\x82\xAC");  // "é€"
  EXPECT_EQ(field_text(field.data()), u"\u00E9\u20AC");

  // A character outside the basic plane needs two units; it is left out rather than split.
  field.fill(u'#');
  util::u16strlcpy(field.data(), field.size(), "abcd\xF0\x9F\x8E\xB5");
  EXPECT_EQ(field_text(field.data()), u"abcd");
  util::u16strlcpy(field.data(), field.size(), "ab\xF0\x9F\x8E\xB5");
  EXPECT_EQ(field_text(field.data()), u"ab\U0001F3B5");

  // Bytes that are not UTF-8 become replacement characters.
  util::u16strlcpy(field.data(), field.size(), "a\xFF\xC3z");
  EXPECT_EQ(field_text(field.data()), u"a\uFFFD\uFFFDz");
}

TEST(U16strlcpy, ZeroCapacityOrAnEmbeddedZeroWritesNothing) {
  std::array<char16_t, 4> field{u'x', u'y', u'z', u'\0'};
  util::u16strlcpy(field.data(), 0, "abc");
  EXPECT_EQ(field_text(field.data()), u"xyz");
  util::u16strlcpy(field.data(), field.size(), std::string_view("a\0b", 3));
  EXPECT_EQ(field_text(field.data()), u"xyz");
  util::u16strlcpy(field.data(), 1, "abc");
  EXPECT_EQ(field_text(field.data()), u"");
}

TEST(Vst3Subcategories, JoinedInOrderWithBars) {
  const std::array<Vst3SubCategory, 3> list = {Vst3SubCategory::Fx, Vst3SubCategory::PitchShift,
                                               Vst3SubCategory::custom("Ring Mod")};
  EXPECT_EQ(vst3::make_subcategories_string(list), "Fx|Pitch Shift|Ring Mod");
  EXPECT_EQ(vst3::make_subcategories_string({}), "");
  EXPECT_EQ(Vst3SubCategory(Vst3SubCategory::Ambisonics).text(), "Ambisonics");
  EXPECT_EQ(Vst3SubCategory(Vst3SubCategory::UpDownmix).text(), "Up-Downmix");
}

TEST(Vst3Abi, InterfaceIdsAreTheirWordsMostSignificantByteFirst) {
  const std::array<unsigned char, 16> component = {0xE8, 0x31, 0xFF, 0x31, 0xF2, 0xD5, 0x43, 0x01,
                                                   0x92, 0x8E, 0xBB, 0xEE, 0x25, 0x69, 0x78, 0x02};
  EXPECT_EQ(vst3::abi::IComponent::iid.bytes, component);
  const std::array<unsigned char, 16> unknown = {0,    0, 0, 0, 0, 0, 0, 0,
                                                 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
  EXPECT_EQ(vst3::abi::FUnknown::iid.bytes, unknown);
  EXPECT_EQ(vst3::abi::IPluginFactory2::iid.bytes[1], 0x07);
  EXPECT_TRUE(vst3::abi::IUnitInfo::iid.matches(vst3::abi::IUnitInfo::iid.data()));
  EXPECT_FALSE(vst3::abi::IUnitInfo::iid.matches(nullptr));
  EXPECT_EQ(vst3::abi::kNoInterface, -1);
  EXPECT_EQ(vst3::abi::kInvalidArgument, 2);
}

}  // namespace
}  // namespace vessimor
