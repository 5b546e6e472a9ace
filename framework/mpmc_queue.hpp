#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <type_traits>
#include <utility>

namespace vessimor {

// Bounded multi-producer, multi-consumer queue after Dmitry Vyukov's design: every slot carries a
// sequence number that tells producers and consumers whose turn it is, so one compare-and-swap on
// the shared position claims a slot and no thread ever waits for another. All memory is taken in
// the constructor; pushing and popping never allocate (a moved std::string keeps its buffer).
//
// Usable from the audio thread: try_push and try_pop are lock-free and never block.
template <typename T>
class MpmcQueue {
  // A producer owns a claimed slot until it has written the element; a throwing move would leave
  // the slot claimed forever and stall every consumer behind it.
  static_assert(std::is_nothrow_move_constructible_v<T>,
                "MpmcQueue elements must be nothrow move constructible");
  static_assert(std::is_nothrow_destructible_v<T>);

 public:
  // Thread: any. With one slot, "written in this lap" and "free in the next lap" would carry the
  // same sequence number, so the capacity must be at least 2.
  explicit MpmcQueue(std::size_t capacity)
      : capacity_(capacity), slots_(capacity < 2 ? nullptr : new Slot[capacity]) {
    if (capacity < 2) throw std::invalid_argument("MpmcQueue capacity must be at least 2");
    for (std::size_t i = 0; i < capacity_; ++i)
      slots_[i].sequence.store(i, std::memory_order_relaxed);
  }

  MpmcQueue(const MpmcQueue&) = delete;
  MpmcQueue& operator=(const MpmcQueue&) = delete;

  ~MpmcQueue() {
    while (try_pop()) {
    }
  }

  // Thread: any
  std::size_t capacity() const noexcept { return capacity_; }

  // Thread: any. False when the queue is full; the value is then left untouched.
  bool try_push(T&& value) noexcept { return try_emplace(std::move(value)); }

  // Thread: any. The copy is made before a slot is claimed, so a throwing copy cannot stall the
  // queue; it allocates when T does.
  bool try_push(const T& value) {
    T copy(value);
    return try_emplace(std::move(copy));
  }

  // Thread: any. Constructs the element in place; the arguments are only used on success.
  template <typename... Args>
  bool try_emplace(Args&&... args) noexcept {
    static_assert(std::is_nothrow_constructible_v<T, Args&&...>,
                  "constructing an element must not throw inside a claimed slot");
    std::size_t position = enqueue_position_.load(std::memory_order_relaxed);
    for (;;) {
      Slot& slot = slots_[position % capacity_];
      const std::size_t sequence = slot.sequence.load(std::memory_order_acquire);
      const auto difference =
          static_cast<std::ptrdiff_t>(sequence) - static_cast<std::ptrdiff_t>(position);
      if (difference == 0) {
        if (enqueue_position_.compare_exchange_weak(position, position + 1,
                                                    std::memory_order_relaxed)) {
          ::new (static_cast<void*>(slot.storage)) T(std::forward<Args>(args)...);
          slot.sequence.store(position + 1, std::memory_order_release);
          return true;
        }
        // compare_exchange_weak reloaded `position`; try again with the fresh one.
      } else if (difference < 0) {
        return false;  // the slot still holds the element of the previous lap: full
      } else {
        position = enqueue_position_.load(std::memory_order_relaxed);
      }
    }
  }

  // Thread: any. The oldest element, or nothing when the queue is empty.
  std::optional<T> try_pop() noexcept {
    std::size_t position = dequeue_position_.load(std::memory_order_relaxed);
    for (;;) {
      Slot& slot = slots_[position % capacity_];
      const std::size_t sequence = slot.sequence.load(std::memory_order_acquire);
      const auto difference =
          static_cast<std::ptrdiff_t>(sequence) - static_cast<std::ptrdiff_t>(position + 1);
      if (difference == 0) {
        if (dequeue_position_.compare_exchange_weak(position, position + 1,
                                                    std::memory_order_relaxed)) {
          T* element = std::launder(reinterpret_cast<T*>(slot.storage));
          std::optional<T> result(std::move(*element));
          element->~T();
          slot.sequence.store(position + capacity_, std::memory_order_release);
          return result;
        }
      } else if (difference < 0) {
        return std::nullopt;  // nothing written to this slot yet: empty
      } else {
        position = dequeue_position_.load(std::memory_order_relaxed);
      }
    }
  }

  // Thread: any. A snapshot that may be stale by the time it is read; for diagnostics and tests.
  std::size_t approximate_size() const noexcept {
    const std::size_t head = dequeue_position_.load(std::memory_order_relaxed);
    const std::size_t tail = enqueue_position_.load(std::memory_order_relaxed);
    return tail > head ? tail - head : 0;
  }

 private:
  static constexpr std::size_t kCacheLine = 64;

  struct Slot {
    std::atomic<std::size_t> sequence{0};
    alignas(T) unsigned char storage[sizeof(T)];
  };

  const std::size_t capacity_;
  const std::unique_ptr<Slot[]> slots_;
  // Producers and consumers hammer different counters; keep them on separate cache lines.
  alignas(kCacheLine) std::atomic<std::size_t> enqueue_position_{0};
  alignas(kCacheLine) std::atomic<std::size_t> dequeue_position_{0};
};

}  // namespace vessimor
