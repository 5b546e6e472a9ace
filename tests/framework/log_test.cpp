#include "framework/log.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "framework/logger.hpp"
#include "platform/thread_name.hpp"
#include "tests/support/wait.hpp"

namespace vessimor {
namespace {

using log::Level;
using util::ColorChoice;
using util::Logger;
using util::LoggerBuilder;
using util::OutputTargetImpl;

namespace fs = std::filesystem;

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::stringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A scratch folder per test, removed afterwards.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "vessimor-log-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() { fs::remove_all(path_); }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// Redirects standard error into a file while alive.
class StderrCapture {
 public:
  explicit StderrCapture(const fs::path& path) {
    std::fflush(stderr);
    saved_ = ::dup(STDERR_FILENO);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(fd, STDERR_FILENO);
    ::close(fd);
  }
  ~StderrCapture() {
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
  }

 private:
  int saved_;
};

util::EnvLookup fake_env(std::map<std::string, std::string> vars) {
  return [vars = std::move(vars)](const char* name) -> std::optional<std::string> {
    const auto it = vars.find(name);
    if (it == vars.end()) return std::nullopt;
    return it->second;
  };
}

template <class... Args>
void emit(Logger& logger, Level level, std::string_view module_path,
          fmt::format_string<Args...> format, Args&&... args) {
  const auto store = fmt::make_format_args(args...);
  log::Record record;
  record.metadata = log::Metadata{level, module_path};
  record.format = static_cast<fmt::string_view>(format);
  record.args = store;
  record.module_path = module_path;
  record.file = "src/thing.cpp";
  record.line = 42;
  logger.log(record);
}

std::unique_ptr<Logger> file_logger(const fs::path& path, Level level = Level::Trace) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  return LoggerBuilder(level).output_target(OutputTargetImpl::new_file(fd)).build();
}

const std::string kTime = "[0-9]{2}:[0-9]{2}:[0-9]{2}";

TEST(LoggerLines, FileTargetWritesEachLevelWithoutColourAndFlushesEachLine) {
  TempDir dir;
  const fs::path path = dir.path() / "log.txt";
  auto logger = file_logger(path);

  emit(*logger, Level::Error, "vessimor::editor", "broken {}", 1);
  // Each line reaches the file before the next call: nothing waits in the buffer.
  EXPECT_EQ(lines_of(read_file(path)).size(), 1U);
  emit(*logger, Level::Warn, "vessimor::editor", "careful");
  emit(*logger, Level::Info, "vessimor::editor", "hello {} and {}", "world", 2.5F);
  emit(*logger, Level::Debug, "vessimor::editor", "details");
  emit(*logger, Level::Trace, "vessimor::editor", "tiny");

  const std::string text = read_file(path);
  EXPECT_EQ(text.find('\x1b'), std::string::npos);
  const auto lines = lines_of(text);
  ASSERT_EQ(lines.size(), 5U);
  EXPECT_TRUE(std::regex_match(lines[0], std::regex(kTime + " \\[ERROR\\] broken 1")));
  EXPECT_TRUE(std::regex_match(lines[1], std::regex(kTime + " \\[WARN\\] careful")));
  // No module path on error, warn and info lines.
  EXPECT_TRUE(std::regex_match(lines[2], std::regex(kTime + " \\[INFO\\] hello world and 2.5")));
  // Debug and trace name the thread by number (its name is "main": not repeated).
  EXPECT_TRUE(std::regex_match(
      lines[3], std::regex(kTime + " \\[DEBUG\\] \\([0-9]+\\) vessimor::editor: details")))
      << lines[3];
  EXPECT_TRUE(std::regex_match(
      lines[4],
      std::regex(kTime +
                 " \\[TRACE\\] \\([0-9]+\\) vessimor::editor: \\[src/thing.cpp:42\\] tiny")))
      << lines[4];
}

TEST(LoggerLines, TimeIsLocalTimeOfDay) {
  TempDir dir;
  const fs::path path = dir.path() / "log.txt";
  auto logger = file_logger(path);
  const std::time_t before = std::time(nullptr);
  emit(*logger, Level::Info, "m", "x");
  const std::time_t after = std::time(nullptr);
  const std::string line = read_file(path);
  const auto hms = [](std::time_t t) {
    std::tm local{};
    localtime_r(&t, &local);
    return fmt::format("{:02}:{:02}:{:02}", local.tm_hour, local.tm_min, local.tm_sec);
  };
  const std::string stamp = line.substr(0, 8);
  EXPECT_TRUE(stamp == hms(before) || stamp == hms(after)) << stamp;
}

TEST(LoggerLines, DebugLinesNameOtherThreads) {
  TempDir dir;
  const fs::path path = dir.path() / "log.txt";
  auto logger = file_logger(path);
  std::thread worker([&] {
    platform::set_current_thread_name("vessimor-presets");
    emit(*logger, Level::Debug, "vessimor::presets", "scan");
  });
  worker.join();
  EXPECT_TRUE(
      std::regex_search(read_file(path), std::regex("\\[DEBUG\\] \\([0-9]+, vessimor-presets\\) "
                                                    "vessimor::presets: scan\n")));
}

TEST(LoggerLines, ColouredStreamWrapsOnlyTheTag) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  {
    auto logger = LoggerBuilder(Level::Trace)
                      .output_target(OutputTargetImpl::new_stream(fds[1], true))
                      .build();
    emit(*logger, Level::Error, "m", "e");
    emit(*logger, Level::Warn, "m", "w");
    emit(*logger, Level::Info, "m", "i");
    emit(*logger, Level::Debug, "m", "d");
    emit(*logger, Level::Trace, "m", "t");
  }
  ::close(fds[1]);
  std::string text;
  char chunk[512];
  for (ssize_t n; (n = ::read(fds[0], chunk, sizeof chunk)) > 0;) text.append(chunk, n);
  ::close(fds[0]);
  const auto lines = lines_of(text);
  ASSERT_EQ(lines.size(), 5U);
  EXPECT_EQ(lines[0].substr(8), "\x1b[31m [ERROR] \x1b[0me");
  EXPECT_EQ(lines[1].substr(8), "\x1b[33m [WARN] \x1b[0mw");
  EXPECT_EQ(lines[2].substr(8), "\x1b[34m [INFO] \x1b[0mi");
  EXPECT_EQ(lines[3].substr(8, 19), "\x1b[36m [DEBUG] \x1b[0m(");
  EXPECT_EQ(lines[4].substr(8, 10), " [TRACE] (");
}

