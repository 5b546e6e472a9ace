#pragma once

#include <optional>
#include <string>
#include <string_view>

// The one place where 32-bit floats become text and text becomes 32-bit floats. Everything that
// shows or stores a float (parameter text, saved state, page calls) goes through here so that the
// same value always reads the same way.
namespace vessimor::float_text {

// Shortest decimal digits that read back to the same float, never in exponent form and without a
// fraction on whole numbers: 1, 120, 0.5, 0.3, -0. Non-finite values give "NaN", "inf", "-inf".
std::string shortest(float v);

// The exact binary value rounded to `decimals` digits after the point, ties to the even digit; no
// point when `decimals` is 0. A negative value that rounds to zero keeps its "-" ("-0.0").
// A negative `decimals` counts as 0.
std::string fixed(float v, int decimals);

// A decimal f32: an optional single sign, digits with an optional fraction and exponent ("1",
// "-.5", "2.", "1e-3", "+4E2"), or the words "inf", "infinity" and "nan" in any letter case. The
// whole text must be the number (no blanks). Values beyond the f32 range read as infinity or zero.
std::optional<float> parse(std::string_view text);

}  // namespace vessimor::float_text
