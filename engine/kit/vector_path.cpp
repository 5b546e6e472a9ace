#include "engine/kit/vector_path.hpp"

namespace quorvane_dsp_kit {

namespace {

bool has_eight_lanes() noexcept {
#if defined(__AVX2__)
  return true;
#elif defined(__x86_64__)
  // Also checks that the operating system saves the wide registers.
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
#else
  return false;
#endif
}

VectorPath widest_path() noexcept {
  return has_eight_lanes() ? VectorPath::Lanes8 : VectorPath::Lanes4;
}

}  // namespace

namespace detail {
std::atomic<VectorPath> vector_path_in_use{widest_path()};
}  // namespace detail

bool vector_path_available(VectorPath path) noexcept {
  return path == VectorPath::Lanes4 || (path == VectorPath::Lanes8 && has_eight_lanes());
}

bool use_vector_path(VectorPath path) noexcept {
  if (!vector_path_available(path)) return false;
  detail::vector_path_in_use.store(path, std::memory_order_relaxed);
  return true;
}

}  // namespace quorvane_dsp_kit
