#include "framework/background_thread.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tests/support/wait.hpp"

namespace vessimor {
namespace {

// Two task types stand for two wrapper kinds.
struct ClapTask {
  std::function<void()> run;
};
struct Vst3Task {
  std::function<void()> run;
};

template <class Task>
class RecordingExecutor final : public MainThreadExecutor<Task> {
 public:
  void execute(Task task, bool is_gui_thread) override {
    {
      std::lock_guard lock(mutex_);
      thread_names_.push_back(platform::current_thread_name().value_or("unnamed"));
      gui_flags_.push_back(is_gui_thread);
    }
    if (task.run) task.run();
    executed_.fetch_add(1);
  }

  int executed() const { return executed_.load(); }
  std::vector<std::string> thread_names() const {
    std::lock_guard lock(mutex_);
    return thread_names_;
  }
  std::vector<bool> gui_flags() const {
    std::lock_guard lock(mutex_);
    return gui_flags_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> thread_names_;
  std::vector<bool> gui_flags_;
  std::atomic<int> executed_{0};
};

TEST(BackgroundThread, InstancesOfOneKindShareAWorkerAndKindsDoNot) {
  auto clap_a = std::make_shared<RecordingExecutor<ClapTask>>();
  auto clap_b = std::make_shared<RecordingExecutor<ClapTask>>();
  auto vst3 = std::make_shared<RecordingExecutor<Vst3Task>>();
  {
    auto first = BackgroundThread<ClapTask>::get_or_create(clap_a);
    auto second = BackgroundThread<ClapTask>::get_or_create(clap_b);
    auto other = BackgroundThread<Vst3Task>::get_or_create(vst3);
    EXPECT_EQ(first.worker(), second.worker());
    EXPECT_NE(first.worker()->thread_id(), other.worker()->thread_id());

    // Each handle's tasks go to its own instance's executor.
    EXPECT_TRUE(first.schedule(ClapTask{}));
    EXPECT_TRUE(second.schedule(ClapTask{}));
    EXPECT_TRUE(second.schedule(ClapTask{}));
    EXPECT_TRUE(other.schedule(Vst3Task{}));
  }  // the last handles: both workers finish their queues and are joined here
  EXPECT_EQ(clap_a->executed(), 1);
  EXPECT_EQ(clap_b->executed(), 2);
  EXPECT_EQ(vst3->executed(), 1);
  EXPECT_EQ(clap_b->thread_names(), (std::vector<std::string>{"bg-worker", "bg-worker"}));
  EXPECT_EQ(clap_b->gui_flags(), (std::vector<bool>{false, false}));
}

TEST(BackgroundThread, DroppingTheLastHandleJoinsAfterQueuedTasksAndALaterOneRespawns) {
  auto executor = std::make_shared<RecordingExecutor<ClapTask>>();
  std::atomic<bool> slow_done{false};
  {
    auto handle = BackgroundThread<ClapTask>::get_or_create(executor);
    handle.schedule(ClapTask{[&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      slow_done = true;
    }});
  }
  // The destruction waited for the queued task and the thread's end.
  EXPECT_TRUE(slow_done.load());

  auto again = BackgroundThread<ClapTask>::get_or_create(executor);
  std::promise<void> ran;
  ASSERT_TRUE(again.schedule(ClapTask{[&] { ran.set_value(); }}));
  EXPECT_EQ(ran.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
}

TEST(BackgroundThread, TaskOfADestroyedInstanceIsDiscarded) {
  auto living = std::make_shared<RecordingExecutor<ClapTask>>();
  auto doomed = std::make_shared<RecordingExecutor<ClapTask>>();
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<bool> ran{false};
  {
    auto keeper = BackgroundThread<ClapTask>::get_or_create(living);
    auto handle = BackgroundThread<ClapTask>::get_or_create(doomed);
    // Hold the worker so that the doomed instance's task is still queued when it goes.
    keeper.schedule(ClapTask{[released] { (void)released.wait_for(test::WAIT_LIMIT); }});
    handle.schedule(ClapTask{[&ran] { ran = true; }});
    doomed.reset();
    release.set_value();
    keeper.schedule(ClapTask{});
  }
  EXPECT_FALSE(ran.load());
  EXPECT_EQ(living->executed(), 2);
}

TEST(BackgroundThread, FullQueueDropsTheTaskWithoutWaiting) {
  auto executor = std::make_shared<RecordingExecutor<ClapTask>>();
  std::promise<void> started;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  {
    auto handle = BackgroundThread<ClapTask>::get_or_create(executor);
    handle.schedule(ClapTask{[&started, released] {
      started.set_value();
      (void)released.wait_for(test::WAIT_LIMIT);
    }});
    test::bounded_wait("the worker to start the task", [&] { started.get_future().wait(); });
    // The running task left the queue: exactly 4096 more fit.
    for (std::size_t i = 0; i < WorkerThread<ClapTask>::kQueueCapacity; ++i) {
      ASSERT_TRUE(handle.schedule(ClapTask{})) << i;
    }
    EXPECT_FALSE(handle.schedule(ClapTask{}));
    release.set_value();
  }
  EXPECT_EQ(executor->executed(), 1 + static_cast<int>(WorkerThread<ClapTask>::kQueueCapacity));
}

}  // namespace
}  // namespace vessimor
