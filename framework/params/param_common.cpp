#include "framework/params/param_common.hpp"

#include <charconv>
#include <cmath>

#include "framework/util/white_space.hpp"

namespace vessimor::param_text {

namespace {
char lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
}  // namespace

std::string_view trim(std::string_view text) {
  return util::trim_white_space(text);
}

std::string_view strip_unit(std::string_view text, std::string_view unit) {
  if (unit.empty()) return text;
  while (text.size() >= unit.size() && text.substr(text.size() - unit.size()) == unit) {
    text.remove_suffix(unit.size());
  }
  return text;
}

int step_size_decimals(float step_size) {
  const float rounded = std::round(step_size * 1000000.0f) / 1000000.0f;
  // One product per power: multiplying by ten repeatedly rounds each time, and 0.01 * 10 * 10
  // lands just below 1.
  constexpr float kPowersOfTen[] = {1.0f, 10.0f, 100.0f, 1000.0f, 10000.0f, 100000.0f};
  for (int k = 0; k <= 5; ++k) {
    if (rounded * kPowersOfTen[k] >= 1.0f) return k;
  }
  return 0;
}

std::optional<std::int32_t> parse_i32(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  // Magnitude in 64 bits so that the most negative value parses; from_chars reports overflow.
  std::uint64_t magnitude = 0;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
  if (ec != std::errc() || ptr != text.data() + text.size()) return std::nullopt;
  if (negative) {
    if (magnitude > 2147483648ull) return std::nullopt;
    return static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude));
  }
  if (magnitude > 2147483647ull) return std::nullopt;
  return static_cast<std::int32_t>(magnitude);
}

bool equals_ignoring_ascii_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace vessimor::param_text
