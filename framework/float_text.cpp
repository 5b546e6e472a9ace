#include "framework/float_text.hpp"

#include <fast_float/fast_float.h>
#include <fmt/format.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <system_error>

namespace vessimor::float_text {

namespace {

// fmt gives the shortest round-trip digits but switches to exponent form for very large and very
// small magnitudes ("1e+20", "1.5e-07"); move the point instead so no text ever has an exponent.
std::string without_exponent(const std::string& text) {
  const auto e_pos = text.find('e');
  if (e_pos == std::string::npos) return text;

  std::string_view mantissa(text.data(), e_pos);
  const int exponent = std::atoi(text.c_str() + e_pos + 1);

  std::string sign;
  if (!mantissa.empty() && mantissa.front() == '-') {
    sign = "-";
    mantissa.remove_prefix(1);
  }
  std::string digits;
  int int_digits = 0;  // digits before the point in the mantissa
  bool seen_point = false;
  for (const char c : mantissa) {
    if (c == '.') {
      seen_point = true;
      continue;
    }
    digits.push_back(c);
    if (!seen_point) ++int_digits;
  }

  const int point = int_digits + exponent;  // position of the point within `digits`
  std::string out = sign;
  if (point <= 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-point), '0');
    out += digits;
  } else if (point >= static_cast<int>(digits.size())) {
    out += digits;
    out.append(static_cast<std::size_t>(point) - digits.size(), '0');
  } else {
    out.append(digits, 0, static_cast<std::size_t>(point));
    out += '.';
    out.append(digits, static_cast<std::size_t>(point), std::string::npos);
  }
  return out;
}

bool equals_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char c = a[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != b[i]) return false;
  }
  return true;
}

}  // namespace

std::string shortest(float v) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
  return without_exponent(fmt::format("{}", v));
}

std::string fixed(float v, int decimals) {
  if (decimals < 0) decimals = 0;
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
  // fmt formats the exact binary value and rounds it correctly (ties to even) and keeps the sign of
  // a negative value that rounds to zero.
  // A float's exact value has at most 149 digits after the point, so longer texts only add zeros;
  // padding them here also avoids fmt's faulty output for very large precisions.
  constexpr int kExactDigits = 150;
  const int formatted = decimals < kExactDigits ? decimals : kExactDigits;
  std::string text = fmt::format("{:.{}f}", v, formatted);
  text.append(static_cast<std::size_t>(decimals - formatted), '0');
  return text;
}

std::optional<float> parse(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || text.front() == '+' || text.front() == '-') return std::nullopt;

  float value = 0.0f;
  if (equals_ignoring_case(text, "inf") || equals_ignoring_case(text, "infinity")) {
    value = HUGE_VALF;
  } else if (equals_ignoring_case(text, "nan")) {
    value = std::numeric_limits<float>::quiet_NaN();
  } else {
    // Special words were handled above, so only plain decimal digits may reach the library; this
    // also keeps out the "nan(...)" form it would otherwise accept.
    const char c = text.front();
    if (!((c >= '0' && c <= '9') || c == '.')) return std::nullopt;
    const auto result = fast_float::from_chars(text.data(), text.data() + text.size(), value);
    const bool out_of_range = result.ec == std::errc::result_out_of_range;
    if ((result.ec != std::errc() && !out_of_range) || result.ptr != text.data() + text.size()) {
      return std::nullopt;
    }
  }
  return negative ? -value : value;
}

}  // namespace vessimor::float_text
