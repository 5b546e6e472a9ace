#pragma once

// Waiting in tests for what another thread does, always bounded: a regression then fails with
// what was awaited instead of hanging until ctest's time-out.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>

namespace vessimor::test {

// Ample for a loaded machine and the sanitizer and emulated builds.
inline constexpr std::chrono::seconds WAIT_LIMIT{5};

// Polls `done` until it holds; a failure naming `what` when it still does not after the limit.
template <class Done>
::testing::AssertionResult wait_until(Done&& done, std::string_view what,
                                      std::chrono::milliseconds limit = WAIT_LIMIT) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return ::testing::AssertionFailure() << "waited " << limit.count() << " ms for " << what;
    }
    std::this_thread::yield();
  }
  return ::testing::AssertionSuccess();
}

// Runs `wait`, a call that blocks until another thread acts (a join, a blocking receive or send,
// a future). Past the limit the other thread is stuck and may still use the test's objects, so
// the test cannot go on: the program ends, naming `what`.
template <class Wait>
void bounded_wait(std::string_view what, Wait&& wait,
                  std::chrono::milliseconds limit = WAIT_LIMIT) {
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
  std::thread watchdog([&, name = std::string(what)] {
    std::unique_lock lock(mutex);
    if (!ended.wait_for(lock, limit, [&] { return done; })) {
      std::fprintf(stderr, "Waited %lld ms for %s: the test cannot go on\n",
                   static_cast<long long>(limit.count()), name.c_str());
      std::abort();
    }
  });
  std::forward<Wait>(wait)();
  {
    const std::lock_guard lock(mutex);
    done = true;
  }
  ended.notify_one();
  watchdog.join();
}

// Runs `work` on a thread of its own, as a host's audio thread or another caller would, and waits,
// bounded, for it to end.
template <class Work>
void run_on_another_thread(std::string_view what, Work&& work) {
  std::thread thread(std::forward<Work>(work));
  bounded_wait(what, [&] { thread.join(); });
}

}  // namespace vessimor::test
