#pragma once

#include <cstddef>
#include <string_view>

namespace vessimor::util {

// One character decoded from the start of UTF-8 bytes.
struct Utf8Char {
  char32_t code_point;  // U+FFFD when not valid
  std::size_t length;   // bytes taken: a whole character, or one maximal ill-formed part
  bool valid;
};

// Decodes the character at the start of `bytes` (not empty). An ill-formed sequence takes its
// maximal part: the lead byte and the continuation bytes that could still begin a character, so
// that the byte that breaks it starts the next step (one U+FFFD each, as Unicode recommends).
// Thread: any
Utf8Char decode_utf8(std::string_view bytes) noexcept;

// The length of the longest prefix of `bytes` that is well-formed UTF-8 (no overlong forms, no
// surrogates, nothing above U+10FFFF). Thread: any
std::size_t valid_utf8_prefix(std::string_view bytes) noexcept;

// Whether all of `bytes` is well-formed UTF-8. Thread: any
inline bool is_valid_utf8(std::string_view bytes) noexcept {
  return valid_utf8_prefix(bytes) == bytes.size();
}

}  // namespace vessimor::util
