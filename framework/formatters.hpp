#pragma once

#include <cstddef>

#include "framework/params/param_common.hpp"

// Value-to-text formatters and text-to-value parsers that parameters install in place of the
// default number-and-unit text. All numbers are written with a fixed number of decimals from the
// exact value of the float (ties to even).
namespace vessimor::formatters {

// The value with `decimals` decimals; a value that rounds to zero is written as an unsigned zero.
ValueToString<float> v2s_f32_rounded(std::size_t decimals);
// value * 100 with `decimals` decimals and no percent sign (the parameter's unit supplies it).
ValueToString<float> v2s_f32_percentage(std::size_t decimals);
// Below 1000: the value and " Hz"; otherwise value / 1000 with at least one decimal and " kHz".
ValueToString<float> v2s_f32_hz_then_khz(std::size_t decimals);
// A number (infinity included, not-a-number refused) optionally followed by blanks and percent
// signs, divided by 100.
StringToValue<float> s2v_f32_percentage();

}  // namespace vessimor::formatters
