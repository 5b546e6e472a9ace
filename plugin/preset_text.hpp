#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// Unicode helpers for preset names and file names. The case data are tables generated from the
// Unicode Character Database at build time, so the plug-in needs no Unicode library at run time;
// white space and UTF-8 decoding are the framework's (framework/util/).
namespace vessimor::presets {

// `bytes` with each ill-formed UTF-8 sequence replaced by U+FFFD, one per maximal ill-formed part.
std::string utf8_lossy(std::string_view bytes);

// The full Unicode lowercase mapping of the whole text (not locale-tailored; a final capital sigma
// becomes a final small sigma). Ill-formed bytes become U+FFFD first.
std::string unicode_lowercase(std::string_view text);

// The character properties behind the functions above, one code point at a time.
namespace unicode {

// A full lowercase mapping: one to three code points.
struct Lowercase {
  std::uint8_t length = 1;
  std::array<char32_t, 3> code_points{};
};

// The full lowercase mapping of `c` outside any context: a capital sigma maps to the medial
// small sigma here, since only the text around it can make it final.
Lowercase lowercase_of(char32_t c) noexcept;
bool is_cased(char32_t c) noexcept;
bool is_case_ignorable(char32_t c) noexcept;

}  // namespace unicode
}  // namespace vessimor::presets
