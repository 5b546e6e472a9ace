#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "framework/mutex.hpp"

namespace vessimor {

// Outcome of a channel operation.
//   Ok            the value was handed over
//   Full          try_send on a full bounded channel, or on a rendezvous channel without a
//                 receiver waiting
//   Empty         try_recv found nothing queued
//   Timeout       a timed operation ran out of time
//   Disconnected  every handle of the other side is gone (a receiver still gets what was queued
//                 before the last sender left)
enum class ChannelStatus { Ok, Full, Empty, Timeout, Disconnected };

// What a receive gives back: the value, or why there is none. Tests true when it holds a value, so
// `while (auto message = receiver.recv())` drains a channel until every sender is gone.
template <typename T>
class Received {
 public:
  Received(ChannelStatus status) : status_(status) {}  // NOLINT: failures convert implicitly
  explicit Received(T value) : status_(ChannelStatus::Ok), value_(std::move(value)) {}

  ChannelStatus status() const noexcept { return status_; }
  bool ok() const noexcept { return value_.has_value(); }
  explicit operator bool() const noexcept { return ok(); }
  T& operator*() & { return *value_; }
  T&& operator*() && { return std::move(*value_); }
  T* operator->() { return &*value_; }
  // The value as an optional, for callers that do not care why there is none.
  std::optional<T> take() && { return std::move(value_); }

 private:
  ChannelStatus status_;
  std::optional<T> value_;
};

template <typename T>
class Sender;
template <typename T>
class Receiver;

namespace detail {

enum class ChannelKind { Unbounded, Bounded, Rendezvous };

// The state every handle of one channel shares; all of it is guarded by `mutex`.
template <typename T>
struct ChannelCore {
  ChannelCore(ChannelKind k, std::size_t c) : kind(k), capacity(c) {}

  const ChannelKind kind;
  const std::size_t capacity;
  std::mutex mutex;
  std::condition_variable not_empty;  // receivers wait here
  std::condition_variable not_full;   // senders wait here
  std::deque<T> queue;
  std::size_t senders = 1;
  std::size_t receivers = 1;
  std::size_t waiting_receivers = 0;  // rendezvous: receivers ready to take a value

  // Room for one more value now (caller holds the mutex).
  bool has_room() const {
    switch (kind) {
      case ChannelKind::Unbounded:
        return true;
      case ChannelKind::Bounded:
        return queue.size() < capacity;
      case ChannelKind::Rendezvous:
        // Each waiting receiver takes one value; never hand over more than there are takers.
        return queue.size() < waiting_receivers;
    }
    return false;
  }
};

// Every lock of a channel goes through here, so that the lock probe sees it.
template <typename T>
std::unique_lock<std::mutex> lock_core(ChannelCore<T>& core) {
  note_lock();
  return std::unique_lock<std::mutex>(core.mutex);
}

}  // namespace detail

// A channel between threads, in three kinds:
//   unbounded   sends never wait
//   bounded(n)  holds at most n values; a blocking send waits for room
//   rendezvous  holds nothing; a send completes only by handing its value to a waiting receiver
// Any number of Sender and Receiver handles may share one channel (multi-producer,
// multi-consumer); handles are copyable and count themselves. When the last Sender is gone,
// receivers drain what is queued and then see Disconnected; when the last Receiver is gone, sends
// fail with Disconnected and the queued values are destroyed.
//
// Every operation takes a mutex (seen by the lock probe): do not use a Channel on the audio
// thread (use MpmcQueue there).
// A failed send leaves the caller's value untouched, so nothing is lost.
template <typename T>
class Channel {
 public:
  using Pair = std::pair<Sender<T>, Receiver<T>>;

  // Thread: any
  static Pair unbounded() { return make(detail::ChannelKind::Unbounded, 0); }
  // Thread: any. A capacity of 0 gives a rendezvous channel.
  static Pair bounded(std::size_t capacity) {
    return make(capacity == 0 ? detail::ChannelKind::Rendezvous : detail::ChannelKind::Bounded,
                capacity);
  }
  // Thread: any
  static Pair rendezvous() { return make(detail::ChannelKind::Rendezvous, 0); }

