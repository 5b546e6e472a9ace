// Which thread may use the plug-in object right now. The audio thread takes it with one atomic
// exchange and never waits: when the main thread holds it ((de)activating it, or initialising it
// again for a loaded state while the host is not processing), the audio thread lets that block
// pass without the plug-in. Only (de)activation waits, for the audio thread's current call to end
// (at most one block of a host that broke the call order); a state load only tries.
#pragma once

#include <atomic>
#include <chrono>
#include <thread>

namespace vessimor::core {

class PluginAccess {
 public:
  // Takes the plug-in unless some thread holds it. Never waits. Thread: any, audio included
  bool try_acquire() noexcept {
    std::thread::id none;
    return holder_.compare_exchange_strong(none, std::this_thread::get_id(),
                                           std::memory_order_acquire, std::memory_order_relaxed);
  }

  // Waits until the plug-in is free and takes it. Thread: main (never audio)
  void acquire() noexcept {
    while (!try_acquire()) std::this_thread::sleep_for(std::chrono::microseconds(50));
  }

  // Thread: the holder
  void release() noexcept { holder_.store(std::thread::id(), std::memory_order_release); }

  // Thread: any
  bool held_by_this_thread() const noexcept {
    return holder_.load(std::memory_order_relaxed) == std::this_thread::get_id();
  }

  // Holds the plug-in for a scope: waiting (main) or trying (audio). A thread that already holds
  // it nests without taking it twice.
  class Scope {
   public:
    enum class Mode { wait, try_only };
    Scope(PluginAccess& access, Mode mode) noexcept : access_(access) {
      if (access_.held_by_this_thread()) {
        held_ = true;
      } else if (mode == Mode::wait) {
        access_.acquire();
        held_ = owns_ = true;
      } else {
        held_ = owns_ = access_.try_acquire();
      }
    }
    ~Scope() {
      if (owns_) access_.release();
    }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

    explicit operator bool() const noexcept { return held_; }

   private:
    PluginAccess& access_;
    bool held_ = false;
    bool owns_ = false;
  };

 private:
  static_assert(std::atomic<std::thread::id>::is_always_lock_free);
  std::atomic<std::thread::id> holder_{};
};

}  // namespace vessimor::core
