#pragma once

// The project's logging facade: levels, one process-wide maximum level tested before a record is
// built, and one registered logger that receives every record. Nothing is written until a logger
// is registered (util::setup_logger does that); until then the maximum level is Off.
//
// Usage:
//   VESSIMOR_LOG_INFO("opened {} presets", count);
//   VESSIMOR_LOG_TARGET(::vessimor::log::Level::Error, "panic", "{}", text);
//
// The module path of a record is the unqualified name `vessimor_log_module_path` seen where the
// macro is used: "vessimor" by default; a source file or namespace may declare its own, e.g.
//   namespace vessimor::editor { constexpr std::string_view vessimor_log_module_path =
//   "vessimor::editor"; }

#include <fmt/core.h>

#include <atomic>
#include <cstdint>
#include <string_view>
#include <utility>

namespace vessimor::log {

// Ordered by verbosity: a record passes when its level <= the maximum level.
enum class Level : std::uint8_t { Off = 0, Error = 1, Warn = 2, Info = 3, Debug = 4, Trace = 5 };

struct Metadata {
  Level level = Level::Info;
  std::string_view target;
};

// One log record. The message is kept unformatted (format text plus arguments) so that the logger
// formats it while it writes; the arguments live for the duration of the logger's `log` call only.
struct Record {
  Metadata metadata;
  fmt::string_view format;
  fmt::format_args args;
  std::string_view module_path;  // empty: none
  std::string_view file;         // empty: none
  std::uint32_t line = 0;        // 0: unknown
};

class Logger {
 public:
  virtual ~Logger() = default;
  // Thread: any
  virtual bool enabled(const Metadata& metadata) const = 0;
  // Thread: any
  virtual void log(const Record& record) = 0;
  // Thread: any
  virtual void flush() = 0;
};

namespace detail {
inline std::atomic<std::uint8_t> g_max_level{0};
}

// Registers the process's logger; the first registration wins, later ones give false. The logger
// must live for the rest of the process.
bool set_logger(Logger* logger) noexcept;

// The registered logger, or null.
Logger* logger() noexcept;

void set_max_level(Level level) noexcept;

inline Level max_level() noexcept {
  return static_cast<Level>(detail::g_max_level.load(std::memory_order_relaxed));
}

inline bool level_enabled(Level level) noexcept {
  return level != Level::Off &&
         static_cast<std::uint8_t>(level) <= detail::g_max_level.load(std::memory_order_relaxed);
}

// Hands a record to the registered logger; never fails its caller.
void dispatch(const Record& record) noexcept;

// Flushes the registered logger, if any.
void flush() noexcept;

// Writes all of `text` to the descriptor, ignoring errors and keeping errno. A pipe or socket whose
// reader has gone away never raises SIGPIPE, whose default action would end the host process.
// Thread: any
void write_fd(int fd, std::string_view text) noexcept;

// Builds the record and hands it over. Called by the macros after the level test.
template <class... Args>
void log_record(Level level, std::string_view target, std::string_view module_path,
                std::string_view file, std::uint32_t line, fmt::format_string<Args...> format,
                Args&&... args) noexcept {
  const auto store = fmt::make_format_args(args...);
  Record record;
  record.metadata = Metadata{level, target};
  record.format = static_cast<fmt::string_view>(format);
  record.args = store;
  record.module_path = module_path;
  record.file = file;
  record.line = line;
  dispatch(record);
}

}  // namespace vessimor::log

// Default module path for code outside any namespace that declares its own.
inline constexpr std::string_view vessimor_log_module_path = "vessimor";

// A record with an explicit target (the module path still comes from the call site).
#define VESSIMOR_LOG_TARGET(level, target, ...)                                          \
  do {                                                                                   \
    if (::vessimor::log::level_enabled(level)) {                                         \
      ::vessimor::log::log_record((level), (target), vessimor_log_module_path, __FILE__, \
                                  static_cast<std::uint32_t>(__LINE__), __VA_ARGS__);    \
    }                                                                                    \
  } while (false)

// A record whose target is its module path.
#define VESSIMOR_LOG_AT(level, ...) \
  VESSIMOR_LOG_TARGET(level, vessimor_log_module_path, __VA_ARGS__)

#define VESSIMOR_LOG_ERROR(...) VESSIMOR_LOG_AT(::vessimor::log::Level::Error, __VA_ARGS__)
#define VESSIMOR_LOG_WARN(...) VESSIMOR_LOG_AT(::vessimor::log::Level::Warn, __VA_ARGS__)
#define VESSIMOR_LOG_INFO(...) VESSIMOR_LOG_AT(::vessimor::log::Level::Info, __VA_ARGS__)
#define VESSIMOR_LOG_DEBUG(...) VESSIMOR_LOG_AT(::vessimor::log::Level::Debug, __VA_ARGS__)
#define VESSIMOR_LOG_TRACE(...) VESSIMOR_LOG_AT(::vessimor::log::Level::Trace, __VA_ARGS__)