TEST(LoggerFilter, DropsExactModulesAndFirstSegments) {
  TempDir dir;
  const fs::path path = dir.path() / "log.txt";
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  auto logger = LoggerBuilder(Level::Info)
                    .filter_module("cosmic_text::shape")
                    .filter_module("selectors")
                    .output_target(OutputTargetImpl::new_file(fd))
                    .build();
  emit(*logger, Level::Info, "cosmic_text::shape", "dropped exact");
  emit(*logger, Level::Info, "cosmic_text::buffer", "kept: first part alone is not filtered");
  emit(*logger, Level::Info, "cosmic_text::shape::inner", "kept: not the exact path");
  emit(*logger, Level::Info, "selectors::matching::deep", "dropped by first part");
  emit(*logger, Level::Info, "selectors", "dropped exact");
  const auto lines = lines_of(read_file(path));
  ASSERT_EQ(lines.size(), 2U);
  EXPECT_NE(lines[0].find("kept: first part"), std::string::npos);
  EXPECT_NE(lines[1].find("kept: not the exact"), std::string::npos);

  EXPECT_FALSE(logger->enabled({Level::Info, "selectors::x"}));
  EXPECT_FALSE(logger->enabled({Level::Debug, "vessimor"}));
  EXPECT_TRUE(logger->enabled({Level::Error, "vessimor"}));
}

