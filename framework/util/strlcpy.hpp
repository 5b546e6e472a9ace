#pragma once

#include <cstddef>
#include <string_view>

namespace vessimor::util {

// Copies as much of `text` as fits into a fixed-size text field and zero-terminates it; a field
// of size 0 is left untouched. The cut is by bytes, so a multi-byte character may be split.
// Thread: any
void strlcpy(char* dest, std::size_t size, std::string_view text) noexcept;

}  // namespace vessimor::util
