#include "platform/thread_name.hpp"

#include <gtest/gtest.h>
#include <pthread.h>

#include <optional>
#include <string>
#include <thread>

namespace vessimor::platform {
namespace {

std::string os_name_of_this_thread() {
  char buffer[64] = {};
  pthread_getname_np(pthread_self(), buffer, sizeof buffer);
  return buffer;
}

TEST(ThreadName, LongNameIsKeptWholeWhileTheSystemGetsWhatItAllows) {
  std::optional<std::string> seen;
  std::string os_name;
  std::thread([&] {
    set_current_thread_name("vessimor-presets");
    seen = current_thread_name();
    os_name = os_name_of_this_thread();
  }).join();
  EXPECT_EQ(seen, "vessimor-presets");
#if defined(__linux__)
  // Linux refuses names over 15 bytes outright; a cut name is better than none in a debugger.
  EXPECT_EQ(os_name, "vessimor-preset");
#else
  EXPECT_EQ(os_name, "vessimor-presets");
#endif
}

TEST(ThreadName, ShortNameReachesTheSystemUnchanged) {
  std::string os_name;
  std::thread([&] {
    set_current_thread_name("bg-worker");
    os_name = os_name_of_this_thread();
  }).join();
  EXPECT_EQ(os_name, "bg-worker");
}

TEST(ThreadName, UnnamedThreadHasNoNameAndTheMainThreadIsMain) {
  std::optional<std::string> seen = "not run";
  std::thread([&] { seen = current_thread_name(); }).join();
  EXPECT_EQ(seen, std::nullopt);
  EXPECT_EQ(current_thread_name(), "main");
}

}  // namespace
}  // namespace vessimor::platform
