#pragma once

#include <cstdint>
#include <optional>

namespace vessimor {

// The host's transport for one (sub-)block. Hosts may omit any of their fields.
struct Transport {
  explicit Transport(float sample_rate_hz) noexcept : sample_rate(sample_rate_hz) {}

  bool playing = false;
  bool recording = false;
  float sample_rate;

  std::optional<double> tempo;
  std::optional<std::int32_t> time_sig_numerator;
  std::optional<std::int32_t> time_sig_denominator;

  std::optional<std::int64_t> pos_samples;
  std::optional<double> pos_seconds;
  std::optional<double> pos_beats;
  std::optional<double> host_bar_start_pos_beats;
  std::optional<std::int32_t> host_bar_number;

  std::optional<std::int64_t> loop_start_samples;
  std::optional<std::int64_t> loop_end_samples;
  std::optional<double> loop_start_seconds;
  std::optional<double> loop_end_seconds;
  std::optional<double> loop_start_beats;
  std::optional<double> loop_end_beats;

  // The host's bar index when it gave one, else derived from the position and time signature.
  // Thread: any
  std::optional<std::int32_t> bar_number() const noexcept;
  // The host's bar start when it gave one, else derived like `bar_number`. Thread: any
  std::optional<double> bar_start_pos_beats() const noexcept;

  // The position in quarter notes from whichever position field is available. Thread: any
  std::optional<double> pos_beats_any() const noexcept;
};

}  // namespace vessimor
