#include "wrapper/vst3/util.hpp"

#include <cstdint>

namespace vessimor::util {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence at text[pos] and moves pos past it; a malformed sequence (wrong
// continuation, overlong form, surrogate, beyond U+10FFFF) gives U+FFFD for its first byte.
char32_t decode_utf8(std::string_view text, std::size_t& pos) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(pos);
  std::size_t length = 0;
  char32_t code = 0;
  char32_t minimum = 0;
  if (lead < 0x80) {
    ++pos;
    return lead;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, code = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, code = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, code = lead & 0x07, minimum = 0x10000;
  } else {
    ++pos;
    return kReplacement;
  }
  if (pos + length > text.size()) {
    ++pos;
    return kReplacement;
  }
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(pos + i) & 0xC0) != 0x80) {
      ++pos;
      return kReplacement;
    }
    code = (code << 6) | (byte(pos + i) & 0x3F);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
    ++pos;
    return kReplacement;
  }
  pos += length;
  return code;
}

}  // namespace

void u16strlcpy(char16_t* dest, std::size_t capacity, std::string_view text) noexcept {
  if (dest == nullptr || capacity == 0 || text.find('\0') != std::string_view::npos) {
    return;
  }
  std::size_t written = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const char32_t code = decode_utf8(text, pos);
    const std::size_t units = code > 0xFFFF ? 2 : 1;
    if (written + units > capacity - 1) break;
    if (units == 2) {
      dest[written++] = static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
      dest[written++] = static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      dest[written++] = static_cast<char16_t>(code);
    }
  }
  dest[written] = u'\0';
}

std::optional<std::string> u16_to_utf8(const char16_t* text, std::size_t capacity) {
  std::string out;
  for (std::size_t i = 0; i < capacity; ++i) {
    char32_t code = text[i];
    if (code == 0) return out;
    if (code >= 0xDC00 && code <= 0xDFFF) return std::nullopt;
    if (code >= 0xD800 && code <= 0xDBFF) {
      const char32_t low = i + 1 < capacity ? text[i + 1] : 0;
      if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
      code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
      ++i;
    }
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return std::nullopt;
}

}  // namespace vessimor::util

namespace vessimor::vst3 {

std::string make_subcategories_string(std::span<const Vst3SubCategory> subcategories) {
  std::string joined;
  for (const Vst3SubCategory& subcategory : subcategories) {
    if (&subcategory != subcategories.data()) joined += '|';
    joined += subcategory.text();
  }
  return joined;
}

}  // namespace vessimor::vst3
