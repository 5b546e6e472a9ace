#pragma once

#include <atomic>
#include <mutex>

namespace vessimor {

// A function told of every lock taken through `Mutex` or a `Channel`. Tests install one to prove
// that the audio thread takes no lock; the product never does, so a lock costs one extra load.
using LockProbe = void (*)() noexcept;

namespace detail {

inline std::atomic<LockProbe> lock_probe{nullptr};

inline void note_lock() noexcept {
  if (const LockProbe probe = lock_probe.load(std::memory_order_relaxed)) probe();
}

}  // namespace detail

// Thread: any. For tests only.
inline void set_lock_probe(LockProbe probe) noexcept {
  detail::lock_probe.store(probe, std::memory_order_relaxed);
}

// The project's mutex: a std::mutex that reports each lock to the lock probe. Use it, not
// std::mutex, wherever a lock might be reached from the audio thread by mistake.
class Mutex {
 public:
  Mutex() = default;
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  // Thread: any but audio
  void lock() {
    detail::note_lock();
    mutex_.lock();
  }
  // Thread: any but audio
  bool try_lock() noexcept {
    detail::note_lock();
    return mutex_.try_lock();
  }
  // Thread: any
  void unlock() noexcept { mutex_.unlock(); }

 private:
  std::mutex mutex_;
};

}  // namespace vessimor
