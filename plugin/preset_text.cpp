#include "plugin/preset_text.hpp"

#include <algorithm>
#include <iterator>

#include "framework/util/utf8.hpp"

namespace vessimor::presets {
namespace unicode {
namespace {

struct LowercaseMapping {
  char32_t code_point;
  std::uint8_t length;
  std::array<char32_t, 3> lower;
};

struct CodePointRange {
  char32_t first;
  char32_t last;
};

// kLowercase, kCased, kCaseIgnorable: sorted by code point.
#include "plugin/unicode_tables.inc"

template <std::size_t N>
bool in_ranges(const CodePointRange (&ranges)[N], char32_t c) noexcept {
  const auto* after =
      std::upper_bound(std::begin(ranges), std::end(ranges), c,
                       [](char32_t v, const CodePointRange& r) { return v < r.first; });
  return after != std::begin(ranges) && c <= std::prev(after)->last;
}

}  // namespace

Lowercase lowercase_of(char32_t c) noexcept {
  const auto* found =
      std::lower_bound(std::begin(kLowercase), std::end(kLowercase), c,
                       [](const LowercaseMapping& m, char32_t v) { return m.code_point < v; });
  if (found == std::end(kLowercase) || found->code_point != c) return Lowercase{1, {c, 0, 0}};
  return Lowercase{found->length, found->lower};
}

bool is_cased(char32_t c) noexcept {
  return in_ranges(kCased, c);
}

bool is_case_ignorable(char32_t c) noexcept {
  return in_ranges(kCaseIgnorable, c);
}

}  // namespace unicode

namespace {

using util::decode_utf8;

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kCapitalSigma = 0x03A3;
constexpr char32_t kFinalSmallSigma = 0x03C2;

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::u32string decode_lossy(std::string_view bytes) {
  std::u32string text;
  text.reserve(bytes.size());
  while (!bytes.empty()) {
    const util::Utf8Char d = decode_utf8(bytes);
    text += d.code_point;
    bytes.remove_prefix(d.length);
  }
  return text;
}

// Whether, past any case-ignorable characters, the first character met is cased. A character that
// is both is passed over as ignorable, as the common Unicode libraries do.
template <typename It>
bool cased_beyond_ignorables(It begin, It end) {
  for (It it = begin; it != end; ++it) {
    if (unicode::is_case_ignorable(*it)) continue;
    return unicode::is_cased(*it);
  }
  return false;
}

// The Final_Sigma context: a cased letter before (past case-ignorables) and none after.
bool is_final_sigma(const std::u32string& text, std::size_t at) {
  const auto position = text.begin() + static_cast<std::ptrdiff_t>(at);
  return cased_beyond_ignorables(std::make_reverse_iterator(position), text.rend()) &&
         !cased_beyond_ignorables(position + 1, text.end());
}

}  // namespace

std::string utf8_lossy(std::string_view bytes) {
  if (util::is_valid_utf8(bytes)) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() + 8);
  while (!bytes.empty()) {
    const util::Utf8Char d = decode_utf8(bytes);
    if (d.valid) {
      out.append(bytes.substr(0, d.length));
    } else {
      append_utf8(out, kReplacement);
    }
    bytes.remove_prefix(d.length);
  }
  return out;
}

std::string unicode_lowercase(std::string_view text) {
  const std::u32string wide = decode_lossy(text);
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < wide.size(); ++i) {
    if (wide[i] == kCapitalSigma && is_final_sigma(wide, i)) {
      append_utf8(out, kFinalSmallSigma);
      continue;
    }
    const unicode::Lowercase lower = unicode::lowercase_of(wide[i]);
    for (std::size_t k = 0; k < lower.length; ++k) append_utf8(out, lower.code_points[k]);
  }
  return out;
}

}  // namespace vessimor::presets