TEST(LoggerColour, EnvironmentRules) {
  EXPECT_EQ(util::stderr_color_choice(fake_env({})), ColorChoice::Auto);
  EXPECT_EQ(util::stderr_color_choice(fake_env({{"CLICOLOR_FORCE", "1"}, {"NO_COLOR", "1"}})),
            ColorChoice::Always);
  // An empty value counts as set.
  EXPECT_EQ(util::stderr_color_choice(fake_env({{"CLICOLOR_FORCE", ""}})), ColorChoice::Always);
  EXPECT_EQ(util::stderr_color_choice(fake_env({{"NO_COLOR", ""}})), ColorChoice::Never);
  // "0" (blanks trimmed) leaves the decision to the later rules.
  EXPECT_EQ(util::stderr_color_choice(fake_env({{"CLICOLOR_FORCE", " 0 "}})), ColorChoice::Auto);
  EXPECT_EQ(util::stderr_color_choice(fake_env({{"CLICOLOR_FORCE", "0"}, {"NO_COLOR", "x"}})),
            ColorChoice::Never);
  EXPECT_EQ(util::stderr_color_choice(fake_env({{"NO_COLOR", "0"}})), ColorChoice::Auto);
  EXPECT_EQ(util::stderr_color_choice(fake_env({{"CLICOLOR", "0"}})), ColorChoice::Never);
  EXPECT_EQ(util::stderr_color_choice(fake_env({{"CLICOLOR", "1"}})), ColorChoice::Auto);

  const auto term = fake_env({{"TERM", "xterm-256color"}});
  EXPECT_TRUE(util::resolve_color_choice(ColorChoice::Always, false, term));
  EXPECT_FALSE(util::resolve_color_choice(ColorChoice::Never, true, term));
  EXPECT_TRUE(util::resolve_color_choice(ColorChoice::Auto, true, term));
  // A pipe, a dumb terminal or no TERM at all: no colour.
  EXPECT_FALSE(util::resolve_color_choice(ColorChoice::Auto, false, term));
  EXPECT_FALSE(util::resolve_color_choice(ColorChoice::Auto, true, fake_env({{"TERM", "dumb"}})));
  EXPECT_FALSE(util::resolve_color_choice(ColorChoice::Auto, true, fake_env({})));
}

TEST(LoggerOutput, EnvironmentChoosesTheTarget) {
  EXPECT_FALSE(OutputTargetImpl::default_from_environment(fake_env({})).is_file());
  EXPECT_FALSE(
      OutputTargetImpl::default_from_environment(fake_env({{"VESSIMOR_LOG", ""}})).is_file());
  EXPECT_FALSE(
      OutputTargetImpl::default_from_environment(fake_env({{"VESSIMOR_LOG", "STDERR"}})).is_file());
  // A forced colour on standard error follows CLICOLOR_FORCE even on a pipe.
  EXPECT_TRUE(
      OutputTargetImpl::default_from_environment(fake_env({{"CLICOLOR_FORCE", "1"}})).colour());

  TempDir dir;
  const fs::path path = dir.path() / "vessimor.log";
  {
    auto target = OutputTargetImpl::default_from_environment(
        fake_env({{"VESSIMOR_LOG", path.string()}, {"CLICOLOR_FORCE", "1"}}));
    EXPECT_TRUE(target.is_file());
    EXPECT_FALSE(target.colour());
  }
  EXPECT_TRUE(fs::exists(path));
}

TEST(LoggerOutput, MissingFolderFallsBackToStderrWithAMessage) {
  TempDir dir;
  const fs::path missing = dir.path() / "no-such-folder" / "vessimor.log";
  const fs::path captured = dir.path() / "stderr.txt";
  {
    StderrCapture capture(captured);
    auto target =
        OutputTargetImpl::default_from_environment(fake_env({{"VESSIMOR_LOG", missing.string()}}));
    EXPECT_FALSE(target.is_file());
  }
  EXPECT_EQ(read_file(captured), "Could not open '" + missing.string() +
                                     "' from VESSIMOR_LOG for logging, falling back to STDERR: "
                                     "No such file or directory\n");
}

