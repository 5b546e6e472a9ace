#pragma once

// Unrecoverable failures. A broken invariant raises a failure with VESSIMOR_PANIC: the failure
// hook reports it at once on the failing thread (with the call stack of that moment), then a
// `Panic` unwinds the current operation. No failure may cross a host-facing entry point: every
// entry point runs its body through guard_entry, which ends the process when one arrives.

#include <fmt/core.h>

#include <cstdint>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace vessimor {

// What the failure hook learns about one failure.
struct PanicInfo {
  // The failure's text; nothing when its payload is not text.
  std::optional<std::string_view> message;
  std::string_view file;
  std::uint32_t line = 0;
};

using PanicHook = void (*)(const PanicInfo& info);

// The exception that carries a failure raised by panic_at. It has been reported already.
class Panic final : public std::exception {
 public:
  Panic(std::string message, std::string_view file, std::uint32_t line);
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& message() const noexcept { return message_; }
  std::string_view file() const noexcept { return file_; }
  std::uint32_t line() const noexcept { return line_; }

 private:
  std::string message_;
  std::string_view file_;
  std::uint32_t line_;
};

// Replaces the process's failure hook (the default one writes one line to standard error).
// Thread: any
void set_panic_hook(PanicHook hook) noexcept;
void default_panic_hook(const PanicInfo& info);

// Reports the failure through the hook, then throws Panic.
[[noreturn]] void panic_at(std::string message, const char* file, std::uint32_t line);

// The text of a caught failure, or nothing when its payload is not text.
std::optional<std::string> panic_message(const std::exception_ptr& failure);

// Reports a caught failure through the hook unless it is a Panic (reported when raised).
void report_failure(const std::exception_ptr& failure, const char* file,
                    std::uint32_t line) noexcept;

// Makes std::terminate report the failure that caused it (an exception escaping a thread body or
// a noexcept function) through the hook before the process ends.
void report_failures_on_terminate() noexcept;

// The calling thread's call stack, symbolised, one frame per line.
std::string capture_stack_trace();

namespace detail {
[[noreturn]] void fail_at_entry(const std::exception_ptr& failure, const char* file,
                                std::uint32_t line) noexcept;
}

// Runs f; a failure that escapes it is reported and handed back (null when f returned). For the
// bodies of threads, whose failures the joining side decides about.
template <class F>
std::exception_ptr catch_panic(F&& f, const char* file = __builtin_FILE(),
                               std::uint32_t line = __builtin_LINE()) noexcept {
  try {
    std::forward<F>(f)();
    return nullptr;
  } catch (...) {
    std::exception_ptr failure = std::current_exception();
    report_failure(failure, file, line);
    return failure;
  }
}

// The one guard of every host-facing entry point (CLAP and VST3 functions, interface methods, web
// view callbacks): runs f and gives its result; a failure that escapes f is reported once and
// ends the process, since unwinding into the host is never allowed.
template <class F>
std::invoke_result_t<F&&> guard_entry(F&& f, const char* file = __builtin_FILE(),
                                      std::uint32_t line = __builtin_LINE()) noexcept {
  try {
    return std::forward<F>(f)();
  } catch (...) {
    detail::fail_at_entry(std::current_exception(), file, line);
  }
}

namespace util {
// The failure hook that util::setup_logger installs: one error record, target "panic", with the
// thread name, the message, the source location and the call stack.
void log_panics(const PanicInfo& info);
}  // namespace util

}  // namespace vessimor

// Raises an unrecoverable failure with a formatted message at this source location.
#define VESSIMOR_PANIC(...) \
  ::vessimor::panic_at(::fmt::format(__VA_ARGS__), __FILE__, static_cast<std::uint32_t>(__LINE__))
