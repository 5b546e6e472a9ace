#pragma once

#include <string_view>

// Unicode white space, from a table generated from the Unicode Character Database at build time,
// so that the plug-in needs no Unicode library at run time. Everything that trims text a user or
// a host typed (parameter text, preset names) trims this one set.
namespace vessimor::util {

// Whether `c` has the Unicode White_Space property. Thread: any
bool is_white_space(char32_t c) noexcept;

// `text` without Unicode white space at either end. Ill-formed UTF-8 is never white space.
// Thread: any
std::string_view trim_white_space(std::string_view text) noexcept;

}  // namespace vessimor::util
