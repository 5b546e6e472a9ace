#include "framework/formatters.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include "framework/float_text.hpp"
#include "framework/panic.hpp"

namespace vessimor::formatters {

namespace {

constexpr std::size_t kMaxDecimals = 65535;

int checked_decimals(std::size_t decimals) {
  if (decimals > kMaxDecimals) VESSIMOR_PANIC("Formatting argument out of range");
  return static_cast<int>(decimals);
}

}  // namespace

ValueToString<float> v2s_f32_rounded(std::size_t decimals) {
  // 10^d as an exact float for every d up to 10 (the effect uses 0 to 2); an integer power would
  // wrap for larger d and give a wrong multiplier.
  const float multiplier =
      static_cast<float>(std::pow(10.0, static_cast<double>(std::min<std::size_t>(decimals, 64))));
  return std::make_shared<const std::function<std::string(float)>>(
      [decimals, multiplier](float value) {
        const int d = checked_decimals(decimals);
        const float rounded = std::round(value * multiplier) / multiplier;
        if (rounded == 0.0f) return float_text::fixed(0.0f, d);
        return float_text::fixed(value, d);
      });
}

ValueToString<float> v2s_f32_percentage(std::size_t decimals) {
  return std::make_shared<const std::function<std::string(float)>>([decimals](float value) {
    return float_text::fixed(value * 100.0f, checked_decimals(decimals));
  });
}

ValueToString<float> v2s_f32_hz_then_khz(std::size_t decimals) {
  return std::make_shared<const std::function<std::string(float)>>([decimals](float value) {
    const int d = checked_decimals(decimals);
    // The unit follows the number as shown: 999.6 shows as 1000, so it is "1.0 kHz", the text that
    // 1000 itself shows. "1000 Hz" would read back as 1000 and then show differently.
    if (value < 1000.0f) {
      std::string hz = float_text::fixed(value, d);
      if (float_text::parse(hz).value_or(0.0f) < 1000.0f) return hz + " Hz";
    }
    return float_text::fixed(value / 1000.0f, std::max(d, 1)) + " kHz";
  });
}

StringToValue<float> s2v_f32_percentage() {
  return std::make_shared<const std::function<std::optional<float>(std::string_view)>>(
      [](std::string_view text) -> std::optional<float> {
        while (!text.empty() && (text.back() == ' ' || text.back() == '%')) text.remove_suffix(1);
        const auto value = float_text::parse(text);
        // Infinity stays infinite and the parameter clamps it into range; "nan" means nothing.
        if (!value || std::isnan(*value)) return std::nullopt;
        return *value / 100.0f;
      });
}

}  // namespace vessimor::formatters
