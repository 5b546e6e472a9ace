#include "framework/log.hpp"

namespace vessimor::log {

namespace {
std::atomic<Logger*> g_logger{nullptr};
}

bool set_logger(Logger* logger) noexcept {
  if (logger == nullptr) return false;
  Logger* expected = nullptr;
  return g_logger.compare_exchange_strong(expected, logger, std::memory_order_acq_rel);
}

Logger* logger() noexcept {
  return g_logger.load(std::memory_order_acquire);
}

void set_max_level(Level level) noexcept {
  detail::g_max_level.store(static_cast<std::uint8_t>(level), std::memory_order_relaxed);
}

void dispatch(const Record& record) noexcept {
  Logger* target = logger();
  if (target == nullptr) return;
  try {
    target->log(record);
  } catch (...) {
    // Logging never fails its caller.
  }
}

void flush() noexcept {
  Logger* target = logger();
  if (target == nullptr) return;
  try {
    target->flush();
  } catch (...) {
  }
}

}  // namespace vessimor::log
