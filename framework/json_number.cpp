#include "framework/json_number.hpp"

#include <cmath>
#include <string_view>

#include "framework/float_text.hpp"

namespace vessimor {

std::string json_f32(float v) {
  if (!std::isfinite(v)) return "null";
  const std::string plain = float_text::shortest(v);  // never in exponent form

  // Split into sign, significant digits and the decimal exponent of the first significant digit.
  std::string_view rest(plain);
  const bool negative = !rest.empty() && rest.front() == '-';
  if (negative) rest.remove_prefix(1);
  const auto point = rest.find('.');
  const std::size_t int_len = point == std::string_view::npos ? rest.size() : point;
  std::string digits(rest.substr(0, int_len));
  if (point != std::string_view::npos) digits += rest.substr(point + 1);
  const auto first = digits.find_first_not_of('0');
  if (first == std::string::npos) return negative ? "-0.0" : "0.0";
  const int exponent = static_cast<int>(int_len) - 1 - static_cast<int>(first);

  if (exponent >= -6 && exponent <= 12) {
    return point == std::string_view::npos ? plain + ".0" : plain;
  }
  std::string significant = digits.substr(first);
  significant.erase(significant.find_last_not_of('0') + 1);
  std::string out = negative ? "-" : "";
  out += significant[0];
  if (significant.size() > 1) {
    out += '.';
    out.append(significant, 1, std::string::npos);
  }
  out += exponent < 0 ? "e-" : "e+";
  out += std::to_string(exponent < 0 ? -exponent : exponent);
  return out;
}

namespace {

void write_value(const Json& value, JsonLayout layout, int depth, std::string& out) {
  const bool pretty = layout == JsonLayout::Pretty;
  const auto newline_indent = [&](int level) {
    if (!pretty) return;
    out += '\n';
    out.append(static_cast<std::size_t>(level) * 2, ' ');
  };

  switch (value.type()) {
    case Json::value_t::object: {
      if (value.empty()) {
        out += "{}";
        return;
      }
      out += '{';
      bool first = true;
      for (const auto& [key, member] : value.items()) {
        if (!first) out += ',';
        first = false;
        newline_indent(depth + 1);
        out += Json(key).dump();
        out += pretty ? ": " : ":";
        write_value(member, layout, depth + 1, out);
      }
      newline_indent(depth);
      out += '}';
      return;
    }
    case Json::value_t::array: {
      if (value.empty()) {
        out += "[]";
        return;
      }
      out += '[';
      bool first = true;
      for (const auto& element : value) {
        if (!first) out += ',';
        first = false;
        newline_indent(depth + 1);
        write_value(element, layout, depth + 1, out);
      }
      newline_indent(depth);
      out += ']';
      return;
    }
    case Json::value_t::number_float:
      out += json_f32(value.get<float>());
      return;
    default:
      // Strings (with their escaping and UTF-8 check), integers, booleans and null.
      out += value.dump();
      return;
  }
}

}  // namespace

std::string write_json(const Json& value, JsonLayout layout) {
  std::string out;
  write_value(value, layout, 0, out);
  return out;
}

}  // namespace vessimor
