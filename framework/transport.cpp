#include "framework/transport.hpp"

#include <cmath>
#include <limits>

namespace vessimor {

namespace {

// Bar length in quarter notes, when the host gave a whole time signature.
std::optional<double> bar_length_beats(const Transport& transport) noexcept {
  if (!transport.time_sig_numerator || !transport.time_sig_denominator) {
    return std::nullopt;
  }
  return static_cast<double>(*transport.time_sig_numerator) /
         static_cast<double>(*transport.time_sig_denominator) * 4.0;
}

std::optional<double> bars_elapsed(const Transport& transport) noexcept {
  const auto beats = transport.pos_beats_any();
  if (!beats) {
    return std::nullopt;
  }
  const auto bar_length = bar_length_beats(transport);
  if (!bar_length) {
    return std::nullopt;
  }
  return std::floor(*beats / *bar_length);
}

std::int32_t saturating_i32(double value) noexcept {
  if (std::isnan(value)) {
    return 0;
  }
  if (value <= static_cast<double>(std::numeric_limits<std::int32_t>::min())) {
    return std::numeric_limits<std::int32_t>::min();
  }
  if (value >= static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
    return std::numeric_limits<std::int32_t>::max();
  }
  return static_cast<std::int32_t>(value);
}

}  // namespace

std::optional<double> Transport::pos_beats_any() const noexcept {
  if (pos_beats) {
    return pos_beats;
  }
  if (pos_seconds && tempo) {
    return *pos_seconds * *tempo / 60.0;
  }
  if (pos_samples && tempo) {
    return static_cast<double>(*pos_samples) / static_cast<double>(sample_rate) / 60.0 * *tempo;
  }
  return std::nullopt;
}

std::optional<std::int32_t> Transport::bar_number() const noexcept {
  if (host_bar_number) {
    return host_bar_number;
  }
  const auto bars = bars_elapsed(*this);
  if (!bars) {
    return std::nullopt;
  }
  return saturating_i32(*bars);
}

std::optional<double> Transport::bar_start_pos_beats() const noexcept {
  if (host_bar_start_pos_beats) {
    return host_bar_start_pos_beats;
  }
  const auto bars = bars_elapsed(*this);
  if (!bars) {
    return std::nullopt;
  }
  return *bars * *bar_length_beats(*this);
}

}  // namespace vessimor
