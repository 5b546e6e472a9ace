// Hands a state from the editor's thread to the audio thread, which applies it between blocks and
// hands it back, so that the editor's thread, not the audio thread, frees it. Both directions are
// lock-free queues: the audio thread never waits, and the editor's thread waits a bounded time so
// that a host that stopped calling `process` cannot hang the editor.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <utility>

#include "framework/mpmc_queue.hpp"
#include "framework/state/plugin_state.hpp"

namespace vessimor::core {

class StateHandover {
 public:
  static constexpr std::chrono::milliseconds TIMEOUT{1000};

  // Offers the state to the audio thread and waits, bounded, for it to come back. Nothing when the
  // audio thread applied it; the state itself when it was not taken in time (the caller then
  // applies it). One state at a time. Thread: main
  std::optional<PluginState> offer(PluginState state);

  // Applies a waiting state with `apply(const PluginState&)` and hands it back; false when none
  // waits. Allocates and frees nothing. Thread: audio, between blocks
  template <class Apply>
  bool serve(Apply&& apply) {
    std::optional<std::unique_ptr<PluginState>> state = inbox_.try_pop();
    if (!state) return false;
    std::forward<Apply>(apply)(static_cast<const PluginState&>(**state));
    // The return slot is free: only this thread fills it, and the editor's thread drains it
    // before every offer.
    (void)outbox_.try_push(std::move(*state));
    return true;
  }

 private:
  bool wait_for_return();

  MpmcQueue<std::unique_ptr<PluginState>> inbox_{2};
  MpmcQueue<std::unique_ptr<PluginState>> outbox_{2};
};

}  // namespace vessimor::core
