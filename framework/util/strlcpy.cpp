#include "framework/util/strlcpy.hpp"

#include <algorithm>
#include <cstring>

namespace vessimor::util {

void strlcpy(char* dest, std::size_t size, std::string_view text) noexcept {
  if (size == 0 || dest == nullptr) {
    return;
  }
  const std::size_t count = std::min(text.size(), size - 1);
  if (count > 0) {
    std::memcpy(dest, text.data(), count);
  }
  dest[count] = '\0';
}

}  // namespace vessimor::util
