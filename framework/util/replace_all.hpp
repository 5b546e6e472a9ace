#pragma once

#include <string>
#include <string_view>

namespace vessimor::util {

// `text` with every occurrence of `from` (not empty) replaced by `to`, left to right; what `to`
// brings in is not searched again. Thread: any
std::string replace_all(std::string_view text, std::string_view from, std::string_view to);

}  // namespace vessimor::util
