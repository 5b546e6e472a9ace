#include "framework/panic.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <exception>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "framework/log.hpp"
#include "framework/logger.hpp"
#include "platform/thread_name.hpp"
#include "tests/framework/probe/panic_probe.hpp"

namespace vessimor {
namespace {

namespace fs = std::filesystem;

// Records what the hook was told, for tests that stay in this process.
struct SeenFailure {
  std::string thread;
  std::optional<std::string> message;
  std::string file;
  std::uint32_t line = 0;
};
std::vector<SeenFailure> g_seen;

void recording_hook(const PanicInfo& info) {
  g_seen.push_back({platform::current_thread_name().value_or("unnamed"),
                    info.message ? std::optional<std::string>(*info.message) : std::nullopt,
                    std::string(info.file), info.line});
}

class PanicHookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_seen.clear();
    set_panic_hook(recording_hook);
  }
  void TearDown() override { set_panic_hook(default_panic_hook); }
};

TEST_F(PanicHookTest, PanicReportsOnceWhereRaisedAndUnwinds) {
  bool destroyed = false;
  struct Guard {
    bool* flag;
    ~Guard() { *flag = true; }
  };
  const int raised_line = __LINE__ + 4;
  const std::exception_ptr failure = catch_panic([&] {
    Guard guard{&destroyed};
    if (!destroyed) {
      VESSIMOR_PANIC("invariant broken: {} > {}", 3, 2);
    }
  });
  ASSERT_TRUE(failure);
  EXPECT_TRUE(destroyed);
  ASSERT_EQ(g_seen.size(), 1U);
  EXPECT_EQ(g_seen[0].message, "invariant broken: 3 > 2");
  EXPECT_NE(g_seen[0].file.find("panic_test.cpp"), std::string::npos);
  EXPECT_EQ(g_seen[0].line, static_cast<std::uint32_t>(raised_line));
  EXPECT_EQ(panic_message(failure), "invariant broken: 3 > 2");
}

TEST_F(PanicHookTest, ForeignFailuresAreReportedWhereCaught) {
  const auto text = catch_panic([] { throw std::runtime_error("disk on fire"); });
  const auto number = catch_panic([] { throw 42; });
  ASSERT_EQ(g_seen.size(), 2U);
  EXPECT_EQ(g_seen[0].message, "disk on fire");
  // A payload that is not text has no message; the hook shows it as "Box<Any>".
  EXPECT_EQ(g_seen[1].message, std::nullopt);
  EXPECT_EQ(panic_message(number), std::nullopt);
  EXPECT_NE(g_seen[1].file.find("panic_test.cpp"), std::string::npos);
  EXPECT_FALSE(catch_panic([] {}));
  EXPECT_EQ(g_seen.size(), 2U);
}

TEST_F(PanicHookTest, HookRunsOnTheFailingThreadWithItsName) {
  std::thread worker([] {
    platform::set_current_thread_name("bg-worker");
    catch_panic([] { VESSIMOR_PANIC("worker failed"); });
  });
  worker.join();
  std::thread unnamed([] { catch_panic([] { VESSIMOR_PANIC("anonymous"); }); });
  unnamed.join();
  ASSERT_EQ(g_seen.size(), 2U);
  EXPECT_EQ(g_seen[0].thread, "bg-worker");
  EXPECT_EQ(g_seen[1].thread, "unnamed");
}

TEST(GuardEntry, GivesTheResultWhenNothingFails) {
  EXPECT_EQ(guard_entry([] { return 7; }), 7);
  bool ran = false;
  guard_entry([&] { ran = true; });
  EXPECT_TRUE(ran);
}

TEST(GuardEntryDeathTest, DefaultHookReportsAndTheProcessEnds) {
  EXPECT_DEATH(guard_entry([] { VESSIMOR_PANIC("bad state {}", 5); }),
               "thread 'main' panicked at 'bad state 5': .*panic_test.cpp:[0-9]+");
  EXPECT_DEATH(guard_entry([]() -> int { throw 3.5; }),
               "thread 'main' panicked at 'Box<Any>': .*panic_test.cpp:[0-9]+");
}

TEST(GuardEntryDeathTest, LoggedOnceAtErrorLevelWithTheCallStack) {
  EXPECT_DEATH(
      {
        ::unsetenv("VESSIMOR_LOG");
        util::setup_logger();
        guard_entry([] { VESSIMOR_PANIC("text payload"); });
      },
      "[0-9]{2}:[0-9]{2}:[0-9]{2} \\[ERROR\\] thread 'main' panicked at 'text payload': "
      ".*panic_test.cpp:[0-9]+\n 0# ");
  EXPECT_DEATH(
      {
        util::setup_logger();
        guard_entry([] { throw 17; });
      },
      "\\[ERROR\\] thread 'main' panicked at 'Box<Any>': .*panic_test.cpp:[0-9]+\n 0# ");
}

TEST(GuardEntryDeathTest, FailureEscapingAThreadIsLoggedBeforeTheProcessEnds) {
  EXPECT_DEATH(
      {
        util::setup_logger();
        std::thread([] {
          platform::set_current_thread_name("escaping");
          throw std::runtime_error("nobody caught this");
        }).join();
      },
      "\\[ERROR\\] thread 'escaping' panicked at 'nobody caught this': <unknown>:0\n 0# ");
}

// A terminate handler installed before ours (a host's crash reporter) still runs, after the report.
TEST(GuardEntryDeathTest, TerminateHandlerInstalledBeforeStillRuns) {
  EXPECT_EXIT(
      {
        std::set_terminate([] {
          const std::string_view marker = "host handler ran\n";
          (void)!::write(STDERR_FILENO, marker.data(), marker.size());
          std::_Exit(7);
        });
        util::setup_logger();
        std::thread([] { throw std::runtime_error("escaped"); }).join();
      },
      ::testing::ExitedWithCode(7),
      "\\[ERROR\\] thread '[^']*' panicked at 'escaped': <unknown>:0\n.*host handler ran");
}

std::string read_file(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(GuardEntryDeathTest, ReportedExactlyOnceThroughTheLogger) {
  std::string pattern = (fs::temp_directory_path() / "vessimor-panic-XXXXXX").string();
  const fs::path dir = mkdtemp(pattern.data());
  const fs::path path = dir / "panic.log";
  EXPECT_DEATH(
      {
        ::setenv("VESSIMOR_LOG", path.c_str(), 1);
        util::setup_logger();
        // Unwinds through a layer that catches and rethrows, as an inner helper might.
        guard_entry([] {
          try {
            VESSIMOR_PANIC("once");
          } catch (...) {
            throw;
          }
        });
      },
      "");
  const std::string text = read_file(path);
  fs::remove_all(dir);
  std::size_t count = 0;
  for (auto at = text.find("panicked at"); at != std::string::npos;
       at = text.find("panicked at", at + 1)) {
    ++count;
  }
  EXPECT_EQ(count, 1U) << text;
  EXPECT_EQ(text.find('\x1b'), std::string::npos);
}

TEST(StackTrace, NamesAndLinesFromAHiddenVisibilitySharedLibrary) {
  const std::string trace = panic_probe_capture_stack();
  EXPECT_NE(trace.find("probe_hidden_frame"), std::string::npos) << trace;
  EXPECT_NE(trace.find("panic_probe.cpp:"), std::string::npos) << trace;
}

}  // namespace
}  // namespace vessimor
