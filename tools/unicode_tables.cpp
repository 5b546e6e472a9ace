// vessimor-unicode-tables: writes the Unicode tables the plug-in needs as C++ include files, from
// the Unicode Character Database, so that the plug-in modules carry their own Unicode data
// instead of needing a Unicode library at run time.
//
// Usage: vessimor-unicode-tables case OUTPUT UnicodeData.txt SpecialCasing.txt
//                                     DerivedCoreProperties.txt
//        vessimor-unicode-tables white-space OUTPUT PropList.txt
//
// Tables written, "case" (preset names' case rules, plugin/):
//   kLowercase        every code point whose full lowercase mapping is not itself: the simple
//                     mapping of UnicodeData.txt, replaced by the unconditional mapping of
//                     SpecialCasing.txt where it has one (up to three code points)
//   kCased, kCaseIgnorable
//                     the ranges of the two properties the Final_Sigma context is built from
// "white-space" (the one white-space set every trim uses, framework/):
//   kWhiteSpace       the White_Space ranges
// Language-tailored mappings (lt, tr, az) are left out. The only other condition the root
// mapping knows is Final_Sigma on U+03A3, which the plug-in's code applies; any other condition
// stops the generator so that a new Unicode version cannot slip one past unnoticed.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr char32_t kCapitalSigma = 0x03A3;
constexpr char32_t kFinalSigma = 0x03C2;

std::string trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

std::vector<std::string> split(const std::string& line, char separator) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, separator)) fields.push_back(trim(field));
  if (!line.empty() && line.back() == separator) fields.emplace_back();
  return fields;
}

char32_t code_point(const std::string& hex) {
  std::size_t used = 0;
  const unsigned long value = std::stoul(hex, &used, 16);
  if (used != hex.size() || value > 0x10FFFF) throw std::runtime_error("bad code point: " + hex);
  return static_cast<char32_t>(value);
}

std::vector<char32_t> code_points(const std::string& list) {
  std::vector<char32_t> out;
  std::istringstream in(list);
  std::string hex;
  while (in >> hex) out.push_back(code_point(hex));
  return out;
}

std::vector<std::string> data_lines(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    const auto hash = line.find('#');
    if (hash != std::string::npos) line.erase(hash);
    line = trim(line);
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

using Mapping = std::vector<char32_t>;

std::map<char32_t, Mapping> lowercase_mappings(const std::string& unicode_data,
                                               const std::string& special_casing) {
  std::map<char32_t, Mapping> lower;
  for (const std::string& line : data_lines(unicode_data)) {
    const auto fields = split(line, ';');
    if (fields.size() < 14) throw std::runtime_error("short UnicodeData line: " + line);
    if (!fields[13].empty()) lower[code_point(fields[0])] = {code_point(fields[13])};
  }
  bool final_sigma_seen = false;
  for (const std::string& line : data_lines(special_casing)) {
    const auto fields = split(line, ';');
    if (fields.size() < 4) throw std::runtime_error("short SpecialCasing line: " + line);
    const char32_t c = code_point(fields[0]);
    const std::string condition = fields.size() > 4 ? fields[4] : std::string();
    if (condition.empty()) {
      const Mapping mapping = code_points(fields[1]);
      if (mapping.empty() || mapping.size() > 3) {
        throw std::runtime_error("unexpected mapping length: " + line);
      }
      if (mapping == Mapping{c}) {
        lower.erase(c);
      } else {
        lower[c] = mapping;
      }
      continue;
    }
    // Conditions that begin with a language tag belong to that language's tailoring.
    const std::string first = condition.substr(0, condition.find(' '));
    const bool language =
        !first.empty() && first.size() <= 3 &&
        std::all_of(first.begin(), first.end(), [](char ch) { return ch >= 'a' && ch <= 'z'; });
    if (language) continue;
    if (condition == "Final_Sigma" && c == kCapitalSigma &&
        code_points(fields[1]) == Mapping{kFinalSigma}) {
      final_sigma_seen = true;
      continue;
    }
    throw std::runtime_error("unhandled casing condition: " + line);
  }
  if (!final_sigma_seen) throw std::runtime_error("SpecialCasing.txt lacks Final_Sigma");
  return lower;
}

using Ranges = std::vector<std::pair<char32_t, char32_t>>;

Ranges property_ranges(const std::string& path, const std::string& property) {
  Ranges ranges;
  for (const std::string& line : data_lines(path)) {
    const auto fields = split(line, ';');
    if (fields.size() < 2 || fields[1] != property) continue;
    const auto dots = fields[0].find("..");
    const char32_t first = code_point(fields[0].substr(0, dots));
    const char32_t last =
        dots == std::string::npos ? first : code_point(fields[0].substr(dots + 2));
    ranges.emplace_back(first, last);
  }
  if (ranges.empty()) throw std::runtime_error(path + " has no " + property);
  std::sort(ranges.begin(), ranges.end());
  Ranges merged;
  for (const auto& range : ranges) {
    if (!merged.empty() && range.first <= merged.back().second + 1) {
      merged.back().second = std::max(merged.back().second, range.second);
    } else {
      merged.push_back(range);
    }
  }
  return merged;
}

std::string hex(char32_t c) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(c));
  return text;
}

