#include "platform/thread_name.hpp"

#include <gtest/gtest.h>
#include <pthread.h>

#include <string>
#include <thread>

namespace vessimor::platform {
namespace {

TEST(ThreadName, TruncatesAtCharacterBoundaries) {
  EXPECT_EQ(truncate_thread_name("vessimor-presets", 15), "vessimor-preset");
  EXPECT_EQ(truncate_thread_name("short", 15), "short");
  EXPECT_EQ(truncate_thread_name("abcdefghijklmné", 15), "abcdefghijklmn");  // é is two bytes
  EXPECT_EQ(truncate_thread_name(std::string("ab\0cd", 5), 15), "ab");
}

TEST(ThreadName, NamesTheCallingThread) {
  std::string seen;
  bool ok = false;
  std::thread t([&] {
    ok = set_current_thread_name("vessimor-presets");
    char buffer[64] = {};
    pthread_getname_np(pthread_self(), buffer, sizeof buffer);
    seen = buffer;
  });
  t.join();
  EXPECT_TRUE(ok);
#if defined(__APPLE__)
  EXPECT_EQ(seen, "vessimor-presets");
#else
  EXPECT_EQ(seen, "vessimor-preset");
#endif
}

}  // namespace
}  // namespace vessimor::platform
