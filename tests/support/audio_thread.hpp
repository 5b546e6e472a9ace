#pragma once

// Measuring what the audio thread does that it must not: heap allocations, frees and locks.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <string_view>
#include <thread>
#include <utility>

#include "tests/support/alloc_hook.hpp"
#include "tests/support/lock_probe.hpp"
#include "tests/support/wait.hpp"

namespace vessimor::test {

struct AudioThreadUse {
  std::size_t allocations = 0;
  std::size_t deallocations = 0;
  std::size_t locks = 0;
};

// Fails the test when a measured call allocated, freed or locked.
inline void expect_realtime_safe(const AudioThreadUse& use, std::string_view what = {}) {
  EXPECT_EQ(use.allocations, 0U) << what;
  EXPECT_EQ(use.deallocations, 0U) << what;
  EXPECT_EQ(use.locks, 0U) << what;
}

// What one call did on the calling thread, with both probes armed for the whole call.
template <typename Call>
AudioThreadUse measure_audio_call(Call&& call) {
  LockProbe locks;
  AllocationHook allocations;
  std::forward<Call>(call)();
  return {allocations.count(), allocations.deallocations(), locks.count()};
}

// A host audio thread that runs `block` until stopped, measuring each whole call and keeping the
// most any one call used. The first block has run when the constructor returns.
class MeasuredAudioThread {
 public:
  MeasuredAudioThread(std::function<void()> block, std::chrono::microseconds pause)
      : block_(std::move(block)), pause_(pause) {
    thread_ = std::thread([this] { run(); });
    bounded_wait("the audio thread's first block", [this] {
      while (blocks_.load() == 0) std::this_thread::yield();
    });
  }
  ~MeasuredAudioThread() { stop(); }
  MeasuredAudioThread(const MeasuredAudioThread&) = delete;
  MeasuredAudioThread& operator=(const MeasuredAudioThread&) = delete;

  // Ends the thread and gives the most any one call used.
  AudioThreadUse stop() {
    stop_ = true;
    if (thread_.joinable()) bounded_wait("the audio thread's end", [this] { thread_.join(); });
    return {allocations(), deallocations(), locks()};
  }
  std::thread::id id() const { return id_.load(); }
  std::size_t allocations() const { return allocations_.load(); }
  std::size_t deallocations() const { return deallocations_.load(); }
  std::size_t locks() const { return locks_.load(); }

 private:
  void run() {
    id_ = std::this_thread::get_id();
    while (!stop_.load()) {
      const AudioThreadUse use = measure_audio_call(block_);
      allocations_ = std::max(allocations_.load(), use.allocations);
      deallocations_ = std::max(deallocations_.load(), use.deallocations);
      locks_ = std::max(locks_.load(), use.locks);
      ++blocks_;
      if (pause_.count() > 0) {
        std::this_thread::sleep_for(pause_);
      } else {
        std::this_thread::yield();
      }
    }
  }

  std::function<void()> block_;
  std::chrono::microseconds pause_;
  std::atomic<bool> stop_{false};
  std::atomic<int> blocks_{0};
  std::atomic<std::thread::id> id_;
  std::atomic<std::size_t> allocations_{0};
  std::atomic<std::size_t> deallocations_{0};
  std::atomic<std::size_t> locks_{0};
  std::thread thread_;
};

}  // namespace vessimor::test