 private:
  static Pair make(detail::ChannelKind kind, std::size_t capacity) {
    auto core = std::make_shared<detail::ChannelCore<T>>(kind, capacity);
    Sender<T> sender(core);
    return Pair(std::move(sender), Receiver<T>(std::move(core)));
  }
};

// The sending end. Copies share the channel and each counts as one sender; operations are
// const because a handle is only a reference to the shared channel.
template <typename T>
class Sender {
 public:
  Sender() = default;  // connected to nothing: every send reports Disconnected
  Sender(const Sender& other) : shared_(other.shared_) { attach(); }
  Sender(Sender&& other) noexcept = default;
  Sender& operator=(const Sender& other) {
    if (this != &other) {
      Sender copy(other);
      swap(copy);
    }
    return *this;
  }
  Sender& operator=(Sender&& other) noexcept {
    if (this != &other) {
      Sender moved(std::move(other));
      swap(moved);
    }
    return *this;
  }
  ~Sender() { detach(); }

  void swap(Sender& other) noexcept { shared_.swap(other.shared_); }

  // Thread: any. Never waits. `value` is moved from only when the result is Ok.
  template <typename U>
  ChannelStatus try_send(U&& value) const {
    if (!shared_) return ChannelStatus::Disconnected;
    auto lock = detail::lock_core(*shared_);
    if (shared_->receivers == 0) return ChannelStatus::Disconnected;
    if (!shared_->has_room()) return ChannelStatus::Full;
    push(lock, std::forward<U>(value));
    return ChannelStatus::Ok;
  }

  // Thread: any except audio. Waits for room (bounded) or a receiver (rendezvous).
  template <typename U>
  ChannelStatus send(U&& value) const {
    if (!shared_) return ChannelStatus::Disconnected;
    auto lock = detail::lock_core(*shared_);
    shared_->not_full.wait(lock, [&] { return shared_->receivers == 0 || shared_->has_room(); });
    if (shared_->receivers == 0) return ChannelStatus::Disconnected;
    push(lock, std::forward<U>(value));
    return ChannelStatus::Ok;
  }

  // Thread: any except audio. As send, giving up with Timeout after `timeout`.
  template <typename U, typename Rep, typename Period>
  ChannelStatus send_timeout(U&& value, std::chrono::duration<Rep, Period> timeout) const {
    if (!shared_) return ChannelStatus::Disconnected;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    auto lock = detail::lock_core(*shared_);
    const bool ready = shared_->not_full.wait_until(
        lock, deadline, [&] { return shared_->receivers == 0 || shared_->has_room(); });
    if (shared_->receivers == 0) return ChannelStatus::Disconnected;
    if (!ready) return ChannelStatus::Timeout;
    push(lock, std::forward<U>(value));
    return ChannelStatus::Ok;
  }

  // Thread: any. True when every receiver is gone.
  bool is_disconnected() const {
    if (!shared_) return true;
    const auto lock = detail::lock_core(*shared_);
    return shared_->receivers == 0;
  }

 private:
  friend class Channel<T>;
  using Shared = detail::ChannelCore<T>;

  explicit Sender(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}

  template <typename U>
  void push(std::unique_lock<std::mutex>& lock, U&& value) const {
    shared_->queue.emplace_back(std::forward<U>(value));
    lock.unlock();
    shared_->not_empty.notify_one();
  }

  void attach() {
    if (!shared_) return;
    const auto lock = detail::lock_core(*shared_);
    ++shared_->senders;
  }

  void detach() noexcept {
    if (!shared_) return;
    bool last = false;
    {
      const auto lock = detail::lock_core(*shared_);
      last = --shared_->senders == 0;
    }
    if (last) shared_->not_empty.notify_all();
    shared_.reset();
  }

