#pragma once

#include <string>

#include "framework/json.hpp"

// JSON text of the project's own files and records (saved state, preset files, page payloads): the
// one place where an f32 becomes a JSON number, and a writer for whole values that uses it.
namespace vessimor {

// An f32 as a JSON number: shortest round-trip digits; whole numbers keep ".0" (440.0, 0.0, -0.0);
// a decimal exponent below -6 or above 12 switches to exponent form with an explicit sign and no
// leading zeros (1e+13, 1.5e-7, -2.5e+20). NaN and infinities have no JSON number: "null".
std::string json_f32(float v);

enum class JsonLayout {
  Compact,  // no blanks or line breaks anywhere
  Pretty,   // two-space indent, one member or element per line, "key": value; empty {} and []
};

// The whole value as text. Floats go through json_f32; integers are plain decimal; strings use JSON
// escaping (quote, backslash and control characters; other text as is). Throws Json::type_error
// when a string is not valid UTF-8.
std::string write_json(const Json& value, JsonLayout layout = JsonLayout::Compact);

}  // namespace vessimor
