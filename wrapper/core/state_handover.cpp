#include "wrapper/core/state_handover.hpp"

#include <thread>

namespace vessimor::core {

std::optional<PluginState> StateHandover::offer(PluginState state) {
  // A state the audio thread returned after an earlier offer gave up waiting is freed here.
  while (outbox_.try_pop()) {
  }
  auto boxed = std::make_unique<PluginState>(std::move(state));
  if (inbox_.try_push(std::move(boxed))) {
    if (wait_for_return()) return std::nullopt;
    // Not taken in time: take it back unless the audio thread has it by now.
    std::optional<std::unique_ptr<PluginState>> back = inbox_.try_pop();
    if (!back) {
      // The audio thread took it just now and applies it within the current block.
      (void)wait_for_return();
      return std::nullopt;
    }
    boxed = std::move(*back);
  }
  return std::move(*boxed);
}

bool StateHandover::wait_for_return() {
  const auto deadline = std::chrono::steady_clock::now() + TIMEOUT;
  while (std::chrono::steady_clock::now() < deadline) {
    if (outbox_.try_pop()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return outbox_.try_pop().has_value();
}

}  // namespace vessimor::core
