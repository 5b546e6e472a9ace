#pragma once

#include <cstddef>
#include <string_view>

namespace vessimor::util {

// The length of the longest prefix of `bytes` that is well-formed UTF-8 (no overlong forms, no
// surrogates, nothing above U+10FFFF). Thread: any
std::size_t valid_utf8_prefix(std::string_view bytes) noexcept;

// Whether all of `bytes` is well-formed UTF-8. Thread: any
inline bool is_valid_utf8(std::string_view bytes) noexcept {
  return valid_utf8_prefix(bytes) == bytes.size();
}

}  // namespace vessimor::util