  std::shared_ptr<Shared> shared_;
};

// The receiving end; copies share the channel and each counts as one receiver.
template <typename T>
class Receiver {
 public:
  Receiver() = default;  // connected to nothing: every receive reports Disconnected
  Receiver(const Receiver& other) : shared_(other.shared_) { attach(); }
  Receiver(Receiver&& other) noexcept = default;
  Receiver& operator=(const Receiver& other) {
    if (this != &other) {
      Receiver copy(other);
      swap(copy);
    }
    return *this;
  }
  Receiver& operator=(Receiver&& other) noexcept {
    if (this != &other) {
      Receiver moved(std::move(other));
      swap(moved);
    }
    return *this;
  }
  ~Receiver() { detach(); }

  void swap(Receiver& other) noexcept { shared_.swap(other.shared_); }

  // Thread: any. Never waits: Empty when nothing is queued (on a rendezvous channel, a value is
  // only there while a sender is handing it over).
  Received<T> try_recv() const {
    if (!shared_) return ChannelStatus::Disconnected;
    auto lock = detail::lock_core(*shared_);
    if (!shared_->queue.empty()) return pop(lock);
    return shared_->senders == 0 ? ChannelStatus::Disconnected : ChannelStatus::Empty;
  }

  // Thread: any except audio. Waits for a value; Disconnected once every sender is gone and
  // nothing is left.
  Received<T> recv() const {
    if (!shared_) return ChannelStatus::Disconnected;
    auto lock = detail::lock_core(*shared_);
    {
      WaitingReceiver waiting(*shared_);
      shared_->not_empty.wait(lock,
                              [&] { return !shared_->queue.empty() || shared_->senders == 0; });
    }
    if (!shared_->queue.empty()) return pop(lock);
    return ChannelStatus::Disconnected;
  }

  // Thread: any except audio. As recv, giving up with Timeout after `timeout`.
  template <typename Rep, typename Period>
  Received<T> recv_timeout(std::chrono::duration<Rep, Period> timeout) const {
    if (!shared_) return ChannelStatus::Disconnected;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    auto lock = detail::lock_core(*shared_);
    {
      WaitingReceiver waiting(*shared_);
      shared_->not_empty.wait_until(
          lock, deadline, [&] { return !shared_->queue.empty() || shared_->senders == 0; });
    }
    // A value handed over as the time ran out is still taken: its sender already returned Ok.
    if (!shared_->queue.empty()) return pop(lock);
    return shared_->senders == 0 ? ChannelStatus::Disconnected : ChannelStatus::Timeout;
  }

  // Thread: any. True when every sender is gone (values may still be queued).
  bool is_disconnected() const {
    if (!shared_) return true;
    const auto lock = detail::lock_core(*shared_);
    return shared_->senders == 0;
  }

 private:
  friend class Channel<T>;
  using Shared = detail::ChannelCore<T>;

  explicit Receiver(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}

  // Announces a receiver ready to take a value, so rendezvous senders may hand one over.
  class WaitingReceiver {
   public:
    explicit WaitingReceiver(Shared& shared) : shared_(shared) {
      ++shared_.waiting_receivers;
      if (shared_.kind == detail::ChannelKind::Rendezvous) shared_.not_full.notify_all();
    }
    ~WaitingReceiver() { --shared_.waiting_receivers; }  // still under the mutex
    WaitingReceiver(const WaitingReceiver&) = delete;
    WaitingReceiver& operator=(const WaitingReceiver&) = delete;

   private:
    Shared& shared_;
  };

  Received<T> pop(std::unique_lock<std::mutex>& lock) const {
    Received<T> result(std::move(shared_->queue.front()));
    shared_->queue.pop_front();
    lock.unlock();
    shared_->not_full.notify_one();
    return result;
  }

  void attach() {
    if (!shared_) return;
    const auto lock = detail::lock_core(*shared_);
    ++shared_->receivers;
  }

  void detach() noexcept {
    if (!shared_) return;
    std::deque<T> dropped;
    bool last = false;
    {
      const auto lock = detail::lock_core(*shared_);
      last = --shared_->receivers == 0;
      // Nobody can take these any more; destroy them outside the lock.
      if (last) dropped.swap(shared_->queue);
    }
    if (last) shared_->not_full.notify_all();
    shared_.reset();
  }

  std::shared_ptr<Shared> shared_;
};

}  // namespace vessimor
