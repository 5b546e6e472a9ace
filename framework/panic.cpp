#include "framework/panic.hpp"

#include <unistd.h>

#include <atomic>
#include <boost/stacktrace.hpp>

#include "framework/log.hpp"
#include "platform/thread_name.hpp"

namespace vessimor {

namespace {

std::atomic<PanicHook> g_hook{&default_panic_hook};

// Depth of failure reports on this thread: a failure raised while the hook runs would recurse.
thread_local int t_reporting = 0;

constexpr std::string_view kNonTextPayload = "Box<Any>";

void write_stderr(std::string_view text) noexcept {
  log::write_fd(STDERR_FILENO, text);
}

std::string thread_name_or_unnamed() {
  return platform::current_thread_name().value_or("unnamed");
}

void run_hook(const PanicInfo& info) noexcept {
  if (t_reporting > 0) {
    write_stderr("thread panicked while processing a failure; aborting\n");
    std::abort();
  }
  ++t_reporting;
  try {
    g_hook.load(std::memory_order_acquire)(info);
  } catch (...) {
    // A hook that fails must not replace the failure it reports.
  }
  --t_reporting;
}

}  // namespace

Panic::Panic(std::string message, std::string_view file, std::uint32_t line)
    : message_(std::move(message)), file_(file), line_(line) {}

void set_panic_hook(PanicHook hook) noexcept {
  g_hook.store(hook != nullptr ? hook : &default_panic_hook, std::memory_order_release);
}

void default_panic_hook(const PanicInfo& info) {
  write_stderr(fmt::format("thread '{}' panicked at '{}': {}:{}\n", thread_name_or_unnamed(),
                           info.message.value_or(kNonTextPayload), info.file, info.line));
}

void panic_at(std::string message, const char* file, std::uint32_t line) {
  run_hook(PanicInfo{std::string_view(message), file, line});
  throw Panic(std::move(message), file, line);
}

std::optional<std::string> panic_message(const std::exception_ptr& failure) {
  if (!failure) return std::nullopt;
  try {
    std::rethrow_exception(failure);
  } catch (const std::exception& e) {
    return std::string(e.what());
  } catch (...) {
  }
  return std::nullopt;
}

void report_failure(const std::exception_ptr& failure, const char* file,
                    std::uint32_t line) noexcept {
  if (!failure) return;
  try {
    std::rethrow_exception(failure);
  } catch (const Panic&) {
    // Reported where it was raised.
  } catch (const std::exception& e) {
    run_hook(PanicInfo{std::string_view(e.what()), file, line});
  } catch (...) {
    run_hook(PanicInfo{std::nullopt, file, line});
  }
}

namespace {

// The handler that was in place before ours (the host's, or the runtime's default).
std::atomic<std::terminate_handler> g_previous_terminate{nullptr};

void report_then_terminate() {
  // Where the failure was raised is no longer known here; the call stack still shows the way
  // to the point where it could go no further.
  if (const std::exception_ptr failure = std::current_exception()) {
    report_failure(failure, "<unknown>", 0);
  }
  log::flush();
  // The host may rely on its own handler (a crash reporter): it still runs, after our report.
  if (const std::terminate_handler previous = g_previous_terminate.load()) previous();
  std::abort();
}

}  // namespace

void report_failures_on_terminate() noexcept {
  const std::terminate_handler previous = std::set_terminate(&report_then_terminate);
  if (previous != &report_then_terminate) g_previous_terminate.store(previous);
}

std::string capture_stack_trace() {
  return boost::stacktrace::to_string(boost::stacktrace::stacktrace());
}

namespace detail {

void fail_at_entry(const std::exception_ptr& failure, const char* file,
                   std::uint32_t line) noexcept {
  report_failure(failure, file, line);
  log::flush();
  std::abort();
}

}  // namespace detail

namespace util {

void log_panics(const PanicInfo& info) {
  // The stack first, before anything else runs on this thread.
  const std::string trace = capture_stack_trace();
  const std::string name = thread_name_or_unnamed();
  const std::string_view message = info.message.value_or(kNonTextPayload);
  if (!log::level_enabled(log::Level::Error)) return;
  log::log_record(log::Level::Error, "panic", "vessimor::util", __FILE__, __LINE__,
                  "thread '{}' panicked at '{}': {}:{}\n{}", name, message, info.file, info.line,
                  trace);
}

}  // namespace util

}  // namespace vessimor
