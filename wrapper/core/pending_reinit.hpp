// What a state load leaves for the thread that next holds the plug-in: which parameters' smoothers
// must jump to their loaded values, and that the plug-in must be initialised and reset again. The
// main thread marks and requests; the holder takes. Lock-free and allocation-free after
// construction; a request made before the last one was taken joins it.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <optional>

namespace vessimor::core {

class PendingReinit {
 public:
  // Thread: main (instance construction)
  explicit PendingReinit(std::size_t params)
      : marks_(std::make_unique<std::atomic<bool>[]>(params)), size_(params) {}

  // Marks a parameter whose value was just set; nothing for an unknown one. Thread: main
  void mark(std::optional<std::size_t> index) noexcept {
    if (index && *index < size_) marks_[*index].store(true, std::memory_order_release);
  }
  // After the values and marks it stands for, which the taker then sees. Thread: main
  void request() noexcept { requested_.store(true, std::memory_order_release); }

  // Thread: any
  bool requested() const noexcept { return requested_.load(std::memory_order_relaxed); }
  // True once per request. Thread: the plug-in's holder
  bool take() noexcept { return requested_.exchange(false, std::memory_order_acquire); }
  // True once per mark. Thread: the plug-in's holder
  bool take_mark(std::size_t index) noexcept {
    return marks_[index].exchange(false, std::memory_order_acquire);
  }

  // Drops what is due, when a full initialisation has covered it. Thread: main, holding the
  // plug-in
  void clear() noexcept {
    requested_.store(false, std::memory_order_relaxed);
    for (std::size_t index = 0; index < size_; ++index) {
      marks_[index].store(false, std::memory_order_relaxed);
    }
  }

 private:
  std::unique_ptr<std::atomic<bool>[]> marks_;
  std::size_t size_;
  std::atomic<bool> requested_{false};
};

}  // namespace vessimor::core
