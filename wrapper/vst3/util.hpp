// Text helpers of the VST3 wrapper: the fixed-size UTF-16 and 8-bit fields of host records.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "framework/vst3_subcategory.hpp"

namespace vessimor::util {

// Writes UTF-8 `text` as UTF-16 into a field of `capacity` units: at most capacity - 1 units,
// then a zero unit. A character that does not fit whole is left out, so the field never ends in
// half a surrogate pair; bytes that are not UTF-8 become U+FFFD. A capacity of 0 writes nothing,
// and a text with a zero character leaves the field untouched. Thread: any
void u16strlcpy(char16_t* dest, std::size_t capacity, std::string_view text) noexcept;

// The zero-terminated UTF-16 text at `text` as UTF-8, reading at most `capacity` units: nothing
// when a surrogate is unpaired or no zero unit comes within the capacity (a host's text field
// has 128 units; what lies past it is not the host's). Thread: any
std::optional<std::string> u16_to_utf8(const char16_t* text, std::size_t capacity);

}  // namespace vessimor::util

namespace vessimor::vst3 {

// The subcategories' texts in order, joined by "|". Thread: any
std::string make_subcategories_string(std::span<const Vst3SubCategory> subcategories);

}  // namespace vessimor::vst3
