#pragma once

#include <cmath>
#include <limits>

namespace vessimor::webview {

// A coordinate as an integer: truncated toward zero, held at the type's ends, NaN as 0.
template <class Int>
Int truncate_to(double value) noexcept {
  if (std::isnan(value)) return 0;
  if (value <= static_cast<double>(std::numeric_limits<Int>::min())) {
    return std::numeric_limits<Int>::min();
  }
  if (value >= static_cast<double>(std::numeric_limits<Int>::max())) {
    return std::numeric_limits<Int>::max();
  }
  return static_cast<Int>(value);
}

}  // namespace vessimor::webview
