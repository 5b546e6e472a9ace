#include "framework/util/utf8.hpp"

namespace vessimor::util {

namespace {
constexpr char32_t kReplacement = 0xFFFD;
}  // namespace

Utf8Char decode_utf8(std::string_view bytes) noexcept {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  const unsigned lead = byte(0);
  if (lead < 0x80) return {lead, 1, true};
  std::size_t continuations = 0;
  char32_t c = 0;
  unsigned low = 0x80;
  unsigned high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    continuations = 1;
    c = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    continuations = 2;
    c = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;   // overlong below
    if (lead == 0xED) high = 0x9F;  // surrogates above
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    continuations = 3;
    c = lead & 0x07;
    if (lead == 0xF0) low = 0x90;   // overlong below
    if (lead == 0xF4) high = 0x8F;  // beyond U+10FFFF above
  } else {
    return {kReplacement, 1, false};
  }
  std::size_t i = 1;
  for (; i <= continuations; ++i) {
    if (i >= bytes.size() || byte(i) < low || byte(i) > high) return {kReplacement, i, false};
    c = (c << 6) | (byte(i) & 0x3F);
    low = 0x80;
    high = 0xBF;
  }
  return {c, i, true};
}

std::size_t valid_utf8_prefix(std::string_view bytes) noexcept {
  std::size_t at = 0;
  while (at < bytes.size()) {
    const Utf8Char c = decode_utf8(bytes.substr(at));
    if (!c.valid) return at;
    at += c.length;
  }
  return at;
}

}  // namespace vessimor::util
