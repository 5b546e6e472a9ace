// The generated Unicode tables and our UTF-8 decoding against ICU, the reference the plug-in no
// longer links.
#include <gtest/gtest.h>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/util/utf8.hpp"
#include "framework/util/white_space.hpp"
#include "plugin/preset_text.hpp"

namespace vessimor {
namespace {

namespace unicode = presets::unicode;

std::vector<char32_t> icu_full_lowercase(char32_t c) {
  std::array<UChar, 2> source{};
  std::int32_t length = 0;
  U16_APPEND_UNSAFE(source.data(), length, static_cast<UChar32>(c));
  std::array<UChar, 8> lower{};
  UErrorCode error = U_ZERO_ERROR;
  const std::int32_t n = u_strToLower(lower.data(), static_cast<std::int32_t>(lower.size()),
                                      source.data(), length, "", &error);
  std::vector<char32_t> out;
  for (std::int32_t i = 0; U_SUCCESS(error) && i < n;) {
    UChar32 cp;
    U16_NEXT(lower.data(), i, n, cp);
    out.push_back(static_cast<char32_t>(cp));
  }
  return out;
}

std::string icu_lowercase(const std::string& text) {
  icu::UnicodeString wide = icu::UnicodeString::fromUTF8(text);
  wide.toLower(icu::Locale::getRoot());
  std::string out;
  wide.toUTF8String(out);
  return out;
}

// ICU's decoding: one U+FFFD per maximal ill-formed part.
std::string icu_lossy(const std::string& bytes, bool& valid) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const auto length = static_cast<std::int32_t>(bytes.size());
  std::string out;
  valid = true;
  for (std::int32_t i = 0; i < length;) {
    const std::int32_t start = i;
    UChar32 c;
    U8_NEXT(s, i, length, c);
    if (c < 0) {
      valid = false;
      out += "\xEF\xBF\xBD";
    } else {
      out.append(bytes, static_cast<std::size_t>(start), static_cast<std::size_t>(i - start));
    }
  }
  return out;
}

TEST(UnicodeTables, EveryCodePointAgreesWithIcu) {
  int mismatches = 0;
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;  // surrogates are never decoded from UTF-8
    const unicode::Lowercase ours = unicode::lowercase_of(c);
    const std::vector<char32_t> mapped(ours.code_points.begin(),
                                       ours.code_points.begin() + ours.length);
    const auto cp = static_cast<UChar32>(c);
    const bool agrees =
        mapped == icu_full_lowercase(c) &&
        unicode::is_cased(c) == u_hasBinaryProperty(cp, UCHAR_CASED) &&
        unicode::is_case_ignorable(c) == u_hasBinaryProperty(cp, UCHAR_CASE_IGNORABLE) &&
        util::is_white_space(c) == u_isUWhiteSpace(cp);
    if (!agrees && ++mismatches <= 5)
      ADD_FAILURE() << "U+" << std::hex << std::uppercase << static_cast<std::uint32_t>(c);
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(UnicodeTables, FinalSigmaFollowsItsContextLikeIcu) {
  // Around the sigma: letters, an apostrophe and a full stop (case-ignorable), a blank (neither),
  // a modifier letter that is both cased and case-ignorable, and a combining mark.
  for (const char* text : {"ΟΔΟΣ", "Σ", "ΑΣ", "ΑΣΑ", "Α'Σ", "ΑΣ'", "ΑΣ'Α", "Α.Σ.", "ΑΣ Β", "ʰΣ",
                           "Αʰ Σ", "ΑΣʰ", "ΑΣ\u0345", "ΣΣ", "ΑΣΣ", "a\u00ADΣ", "ΑΣ\u00ADβ"}) {
    EXPECT_EQ(presets::unicode_lowercase(text), icu_lowercase(text)) << text;
  }
}

TEST(UnicodeText, DecodesUtf8LikeIcu) {
  // Every sequence of up to four bytes from the values at the edges of the UTF-8 byte classes.
  constexpr std::array<std::uint8_t, 24> kEdges{0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0,
                                                0xBF, 0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xEC,
                                                0xED, 0xEE, 0xEF, 0xF0, 0xF3, 0xF4, 0xF5, 0xFF};
  int mismatches = 0;
  std::string bytes;
  const auto check = [&] {
    bool valid = false;
    const std::string expected = icu_lossy(bytes, valid);
    if ((presets::utf8_lossy(bytes) != expected || util::is_valid_utf8(bytes) != valid) &&
        ++mismatches <= 5) {
      ADD_FAILURE() << ::testing::PrintToString(bytes);
    }
  };
  for (std::uint8_t a : kEdges) {
    bytes.assign(1, static_cast<char>(a));
    check();
    for (std::uint8_t b : kEdges) {
      bytes.resize(1);
      bytes += static_cast<char>(b);
      check();
      for (std::uint8_t c : kEdges) {
        bytes.resize(2);
        bytes += static_cast<char>(c);
        check();
        for (std::uint8_t d : kEdges) {
          bytes.resize(3);
          bytes += static_cast<char>(d);
          check();
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace vessimor
