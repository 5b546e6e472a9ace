#pragma once

// The main-thread event loop of a VST3 instance: a task scheduled on the main thread runs at once;
// one scheduled on any other thread goes into a bounded lock-free queue, and a run-loop source on
// the main run loop drains that queue there. The loop also holds the instance's handle on the
// shared background worker. Both hold the executor weakly, so the loop never keeps its instance
// alive and tasks for an instance that is going away are dropped.

#include <cstddef>
#include <memory>
#include <optional>
#include <utility>

#include "framework/background_thread.hpp"
#include "framework/context.hpp"
#include "framework/main_thread_queue.hpp"
#include "framework/panic.hpp"
#include "platform/main_thread.hpp"
#include "platform/run_loop.hpp"

namespace vessimor {

template <class Task>
class MacOSEventLoop final : public EventLoop<Task> {
 public:
  static constexpr std::size_t TASK_QUEUE_CAPACITY = MainThreadQueue<Task>::CAPACITY;

  // Attaches the loop's source to the main run loop, then joins (or starts) the background
  // worker. Thread: main (instance construction)
  explicit MacOSEventLoop(std::weak_ptr<MainThreadExecutor<Task>> executor)
      : callback_data_(std::make_unique<CallbackData>(executor)) {
    CFRunLoopSourceContext context{};
    context.version = 0;
    context.info = callback_data_.get();
    context.perform = &MacOSEventLoop::loop_source_callback;
    source_ = CFRunLoopSourceCreate(kCFAllocatorDefault, 1, &context);
    if (source_ == nullptr) {
      VESSIMOR_PANIC("Could not create the main-thread run-loop source");
    }
    CFRunLoopAddSource(CFRunLoopGetMain(), source_, kCFRunLoopCommonModes);
    try {
      background_thread_.emplace(BackgroundThread<Task>::get_or_create(executor));
    } catch (...) {
      detach_source();
      throw;
    }
    executor_ = std::move(executor);
  }

  // Detaches the source first, so that no callback can run once the callback data goes; tasks
  // still queued are dropped. Thread: main, or whichever thread lets go of the instance last
  ~MacOSEventLoop() override {
    detach_source();
    // The members go next: the executor, the worker handle (which stops and joins the worker when
    // it was the last), then the callback data with its queue.
  }

  MacOSEventLoop(const MacOSEventLoop&) = delete;
  MacOSEventLoop& operator=(const MacOSEventLoop&) = delete;

  // Runs the task now on the main thread; elsewhere queues it without waiting and, unless a
  // wake-up is already outstanding, signals the source and wakes the main run loop (each takes a
  // lock inside CoreFoundation, so a block of automation wakes it once, not once per value).
  // False when the queue is full and the task was dropped. A task for an executor that is already
  // gone is dropped silently. Thread: any (the audio thread included)
  bool schedule_gui(Task task) override {
    if (platform::is_main_thread()) {
      if (std::shared_ptr<MainThreadExecutor<Task>> executor = executor_.lock()) {
        callback_data_->tasks.schedule(std::move(task), true, *executor, [] {});
      }
      // Releasing the executor may end the instance and this loop with it: touch nothing after.
      return true;
    }
    return callback_data_->tasks.queue_waking_once(std::move(task), [this] {
      CFRunLoopSourceSignal(source_);
      CFRunLoopWakeUp(CFRunLoopGetMain());
    });
  }

  // The instance's handle on its kind's background worker. Thread: any
  BackgroundThread<Task>& background_thread() noexcept { return *background_thread_; }

 private:
  // The source's info: what its perform function needs, owned by the loop.
  struct CallbackData {
    explicit CallbackData(std::weak_ptr<MainThreadExecutor<Task>> executor)
        : executor(std::move(executor)) {}
    std::weak_ptr<MainThreadExecutor<Task>> executor;
    MainThreadQueue<Task> tasks;
  };

  // The run-loop source's perform function: drains the queue in order, tasks queued meanwhile
  // included. Thread: main (called by the main run loop)
  static void loop_source_callback(void* info) noexcept {
    guard_entry([info] {
      auto* data = static_cast<CallbackData*>(info);
      std::shared_ptr<MainThreadExecutor<Task>> executor = data->executor.lock();
      if (!executor) {
        return;
      }
      data->tasks.run_queued(*executor);
      // Releasing the executor may end the instance, and this loop with its callback data.
    });
  }

  void detach_source() noexcept {
    CFRunLoopRemoveSource(CFRunLoopGetMain(), source_, kCFRunLoopCommonModes);
    CFRunLoopSourceInvalidate(source_);
    CFRelease(source_);
  }

  // Destroyed in reverse order: the executor, the worker handle, the callback data.
  std::unique_ptr<CallbackData> callback_data_;
  std::optional<BackgroundThread<Task>> background_thread_;
  std::weak_ptr<MainThreadExecutor<Task>> executor_;
  CFRunLoopSourceRef source_ = nullptr;
};

}  // namespace vessimor
