#pragma once

// The background worker: one "bg-worker" thread per wrapper kind (keyed by the wrapper's task
// type), shared by that kind's live instances and stopped and joined when the last one lets go.
// Tasks run through the instance's MainThreadExecutor, held weakly so that the worker never keeps
// an instance alive.

#include <exception>
#include <latch>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <typeindex>
#include <unordered_map>
#include <utility>
#include <variant>

#include "framework/channel.hpp"
#include "framework/context.hpp"
#include "framework/panic.hpp"
#include "platform/thread_name.hpp"

namespace vessimor {

namespace detail {

// HANDLE_MAP: per wrapper task type, a weak reference to that kind's worker (erased to void so
// that one map serves every task type).
struct WorkerHandleMap {
  std::mutex mutex;
  std::unordered_map<std::type_index, std::weak_ptr<void>> workers;
};

// Created on first use and never destroyed, so instances released during exit still find it.
WorkerHandleMap& HANDLE_MAP();

}  // namespace detail

template <class Task>
class WorkerThread {
 public:
  static constexpr std::size_t kQueueCapacity = 4096;

  // A new worker with its thread running; a thread that cannot start is a fatal failure.
  // Thread: any
  static std::shared_ptr<WorkerThread> spawn() {
    auto [sender, receiver] = Channel<Message>::bounded(kQueueCapacity);
    auto worker = std::shared_ptr<WorkerThread>(new WorkerThread(std::move(sender)));
    // The worker is named before spawn returns, so that it shows under its name at once.
    std::latch named(1);
    try {
      worker->join_handle_.emplace(
          [state = worker->state_, receiver = std::move(receiver), &named] {
            platform::set_current_thread_name("bg-worker");
            named.count_down();
            state->failure = catch_panic([&] { run(receiver); });
          });
    } catch (const std::system_error& error) {
      worker->started_ = false;  // nothing to stop when this worker unwinds
      VESSIMOR_PANIC("Could not spawn background worker thread: {}", error.what());
    }
    named.wait();
    return worker;
  }

  // Stopping: the last reference is gone, so ask the thread to finish (after the tasks queued
  // before the request) and wait for it.
  // Thread: whichever releases the last handle
  ~WorkerThread() {
    if (!started_) return;
    // Named rather than a temporary: g++ 12 takes the temporary's other alternative for
    // uninitialised when it inlines the send.
    Message shutdown{std::in_place_type<Shutdown>};
    if (sender_.send(std::move(shutdown)) != ChannelStatus::Ok) {
      VESSIMOR_PANIC(
          "Failed while sending worker thread shutdown request: sending on a disconnected channel");
    }
    if (!join_handle_) VESSIMOR_PANIC("Missing Worker thread JoinHandle");
    std::thread handle = std::move(*join_handle_);
    join_handle_.reset();
    if (handle.get_id() == std::this_thread::get_id()) {
      // A task released the last handle on the worker itself: it cannot wait for itself, and it
      // ends on its own once this task returns, the shutdown request being next in its queue.
      handle.detach();
      return;
    }
    handle.join();
    if (state_->failure) {
      VESSIMOR_PANIC("Worker thread panicked: {}",
                     panic_message(state_->failure).value_or("Box<Any>"));
    }
  }

  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Queues a task without waiting; false (the task is dropped) when the queue is full.
  // Thread: any
  bool schedule(Task task, std::weak_ptr<MainThreadExecutor<Task>> executor) {
    return sender_.try_send(Message{TaskMessage{std::move(task), std::move(executor)}}) ==
           ChannelStatus::Ok;
  }

  // The worker thread's id, for telling workers apart.
  std::thread::id thread_id() const noexcept {
    return join_handle_ ? join_handle_->get_id() : std::thread::id();
  }

 private:
  struct TaskMessage {
    Task task;
    std::weak_ptr<MainThreadExecutor<Task>> executor;
  };
  struct Shutdown {};
  using Message = std::variant<TaskMessage, Shutdown>;

  // Written by the worker thread before it ends, read after the join.
  struct State {
    std::exception_ptr failure;
  };

  explicit WorkerThread(Sender<Message> sender) : sender_(std::move(sender)) {}

  static void run(const Receiver<Message>& receiver) {
    while (auto message = receiver.recv()) {
      auto* task = std::get_if<TaskMessage>(&*message);
      if (task == nullptr) return;  // shutdown request
      if (auto executor = task->executor.lock()) {
        executor->execute(std::move(task->task), false);
      }
      // An executor already gone: the instance was destroyed, its task is dropped.
    }
  }

  Sender<Message> sender_;
  std::shared_ptr<State> state_ = std::make_shared<State>();
  std::optional<std::thread> join_handle_;
  bool started_ = true;
};

// One instance's handle on its kind's worker.
template <class Task>
class BackgroundThread {
 public:
  // The live worker of this task type, or a new one. Thread: main (instance construction)
  static BackgroundThread get_or_create(std::weak_ptr<MainThreadExecutor<Task>> executor) {
    auto& map = detail::HANDLE_MAP();
    std::lock_guard lock(map.mutex);
    std::weak_ptr<void>& entry = map.workers[std::type_index(typeid(Task))];
    auto worker = std::static_pointer_cast<WorkerThread<Task>>(entry.lock());
    if (!worker) {
      worker = WorkerThread<Task>::spawn();
      entry = worker;
    }
    return BackgroundThread(std::move(worker), std::move(executor));
  }

  // Runs the task on the worker through this instance's executor; never waits. False when the
  // queue is full and the task was dropped. Thread: any
  bool schedule(Task task) { return worker_ && worker_->schedule(std::move(task), executor_); }

  const WorkerThread<Task>* worker() const noexcept { return worker_.get(); }

 private:
  BackgroundThread(std::shared_ptr<WorkerThread<Task>> worker,
                   std::weak_ptr<MainThreadExecutor<Task>> executor)
      : worker_(std::move(worker)), executor_(std::move(executor)) {}

  std::shared_ptr<WorkerThread<Task>> worker_;
  std::weak_ptr<MainThreadExecutor<Task>> executor_;
};

}  // namespace vessimor
