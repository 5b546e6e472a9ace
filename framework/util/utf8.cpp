#include "framework/util/utf8.hpp"

#include <cstdint>

namespace vessimor::util {

std::size_t valid_utf8_prefix(std::string_view bytes) noexcept {
  const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(bytes[at]); };
  std::size_t i = 0;
  while (i < bytes.size()) {
    const unsigned char lead = byte(i);
    std::size_t length = 1;
    std::uint32_t code = lead;
    std::uint32_t min = 0;
    if (lead >= 0x80) {
      if ((lead & 0xE0) == 0xC0) {
        length = 2, min = 0x80, code = lead & 0x1F;
      } else if ((lead & 0xF0) == 0xE0) {
        length = 3, min = 0x800, code = lead & 0x0F;
      } else if ((lead & 0xF8) == 0xF0) {
        length = 4, min = 0x10000, code = lead & 0x07;
      } else {
        return i;
      }
      if (bytes.size() - i < length) return i;
      for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return i;
        code = (code << 6) | (byte(i + k) & 0x3F);
      }
      if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return i;
    }
    i += length;
  }
  return i;
}

}  // namespace vessimor::util