// Standard error may be a pipe whose reader has gone (a closed terminal, a finished log viewer):
// the default action of SIGPIPE would end the host with the plug-in's log line.
TEST(LoggerOutputDeathTest, ClosedPipeNeitherEndsTheProcessNorLeavesASignalBehind) {
  EXPECT_EXIT(
      {
        int fds[2];
        if (::pipe(fds) != 0) std::_Exit(2);
        ::close(fds[0]);
        {
          auto logger = LoggerBuilder(Level::Info)
                            .output_target(OutputTargetImpl::new_stream(fds[1], false))
                            .build();
          errno = ENOENT;
          emit(*logger, Level::Info, "m", "nobody reads this");
          logger->flush();
          if (errno != ENOENT) std::_Exit(3);  // the caller's errno survives
        }
        sigset_t pending;
        sigset_t mask;
        sigpending(&pending);
        pthread_sigmask(SIG_SETMASK, nullptr, &mask);
        if (sigismember(&pending, SIGPIPE) == 1 || sigismember(&mask, SIGPIPE) == 1) {
          std::_Exit(4);
        }
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

// A value whose formatting logs another record on the same thread.
struct LogsWhileFormatted {
  Logger* logger;
};

}  // namespace
}  // namespace vessimor

template <>
struct fmt::formatter<vessimor::LogsWhileFormatted> : fmt::formatter<std::string_view> {
  auto format(const vessimor::LogsWhileFormatted& v, fmt::format_context& ctx) const {
    vessimor::emit(*v.logger, vessimor::log::Level::Warn, "inner", "nested record");
    return fmt::formatter<std::string_view>::format("outer value", ctx);
  }
};

namespace vessimor {
namespace {

TEST(LoggerReentrancy, RecordLoggedWhileFormattingGoesToAFreshTarget) {
  TempDir dir;
  const fs::path outer = dir.path() / "outer.log";
  const fs::path fresh = dir.path() / "fresh.log";
  ::setenv("VESSIMOR_LOG", fresh.c_str(), 1);
  auto logger = file_logger(outer);
  // Locking the output a second time on this thread would deadlock here.
  emit(*logger, Level::Info, "m", "{}", LogsWhileFormatted{logger.get()});
  ::unsetenv("VESSIMOR_LOG");
  EXPECT_TRUE(std::regex_match(read_file(outer), std::regex(kTime + " \\[INFO\\] outer value\n")));
  EXPECT_TRUE(
      std::regex_match(read_file(fresh), std::regex(kTime + " \\[WARN\\] nested record\n")));
}

TEST(LoggerConcurrency, LinesFromManyThreadsNeverInterleave) {
  TempDir dir;
  const fs::path path = dir.path() / "log.txt";
  auto logger = file_logger(path);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) emit(*logger, Level::Info, "m", "thread {} line {}", t, i);
    });
  }
  test::bounded_wait("every logging thread to end", [&] {
    for (auto& thread : threads) thread.join();
  });
  const auto lines = lines_of(read_file(path));
  ASSERT_EQ(lines.size(), 800U);
  const std::regex shape(kTime + " \\[INFO\\] thread [0-3] line [0-9]+");
  for (const auto& line : lines) EXPECT_TRUE(std::regex_match(line, shape)) << line;
}

// The process-wide set-up runs in child processes: the first call in a process wins for good.
TEST(SetupLoggerDeathTest, FirstCallWinsAndInfoIsTheLevel) {
  TempDir dir;
  const fs::path first = dir.path() / "first.log";
  const fs::path second = dir.path() / "second.log";
  EXPECT_EXIT(
      {
        ::setenv("VESSIMOR_LOG", first.c_str(), 1);
        util::setup_logger();
        ::setenv("VESSIMOR_LOG", second.c_str(), 1);
        util::setup_logger();
        VESSIMOR_LOG_INFO("hello {}", 7);
        VESSIMOR_LOG_DEBUG("never written");
        VESSIMOR_LOG_TARGET(Level::Info, "cosmic_text::shape", "from another target");
        log::flush();
        std::_Exit(log::max_level() == Level::Info ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_FALSE(fs::exists(second));
  const auto lines = lines_of(read_file(first));
  ASSERT_EQ(lines.size(), 2U);
  EXPECT_TRUE(std::regex_match(lines[0], std::regex(kTime + " \\[INFO\\] hello 7")));
  // The module path, not the target, decides the filter.
  EXPECT_TRUE(std::regex_match(lines[1], std::regex(kTime + " \\[INFO\\] from another target")));
}

TEST(SetupLoggerDeathTest, StderrPipeGetsPlainInfoLines) {
  EXPECT_EXIT(
      {
        ::unsetenv("VESSIMOR_LOG");
        ::unsetenv("CLICOLOR_FORCE");
        util::setup_logger();
        VESSIMOR_LOG_INFO("to the pipe");
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(0), "^" + kTime + " \\[INFO\\] to the pipe\n$");
}

TEST(SetupLoggerDeathTest, ForcedColourOnAPipe) {
  EXPECT_EXIT(
      {
        ::unsetenv("VESSIMOR_LOG");
        ::setenv("CLICOLOR_FORCE", "1", 1);
        util::setup_logger();
        VESSIMOR_LOG_WARN("coloured");
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(0), "\x1b\\[33m \\[WARN\\] \x1b\\[0mcoloured");
}

TEST(LogFacade, NothingIsEnabledWithoutALogger) {
  // No test in this process installs the global logger.
  EXPECT_EQ(log::max_level(), Level::Off);
  EXPECT_FALSE(log::level_enabled(Level::Error));
  VESSIMOR_LOG_ERROR("goes nowhere {}", 1);
}

}  // namespace
}  // namespace vessimor
