// Main-thread work items of the VST3 wrapper.
#pragma once

#include <cstdint>

namespace vessimor::vst3 {

// What `WrapperInner::execute` does on the main thread. Trivially copyable so that it travels
// through the lock-free task queue.
struct Task {
  enum class Kind : std::uint32_t {
    // The plug-in's background task type has no values, so this kind carries nothing.
    background_task = 0,
    all_values_changed = 1,
    value_changed = 2,
    restart = 3,
    resize = 4,
  };

  Kind kind = Kind::all_values_changed;
  std::uint32_t param_hash = 0;  // value_changed
  float value = 0.0F;            // value_changed: the normalised value
  std::int32_t restart_flags = 0;

  static constexpr Task background_task() noexcept { return {Kind::background_task, 0, 0, 0}; }
  static constexpr Task all_values_changed() noexcept {
    return {Kind::all_values_changed, 0, 0, 0};
  }
  static constexpr Task value_changed(std::uint32_t hash, float normalized) noexcept {
    return {Kind::value_changed, hash, normalized, 0};
  }
  static constexpr Task restart(std::int32_t flags) noexcept {
    return {Kind::restart, 0, 0, flags};
  }
  static constexpr Task resize() noexcept { return {Kind::resize, 0, 0, 0}; }
};

}  // namespace vessimor::vst3