void write_ranges(std::ostream& out, const char* name, const Ranges& ranges) {
  out << "inline constexpr CodePointRange " << name << "[] = {\n";
  for (const auto& [first, last] : ranges) {
    out << "    {" << hex(first) << ", " << hex(last) << "},\n";
  }
  out << "};\n\n";
}

// The plug-in's case tables (plugin/): the lowercase mappings and the two properties of the
// Final_Sigma context.
void write_case_tables(std::ostream& out, const std::string& unicode_data,
                       const std::string& special_casing, const std::string& derived) {
  const auto lower = lowercase_mappings(unicode_data, special_casing);
  out << "inline constexpr LowercaseMapping kLowercase[] = {\n";
  for (const auto& [c, mapping] : lower) {
    out << "    {" << hex(c) << ", " << mapping.size() << ", {";
    for (std::size_t i = 0; i < 3; ++i) {
      out << (i < mapping.size() ? hex(mapping[i]) : std::string("0")) << (i < 2 ? ", " : "");
    }
    out << "}},\n";
  }
  out << "};\n\n";
  write_ranges(out, "kCased", property_ranges(derived, "Cased"));
  write_ranges(out, "kCaseIgnorable", property_ranges(derived, "Case_Ignorable"));
}

constexpr const char* kUsage =
    "usage: vessimor-unicode-tables case OUTPUT UnicodeData.txt SpecialCasing.txt "
    "DerivedCoreProperties.txt\n"
    "       vessimor-unicode-tables white-space OUTPUT PropList.txt\n";

}  // namespace

int main(int argc, char** argv) {
  const std::string kind = argc > 1 ? argv[1] : "";
  const bool case_tables = kind == "case" && argc == 6;
  const bool white_space = kind == "white-space" && argc == 4;
  if (!case_tables && !white_space) {
    std::cerr << kUsage;
    return 2;
  }
  try {
    std::ostringstream out;
    out << "// Generated by vessimor-unicode-tables from the Unicode Character Database. Do not "
           "edit.\n\n";
    if (case_tables) {
      write_case_tables(out, argv[3], argv[4], argv[5]);
    } else {
      write_ranges(out, "kWhiteSpace", property_ranges(argv[3], "White_Space"));
    }
    const std::string text = out.str();
    std::ofstream file(argv[2], std::ios::trunc);
    file << text;
    if (!file) throw std::runtime_error(std::string("cannot write ") + argv[2]);
  } catch (const std::exception& e) {
    std::cerr << "vessimor-unicode-tables: " << e.what() << '\n';
    return 1;
  }
  return 0;
}
