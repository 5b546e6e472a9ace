// Flush-to-zero around the audio work, so that decaying filter and comb states never turn
// subnormal and slow the audio thread down.
#pragma once

#include <utility>

#include "platform/denormals.hpp"

namespace vessimor::util {

// Runs `work` with flush-to-zero set, restoring the caller's mode afterwards (also on failure).
// Thread: audio, or main while not processing
template <class F>
decltype(auto) process_wrapper(F&& work) {
  const ScopedFlushToZero flush_to_zero;
  return std::forward<F>(work)();
}

}  // namespace vessimor::util
