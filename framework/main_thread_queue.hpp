// The main-thread task queue of one instance: a task scheduled on the main thread runs at once, one
// scheduled elsewhere (the audio thread included) is queued without blocking and runs when the
// format's main-thread callback drains the queue. The format supplies the main-thread test and the
// wake-up (CLAP: the host's callback request; VST3: the run-loop source, woken once per batch).
#pragma once

#include <atomic>
#include <cstddef>
#include <optional>
#include <utility>

#include "framework/context.hpp"
#include "framework/mpmc_queue.hpp"

namespace vessimor {

template <class Task>
class MainThreadQueue {
 public:
  static constexpr std::size_t CAPACITY = 4096;

  // Runs the task through `executor` when `on_main_thread`; otherwise queues it and calls
  // `wake()`. False when the queue was full and the task dropped. Never blocks. Thread: any
  template <class Wake>
  bool schedule(Task task, bool on_main_thread, MainThreadExecutor<Task>& executor, Wake&& wake) {
    if (on_main_thread) {
      executor.execute(std::move(task), true);
      return true;
    }
    return queue(std::move(task), std::forward<Wake>(wake));
  }

  // Queues the task and calls `wake()`; false when the queue was full and the task dropped.
  // Never blocks. Thread: any
  template <class Wake>
  bool queue(Task task, Wake&& wake) {
    if (!tasks_.try_push(std::move(task))) return false;
    std::forward<Wake>(wake)();
    return true;
  }

  // Queues the task, calling `wake()` only when no wake-up is outstanding: one wake per batch of
  // tasks until the main thread drains them, however many the audio thread queues in a block.
  // False when the queue was full and the task dropped. Never blocks. Thread: any
  template <class Wake>
  bool queue_waking_once(Task task, Wake&& wake) {
    if (!tasks_.try_push(std::move(task))) return false;
    // The exchange orders the push before the drain's clearing exchange that reads it.
    if (!wake_outstanding_.exchange(true, std::memory_order_acq_rel)) std::forward<Wake>(wake)();
    return true;
  }

  // Runs every queued task in order, also those queued while it runs. Thread: main
  void run_queued(MainThreadExecutor<Task>& executor) {
    // Cleared before draining: a task queued from here on wakes the main thread again (at worst
    // for an empty drain), and one queued before is taken by this drain.
    wake_outstanding_.exchange(false, std::memory_order_acq_rel);
    while (std::optional<Task> task = tasks_.try_pop()) {
      executor.execute(std::move(*task), true);
    }
  }

 private:
  MpmcQueue<Task> tasks_{CAPACITY};
  std::atomic<bool> wake_outstanding_{false};
};

}  // namespace vessimor
