#include "framework/log.hpp"

#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

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

void write_fd(int fd, std::string_view text) noexcept {
  const int saved_errno = errno;
  // SIGPIPE is blocked on this thread for the write; one that the write raises is then taken back
  // before the old mask returns, so it neither ends the process nor reaches anyone else later.
  sigset_t pipe_only;
  sigemptyset(&pipe_only);
  sigaddset(&pipe_only, SIGPIPE);
  sigset_t pending;
  const bool was_pending = sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
  sigset_t previous;
  const bool blocked = pthread_sigmask(SIG_BLOCK, &pipe_only, &previous) == 0;
  bool broken_pipe = false;
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      broken_pipe = written < 0 && errno == EPIPE;
      break;
    }
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  if (blocked) {
    if (broken_pipe && !was_pending && sigpending(&pending) == 0 &&
        sigismember(&pending, SIGPIPE) == 1) {
      int taken = 0;
      sigwait(&pipe_only, &taken);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  }
  errno = saved_errno;
}

}  // namespace vessimor::log
