#include "plugin/preset_text.hpp"

#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <cstdint>

namespace vessimor::presets {
namespace {

const auto* as_bytes(std::string_view s) {
  return reinterpret_cast<const std::uint8_t*>(s.data());
}

}  // namespace

bool is_valid_utf8(std::string_view bytes) {
  const auto* s = as_bytes(bytes);
  const auto length = static_cast<std::int64_t>(bytes.size());
  std::int64_t i = 0;
  while (i < length) {
    UChar32 c;
    U8_NEXT(s, i, length, c);
    if (c < 0) return false;
  }
  return true;
}

std::string utf8_lossy(std::string_view bytes) {
  if (is_valid_utf8(bytes)) return std::string(bytes);
  const auto* s = as_bytes(bytes);
  const auto length = static_cast<std::int64_t>(bytes.size());
  std::string out;
  out.reserve(bytes.size() + 8);
  std::int64_t i = 0;
  while (i < length) {
    const std::int64_t start = i;
    UChar32 c;
    // U8_NEXT skips exactly one maximal ill-formed subpart on error.
    U8_NEXT(s, i, length, c);
    if (c < 0) {
      out += "\xEF\xBF\xBD";
    } else {
      out.append(
          bytes.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(i - start)));
    }
  }
  return out;
}

std::string_view trim_unicode_space(std::string_view text) {
  // ICU's backward step works on 32-bit offsets; no preset name comes near that size.
  if (text.size() > static_cast<std::size_t>(INT32_MAX)) return text;
  const auto* s = as_bytes(text);
  const auto length = static_cast<std::int32_t>(text.size());
  std::int32_t begin = 0;
  while (begin < length) {
    std::int32_t next = begin;
    UChar32 c;
    U8_NEXT(s, next, length, c);
    if (c < 0 || !u_isUWhiteSpace(c)) break;
    begin = next;
  }
  std::int32_t end = length;
  while (end > begin) {
    std::int32_t prev = end;
    UChar32 c;
    U8_PREV(s, begin, prev, c);
    if (c < 0 || !u_isUWhiteSpace(c)) break;
    end = prev;
  }
  return text.substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin));
}

std::string unicode_lowercase(std::string_view text) {
  const std::string valid = utf8_lossy(text);
  icu::UnicodeString wide = icu::UnicodeString::fromUTF8(valid);
  wide.toLower(icu::Locale::getRoot());
  std::string out;
  wide.toUTF8String(out);
  return out;
}

}  // namespace vessimor::presets
