#include "framework/logger.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <iterator>
#include <system_error>

#include "framework/panic.hpp"
#include "framework/util/utf8.hpp"
#include "platform/thread_name.hpp"

namespace vessimor::util {

namespace {

constexpr std::size_t kFileBufferSize = 8192;

// Set while this thread is inside Logger::log, so that a record logged while formatting another
// one does not lock the output a second time.
thread_local bool IS_REENTRANT_LOGGING_CALL = false;

void write_stderr_direct(std::string_view text) noexcept {
  log::write_fd(STDERR_FILENO, text);
}

std::string_view trim(std::string_view s) {
  const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

bool iequals(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// The local offset from UTC now; the fixed offset of every line this logger writes.
long local_utc_offset_seconds() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (now == static_cast<std::time_t>(-1) || localtime_r(&now, &local) == nullptr) {
    write_stderr_direct("Could not get the local time offset, defaulting to UTC\n");
    return 0;
  }
  return local.tm_gmtoff;
}

// Small, stable per-thread numbers for debug and trace lines.
std::uint64_t current_thread_number() {
  static std::atomic<std::uint64_t> next{1};
  thread_local const std::uint64_t number = next.fetch_add(1, std::memory_order_relaxed);
  return number;
}

struct LevelStyle {
  std::string_view tag;
  std::optional<fmt::terminal_color> colour;
};

LevelStyle level_style(log::Level level) {
  switch (level) {
    case log::Level::Error:
      return {" [ERROR] ", fmt::terminal_color::red};
    case log::Level::Warn:
      return {" [WARN] ", fmt::terminal_color::yellow};
    case log::Level::Info:
      return {" [INFO] ", fmt::terminal_color::blue};
    case log::Level::Debug:
      return {" [DEBUG] ", fmt::terminal_color::cyan};
    case log::Level::Trace:
    case log::Level::Off:
      break;
  }
  return {" [TRACE] ", std::nullopt};
}

// The one logger of the process; never destroyed, so that threads still running at exit can log.
std::mutex g_instance_mutex;
Logger* LOGGER_INSTANCE = nullptr;

}  // namespace

std::optional<std::string> process_env(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  std::string text(value);
  if (!is_valid_utf8(text)) return std::nullopt;
  return text;
}

ColorChoice stderr_color_choice(const EnvLookup& env) {
  if (const auto force = env("CLICOLOR_FORCE"); force && trim(*force) != "0") {
    return ColorChoice::Always;
  }
  if (const auto no_color = env("NO_COLOR"); no_color && trim(*no_color) != "0") {
    return ColorChoice::Never;
  }
  if (const auto clicolor = env("CLICOLOR"); clicolor && trim(*clicolor) == "0") {
    return ColorChoice::Never;
  }
  return ColorChoice::Auto;
}

bool resolve_color_choice(ColorChoice choice, bool is_terminal, const EnvLookup& env) {
  switch (choice) {
    case ColorChoice::Always:
      return true;
    case ColorChoice::Never:
      return false;
    case ColorChoice::Auto:
      break;
  }
  if (!is_terminal) return false;
  const auto term = env("TERM");
  return term && *term != "dumb";
}

// ---- OutputTargetImpl ----

OutputTargetImpl::OutputTargetImpl(int fd, bool owns_fd, bool is_file, bool colour)
    : fd_(fd), owns_fd_(owns_fd), is_file_(is_file), colour_(colour) {
  if (is_file_) buffer_.reserve(kFileBufferSize);
}

OutputTargetImpl::OutputTargetImpl(OutputTargetImpl&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      owns_fd_(std::exchange(other.owns_fd_, false)),
      is_file_(other.is_file_),
      colour_(other.colour_),
      buffer_(std::move(other.buffer_)) {}

OutputTargetImpl& OutputTargetImpl::operator=(OutputTargetImpl&& other) noexcept {
  if (this != &other) {
    flush();
    if (owns_fd_ && fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    owns_fd_ = std::exchange(other.owns_fd_, false);
    is_file_ = other.is_file_;
    colour_ = other.colour_;
    buffer_ = std::move(other.buffer_);
  }
  return *this;
}

OutputTargetImpl::~OutputTargetImpl() {
  flush();
  if (owns_fd_ && fd_ >= 0) ::close(fd_);
}

OutputTargetImpl OutputTargetImpl::default_from_environment(const EnvLookup& env) {
  const auto value = env("VESSIMOR_LOG");
  if (!value || value->empty() || iequals(*value, "stderr")) return new_stderr(env);

  const int fd = ::open(value->c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd >= 0) return new_file(fd);
  const int error = errno;
  write_stderr_direct(
      fmt::format("Could not open '{}' from VESSIMOR_LOG for logging, falling back to STDERR: {}\n",
                  *value, std::system_category().message(error)));
  return new_stderr(env);
}

OutputTargetImpl OutputTargetImpl::new_stderr(const EnvLookup& env) {
  const bool colour =
      resolve_color_choice(stderr_color_choice(env), ::isatty(STDERR_FILENO) == 1, env);
  return OutputTargetImpl(STDERR_FILENO, false, false, colour);
}

OutputTargetImpl OutputTargetImpl::new_file(int fd) {
  return OutputTargetImpl(fd, true, true, false);
}

OutputTargetImpl OutputTargetImpl::new_stream(int fd, bool colour) {
  return OutputTargetImpl(fd, false, false, colour);
}

void OutputTargetImpl::write(std::string_view text) {
  buffer_.append(text);
  if (buffer_.size() >= kFileBufferSize) flush();
}

void OutputTargetImpl::write_coloured(std::string_view text,
                                      std::optional<fmt::terminal_color> colour) {
  if (colour_ && colour && !is_file_) {
    write(fmt::format(fmt::fg(*colour), "{}", text));
  } else {
    write(text);
  }
}

void OutputTargetImpl::flush() noexcept {
  if (fd_ >= 0 && !buffer_.empty()) log::write_fd(fd_, buffer_);
  buffer_.clear();
}

// ---- Logger ----

Logger::Logger(OutputTargetImpl target, log::Level max_level,
               std::set<std::string, std::less<>> filtered, bool show_module_path,
               long utc_offset_seconds)
    : target_(std::move(target)),
      max_level_(max_level),
      filtered_(std::move(filtered)),
      show_module_path_(show_module_path),
      utc_offset_seconds_(utc_offset_seconds) {}

bool Logger::target_enabled(std::string_view module_path_or_target) const {
  if (filtered_.empty()) return true;
  if (filtered_.find(module_path_or_target) != filtered_.end()) return false;
  const auto first = module_path_or_target.find("::");
  if (first != std::string_view::npos &&
      filtered_.find(module_path_or_target.substr(0, first)) != filtered_.end()) {
    return false;
  }
  return true;
}

bool Logger::enabled(const log::Metadata& metadata) const {
  return metadata.level != log::Level::Off && metadata.level <= max_level_ &&
         target_enabled(metadata.target);
}

void Logger::log(const log::Record& record) {
  const std::string_view source =
      record.module_path.empty() ? record.metadata.target : record.module_path;
  if (!target_enabled(source)) return;

  if (!IS_REENTRANT_LOGGING_CALL) {
    IS_REENTRANT_LOGGING_CALL = true;
    struct ClearFlag {
      ~ClearFlag() { IS_REENTRANT_LOGGING_CALL = false; }
    } clear_flag;
    std::lock_guard lock(mutex_);
    write_line(target_, record);
  } else {
    // Logged while formatting another record on this thread: the output is already locked here.
    OutputTargetImpl fresh = OutputTargetImpl::default_from_environment();
    write_line(fresh, record);
  }
}

void Logger::flush() {
  std::lock_guard lock(mutex_);
  target_.flush();
}

void Logger::write_line(OutputTargetImpl& target, const log::Record& record) const {
  try {
    const std::time_t now = std::time(nullptr) + utc_offset_seconds_;
    std::tm clock{};
    gmtime_r(&now, &clock);
    target.write(fmt::format("{:02}:{:02}:{:02}", clock.tm_hour, clock.tm_min, clock.tm_sec));

    const log::Level level = record.metadata.level;
    const LevelStyle style = level_style(level);
    target.write_coloured(style.tag, style.colour);

    fmt::memory_buffer line;
    auto out = std::back_inserter(line);
    if (level == log::Level::Debug || level == log::Level::Trace) {
      fmt::format_to(out, "({}", current_thread_number());
      if (const auto name = platform::current_thread_name(); name && *name != "main") {
        fmt::format_to(out, ", {}", *name);
      }
      fmt::format_to(out, ")");
      if (!record.module_path.empty()) fmt::format_to(out, " {}", record.module_path);
      fmt::format_to(out, ": ");
      if (level == log::Level::Trace && !record.file.empty()) {
        fmt::format_to(out, "[{}", record.file);
        if (record.line != 0) fmt::format_to(out, ":{}", record.line);
        fmt::format_to(out, "] ");
      }
    } else if (show_module_path_ && !record.module_path.empty()) {
      fmt::format_to(out, "{}: ", record.module_path);
    }
    try {
      fmt::vformat_to(out, record.format, record.args);
    } catch (const fmt::format_error&) {
      // A malformed format still shows what was meant.
      line.append(record.format.data(), record.format.data() + record.format.size());
    }
    line.push_back('\n');
    target.write(std::string_view(line.data(), line.size()));
  } catch (...) {
    // Write errors and allocation failures are ignored; logging never fails its caller.
  }
  target.flush();
}

// ---- LoggerBuilder ----

LoggerBuilder& LoggerBuilder::filter_module(std::string module_path) {
  filtered_.insert(std::move(module_path));
  return *this;
}

LoggerBuilder& LoggerBuilder::show_module_path(bool show) {
  show_module_path_ = show;
  return *this;
}

LoggerBuilder& LoggerBuilder::output_target(OutputTargetImpl target) {
  target_.emplace(std::move(target));
  return *this;
}

std::unique_ptr<Logger> LoggerBuilder::build() {
  const long offset = local_utc_offset_seconds();
  OutputTargetImpl target =
      target_ ? std::move(*target_) : OutputTargetImpl::default_from_environment();
  target_.reset();
  return std::make_unique<Logger>(std::move(target), max_level_, filtered_, show_module_path_,
                                  offset);
}

bool LoggerBuilder::build_global() {
  std::lock_guard lock(g_instance_mutex);
  if (LOGGER_INSTANCE != nullptr) return false;
  std::unique_ptr<Logger> logger = build();
  if (!log::set_logger(logger.get())) return false;
  LOGGER_INSTANCE = logger.release();
  log::set_max_level(max_level_);
  return true;
}

void setup_logger() {
  const bool installed = LoggerBuilder(log::Level::Info)
                             .filter_module("cosmic_text::buffer")
                             .filter_module("cosmic_text::shape")
                             .filter_module("selectors::matching")
                             .filter_module("cosmic_text::font::system::std")
                             .build_global();
  if (installed) {
    set_panic_hook(log_panics);
    report_failures_on_terminate();
  }
}

}  // namespace vessimor::util
