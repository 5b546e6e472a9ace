#include "platform/denormals.hpp"

#if defined(__x86_64__) || defined(_M_X64)
#include <immintrin.h>
#endif

namespace vessimor {

namespace {

#if defined(__x86_64__) || defined(_M_X64)
constexpr std::uint32_t kFlushToZero = 1u << 15;      // MXCSR.FTZ
constexpr std::uint32_t kDenormalsAreZero = 1u << 6;  // MXCSR.DAZ

std::uint64_t read_mode() noexcept {
  return _mm_getcsr();
}
void write_mode(std::uint64_t mode) noexcept {
  _mm_setcsr(static_cast<std::uint32_t>(mode));
}
std::uint64_t with_flush(std::uint64_t mode) noexcept {
  return mode | kFlushToZero | kDenormalsAreZero;
}
bool flushing(std::uint64_t mode) noexcept {
  return (mode & kFlushToZero) != 0;
}
#elif defined(__aarch64__)
constexpr std::uint64_t kFlushToZero = 1ull << 24;  // FPCR.FZ

std::uint64_t read_mode() noexcept {
  std::uint64_t fpcr;
  __asm__ __volatile__("mrs %0, fpcr" : "=r"(fpcr));
  return fpcr;
}
void write_mode(std::uint64_t mode) noexcept {
  __asm__ __volatile__("msr fpcr, %0" : : "r"(mode));
}
std::uint64_t with_flush(std::uint64_t mode) noexcept {
  return mode | kFlushToZero;
}
bool flushing(std::uint64_t mode) noexcept {
  return (mode & kFlushToZero) != 0;
}
#else
// No known control register: subnormals are left to the hardware's default.
std::uint64_t read_mode() noexcept {
  return 0;
}
void write_mode(std::uint64_t) noexcept {}
std::uint64_t with_flush(std::uint64_t mode) noexcept {
  return mode;
}
bool flushing(std::uint64_t) noexcept {
  return false;
}
#endif

}  // namespace

ScopedFlushToZero::ScopedFlushToZero() noexcept : saved_(read_mode()) {
  write_mode(with_flush(saved_));
}

ScopedFlushToZero::~ScopedFlushToZero() {
  write_mode(saved_);
}

bool ScopedFlushToZero::active() noexcept {
  return flushing(read_mode());
}

}  // namespace vessimor
