#pragma once

// The process-wide logger behind the logging facade (framework/log.hpp): one line per record with
// the local time of day and a level tag, to standard error (coloured when allowed) or appended to
// the file named by VESSIMOR_LOG.

#include <fmt/color.h>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "framework/log.hpp"
#include "framework/mutex.hpp"

namespace vessimor::util {

// Installs the logger (level info, the noisy modules filtered out) and, only when this call
// installed it, the failure hook that logs every failure. Later calls change nothing.
// Thread: any
void setup_logger();

// Reads one environment variable; nothing when it is unset or not valid UTF-8.
using EnvLookup = std::function<std::optional<std::string>(const char* name)>;
std::optional<std::string> process_env(const char* name);

enum class ColorChoice { Always, Auto, Never };

// The colour choice for standard error from CLICOLOR_FORCE, NO_COLOR and CLICOLOR.
ColorChoice stderr_color_choice(const EnvLookup& env);

// Whether a choice means colour: Auto colours a terminal whose TERM is set and not "dumb".
bool resolve_color_choice(ColorChoice choice, bool is_terminal, const EnvLookup& env);

// Where log lines go: standard error or an appended file, both written through a buffer that
// each line flushes.
class OutputTargetImpl {
 public:
  // VESSIMOR_LOG unset, empty or "stderr" (any case): standard error; else the named file, or
  // standard error with a message when it cannot be opened.
  static OutputTargetImpl default_from_environment(const EnvLookup& env = process_env);
  static OutputTargetImpl new_stderr(const EnvLookup& env = process_env);
  // A file descriptor the target owns and closes, written without colour.
  static OutputTargetImpl new_file(int fd);
  // Any descriptor, not owned, with a fixed colour decision.
  static OutputTargetImpl new_stream(int fd, bool colour);

  OutputTargetImpl(OutputTargetImpl&& other) noexcept;
  OutputTargetImpl& operator=(OutputTargetImpl&& other) noexcept;
  ~OutputTargetImpl();

  bool is_file() const noexcept { return is_file_; }
  bool colour() const noexcept { return colour_; }

  void write(std::string_view text);
  // Writes text in the given colour, resetting right after; plain text when colour is off.
  void write_coloured(std::string_view text, std::optional<fmt::terminal_color> colour);
  // Ignores write errors: logging never fails its caller.
  void flush() noexcept;

 private:
  OutputTargetImpl(int fd, bool owns_fd, bool is_file, bool colour);
  int fd_ = -1;
  bool owns_fd_ = false;
  bool is_file_ = false;
  bool colour_ = false;
  std::string buffer_;
};

class Logger final : public log::Logger {
 public:
  Logger(OutputTargetImpl target, log::Level max_level, std::set<std::string, std::less<>> filtered,
         bool show_module_path, long utc_offset_seconds);

  // Thread: any
  bool enabled(const log::Metadata& metadata) const override;
  // Thread: any
  void log(const log::Record& record) override;
  // Thread: any
  void flush() override;

  // False when the module path (or the target) or its first "::" segment is filtered.
  bool target_enabled(std::string_view module_path_or_target) const;

 private:
  void write_line(OutputTargetImpl& target, const log::Record& record) const;

  Mutex mutex_;  // a line written from the audio thread would show up in the lock probe
  OutputTargetImpl target_;
  log::Level max_level_;
  std::set<std::string, std::less<>> filtered_;
  bool show_module_path_;
  long utc_offset_seconds_;
};

class LoggerBuilder {
 public:
  explicit LoggerBuilder(log::Level max_level) : max_level_(max_level) {}

  LoggerBuilder& filter_module(std::string module_path);
  LoggerBuilder& show_module_path(bool show);
  LoggerBuilder& output_target(OutputTargetImpl target);

  // A logger that is not registered (tests, tools).
  std::unique_ptr<Logger> build();
  // Registers the logger for the process and sets the facade's maximum level; false, with
  // nothing changed, when a logger is already installed.
  bool build_global();

 private:
  log::Level max_level_;
  std::set<std::string, std::less<>> filtered_;
  bool show_module_path_ = false;
  std::optional<OutputTargetImpl> target_;
};

}  // namespace vessimor::util
