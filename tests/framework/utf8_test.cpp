#include "framework/util/utf8.hpp"

#include <gtest/gtest.h>

#include "framework/util/white_space.hpp"

namespace vessimor::util {
namespace {

TEST(Utf8, TheValidPrefixEndsAtTheFirstIllFormedSequence) {
  EXPECT_EQ(valid_utf8_prefix("plain"), 5u);
  EXPECT_EQ(valid_utf8_prefix("a\xc3\xa9\xe2\x82\xac\xf0\x9f\x8e\xb5"), 10u);  // é € 🎵
  EXPECT_EQ(valid_utf8_prefix(std::string_view("a\0b", 3)), 3u);
  EXPECT_EQ(valid_utf8_prefix("ab\xc0\xaf"), 2u);          // overlong "/"
  EXPECT_EQ(valid_utf8_prefix("ab\xed\xa0\x80"), 2u);      // a surrogate
  EXPECT_EQ(valid_utf8_prefix("ab\xf4\x90\x80\x80"), 2u);  // above U+10FFFF
  EXPECT_EQ(valid_utf8_prefix("ab\xe2\x82"), 2u);          // cut short
  EXPECT_EQ(valid_utf8_prefix("ab\x80"), 2u);              // a lone continuation byte
  EXPECT_EQ(valid_utf8_prefix("\xc3\x28"), 0u);            // a lead without its continuation
  EXPECT_TRUE(is_valid_utf8("\xf4\x8f\xbf\xbf"));          // U+10FFFF
  EXPECT_FALSE(is_valid_utf8("\xff"));
}

TEST(WhiteSpace, UnicodeWhiteSpaceIsTrimmedAtBothEnds) {
  EXPECT_EQ(trim_white_space("\t\u2003 a b \u3000\n"), "a b");
  EXPECT_EQ(trim_white_space("\u00A0\u0085\u2028\u2029"), "");
  EXPECT_EQ(trim_white_space("\u200Bx"), "\u200Bx");      // a zero-width space is not white space
  EXPECT_EQ(trim_white_space("\xA0x\xC2"), "\xA0x\xC2");  // nor are ill-formed bytes
}

}  // namespace
}  // namespace vessimor::util
