#include "framework/util/white_space.hpp"

#include <algorithm>
#include <iterator>

#include "framework/util/utf8.hpp"

namespace vessimor::util {

namespace {

struct CodePointRange {
  char32_t first;
  char32_t last;
};

// kWhiteSpace: the White_Space ranges, sorted by code point.
#include "framework/unicode_white_space.inc"

}  // namespace

bool is_white_space(char32_t c) noexcept {
  const auto* after =
      std::upper_bound(std::begin(kWhiteSpace), std::end(kWhiteSpace), c,
                       [](char32_t v, const CodePointRange& r) { return v < r.first; });
  return after != std::begin(kWhiteSpace) && c <= std::prev(after)->last;
}

std::string_view trim_white_space(std::string_view text) noexcept {
  std::size_t begin = 0;
  std::size_t end = 0;  // just past the last character that is not white space
  bool leading = true;
  for (std::size_t at = 0; at < text.size();) {
    const Utf8Char c = decode_utf8(text.substr(at));
    const bool space = c.valid && is_white_space(c.code_point);
    if (leading && space) begin = at + c.length;
    if (!space) {
      leading = false;
      end = at + c.length;
    }
    at += c.length;
  }
  return leading ? text.substr(text.size(), 0) : text.substr(begin, end - begin);
}

}  // namespace vessimor::util
