#pragma once

// The vector width that the oscillator bank steps its oscillators with.
//
// Four lanes (SSE2 on x86-64, NEON on arm64) run everywhere. Eight lanes (AVX2, part of
// x86-64-v3) run on the x86-64 processors that have them: chosen at start-up, or always when the
// build itself targets AVX2 (-march=x86-64-v3). Both paths do the same IEEE operations on every
// lane in the same order, without fused multiply-adds, and sum the lanes in the same order: their
// output is identical, bit for bit.
#include <atomic>
#include <cstdint>

namespace quorvane_dsp_kit {

enum class VectorPath : std::uint8_t { Lanes4 = 0, Lanes8 = 1 };

bool vector_path_available(VectorPath path) noexcept;
// Makes `path` the one in use, for every bank, when this processor runs it; returns whether it
// does. Thread: any; meant for tests and comparisons, not for use while audio runs.
bool use_vector_path(VectorPath path) noexcept;

namespace detail {
// Zero (four lanes) until start-up has chosen, so that nothing can run a path too early.
extern std::atomic<VectorPath> vector_path_in_use;
}  // namespace detail

// Thread: any.
inline VectorPath vector_path() noexcept {
  return detail::vector_path_in_use.load(std::memory_order_relaxed);
}

}  // namespace quorvane_dsp_kit
