// The main-thread task queue of one instance: a task scheduled on the main thread runs at once, one
// scheduled elsewhere (the audio thread included) is queued without blocking and runs when the
// format's main-thread callback drains the queue. The format supplies the main-thread test and the
// wake-up (CLAP: the host's callback request; VST3: the run-loop source).
#pragma once

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

  // Runs every queued task in order, also those queued while it runs. Thread: main
  void run_queued(MainThreadExecutor<Task>& executor) {
    while (std::optional<Task> task = tasks_.try_pop()) {
      executor.execute(std::move(*task), true);
    }
  }

 private:
  MpmcQueue<Task> tasks_{CAPACITY};
};

}  // namespace vessimor
