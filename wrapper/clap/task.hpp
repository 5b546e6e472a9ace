// Main-thread work items of the CLAP wrapper and the parameter events it sends to the host.
#pragma once

#include <cstdint>

namespace vessimor::clap {

// What `Wrapper::execute` does on the main thread. Trivially copyable so that it travels through
// the lock-free task queue.
struct Task {
  enum class Kind : std::uint32_t {
    // The plug-in's background task type has no values, so this kind is never constructed.
    background_task = 0,
    all_values_changed = 1,
    value_changed = 2,
    modulation_changed = 3,
    latency_changed = 4,
    voice_info_changed = 5,
    rescan_values = 6,
  };

  Kind kind = Kind::all_values_changed;
  std::uint32_t param_hash = 0;
  // Normalised value (value_changed) or modulation offset (modulation_changed).
  float value = 0.0F;

  static constexpr Task all_values_changed() noexcept { return {Kind::all_values_changed, 0, 0}; }
  static constexpr Task value_changed(std::uint32_t hash, float normalized) noexcept {
    return {Kind::value_changed, hash, normalized};
  }
  static constexpr Task modulation_changed(std::uint32_t hash, float offset) noexcept {
    return {Kind::modulation_changed, hash, offset};
  }
  static constexpr Task latency_changed() noexcept { return {Kind::latency_changed, 0, 0}; }
  static constexpr Task voice_info_changed() noexcept { return {Kind::voice_info_changed, 0, 0}; }
  static constexpr Task rescan_values() noexcept { return {Kind::rescan_values, 0, 0}; }
};

// A parameter event from the editor, waiting to be sent to the host.
struct OutgoingParamEvent {
  enum class Kind : std::uint8_t { gesture_begin, value, gesture_end };

  Kind kind = Kind::value;
  std::uint32_t param_hash = 0;
  // CLAP plain units: normalised times the step count, or the normalised value.
  double value = 0.0;
  // The instance core's edit stamp when queued: a state load made after it wins over the value.
  std::uint64_t edit_stamp = 0;
};

}  // namespace vessimor::clap
