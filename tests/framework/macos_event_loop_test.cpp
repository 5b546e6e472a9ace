#include "framework/macos_event_loop.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/main_thread.hpp"
#include "platform/run_loop.hpp"
#include "tests/support/wait.hpp"

namespace vessimor {
namespace {

struct LoopTask {
  int value = 0;
};

// What an executor ran; it outlives the executor.
class Record {
 public:
  void add(int value, bool is_gui_thread) {
    std::lock_guard lock(mutex_);
    values_.push_back(value);
    all_on_main_ = all_on_main_ && platform::is_main_thread() && is_gui_thread;
  }
  std::vector<int> values() const {
    std::lock_guard lock(mutex_);
    return values_;
  }
  bool all_on_main() const {
    std::lock_guard lock(mutex_);
    return all_on_main_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<int> values_;
  bool all_on_main_ = true;
};

class RecordingExecutor final : public MainThreadExecutor<LoopTask> {
 public:
  void execute(LoopTask task, bool is_gui_thread) override {
    record_->add(task.value, is_gui_thread);
  }
  std::shared_ptr<Record> record() const { return record_; }
  std::vector<int> values() const { return record_->values(); }
  bool all_on_main() const { return record_->all_on_main(); }

 private:
  std::shared_ptr<Record> record_ = std::make_shared<Record>();
};

void run_main_loop_once() {
  CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, false);
}

TEST(MacOSEventLoop, MainThreadTaskRunsBeforeScheduleReturns) {
  auto executor = std::make_shared<RecordingExecutor>();
  MacOSEventLoop<LoopTask> loop(executor);
  ASSERT_TRUE(platform::is_main_thread());
  EXPECT_TRUE(loop.schedule_gui({7}));
  EXPECT_EQ(executor->values(), std::vector<int>{7});
  EXPECT_TRUE(executor->all_on_main());
}

TEST(MacOSEventLoop, QueuesTasksFromOtherThreadsUntilTheMainLoopRunsAndRefusesPastCapacity) {
  auto executor = std::make_shared<RecordingExecutor>();
  MacOSEventLoop<LoopTask> loop(executor);
  const int capacity = static_cast<int>(MacOSEventLoop<LoopTask>::TASK_QUEUE_CAPACITY);
  std::vector<bool> accepted;
  // The main run loop is not turned meanwhile: it stands for a main thread that is busy.
  test::run_on_another_thread("tasks scheduled from another thread", [&] {
    for (int i = 0; i <= capacity; ++i) accepted.push_back(loop.schedule_gui({i}));
  });
  ASSERT_EQ(accepted.size(), 4097u);
  EXPECT_EQ(std::count(accepted.begin(), accepted.end(), true), 4096);
  EXPECT_FALSE(accepted.back());
  EXPECT_TRUE(executor->values().empty());

  run_main_loop_once();
  std::vector<int> expected(4096);
  for (int i = 0; i < 4096; ++i) expected[i] = i;
  EXPECT_EQ(executor->values(), expected);
  EXPECT_TRUE(executor->all_on_main());

  // Drained: the queue takes tasks again.
  test::run_on_another_thread("a task scheduled from another thread",
                              [&] { EXPECT_TRUE(loop.schedule_gui({9999})); });
  run_main_loop_once();
  EXPECT_EQ(executor->values().back(), 9999);
}

#if !defined(__APPLE__)
// Every signal and wake-up takes a lock inside CoreFoundation: a batch of tasks from the audio
// thread wakes the main thread once, and the next batch after the drain once again.
TEST(MacOSEventLoop, ABatchOfTasksWakesTheMainThreadOnce) {
  auto executor = std::make_shared<RecordingExecutor>();
  MacOSEventLoop<LoopTask> loop(executor);
  const std::uint64_t signals = platform::apple::run_loop_signal_count();
  const std::uint64_t wake_ups = platform::apple::run_loop_wake_up_count();
  test::run_on_another_thread("tasks scheduled from another thread", [&] {
    for (int i = 0; i < 29; ++i) EXPECT_TRUE(loop.schedule_gui({i}));
  });
  EXPECT_EQ(platform::apple::run_loop_signal_count(), signals + 1);
  EXPECT_EQ(platform::apple::run_loop_wake_up_count(), wake_ups + 1);
  run_main_loop_once();
  const std::vector<int> ran = executor->values();
  ASSERT_EQ(ran.size(), 29u);
  EXPECT_TRUE(std::is_sorted(ran.begin(), ran.end()));

  test::run_on_another_thread("tasks scheduled from another thread", [&] {
    EXPECT_TRUE(loop.schedule_gui({29}));
    EXPECT_TRUE(loop.schedule_gui({30}));
  });
  EXPECT_EQ(platform::apple::run_loop_signal_count(), signals + 2);
  EXPECT_EQ(platform::apple::run_loop_wake_up_count(), wake_ups + 2);
  run_main_loop_once();
  EXPECT_EQ(executor->values().back(), 30);
}
#endif

TEST(MacOSEventLoop, TasksForAnInstanceBeingTornDownNeverRun) {
  auto executor = std::make_shared<RecordingExecutor>();
  const auto record = executor->record();
  MacOSEventLoop<LoopTask> loop(executor);
  // The instance's last owner let go: the loop holds the executor only weakly.
  executor.reset();
  test::run_on_another_thread("a task scheduled from another thread",
                              [&] { EXPECT_TRUE(loop.schedule_gui({1})); });
  EXPECT_TRUE(loop.schedule_gui({2}));
  run_main_loop_once();
  EXPECT_TRUE(record->values().empty());
}

#if !defined(__APPLE__)
// The run-loop stand-in records its calls.
TEST(MacOSEventLoop, TeardownDetachesTheSourceAndDropsQueuedTasks) {
  auto executor = std::make_shared<RecordingExecutor>();
  platform::apple::clear_run_loop_calls();
  const std::size_t sources_before = platform::apple::main_run_loop_source_count();
  auto loop = std::make_unique<MacOSEventLoop<LoopTask>>(executor);
  EXPECT_EQ(platform::apple::main_run_loop_source_count(), sources_before + 1);
  test::run_on_another_thread("a task scheduled from another thread",
                              [&] { EXPECT_TRUE(loop->schedule_gui({1})); });
  loop.reset();
  run_main_loop_once();
  EXPECT_TRUE(executor->values().empty());
  EXPECT_EQ(platform::apple::main_run_loop_source_count(), sources_before);

  const auto calls = platform::apple::run_loop_calls();
  ASSERT_FALSE(calls.empty());
  const void* source = calls.front().source;
  std::vector<std::string> names;
  for (const auto& call : calls) {
    if (call.source == source) names.push_back(call.name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"CFRunLoopSourceCreate", "CFRunLoopAddSource",
                                             "CFRunLoopRemoveSource", "CFRunLoopSourceInvalidate",
                                             "CFRelease"}));
}
#endif

TEST(MacOSEventLoop, LoopsShareTheirKindsBackgroundWorker) {
  auto first_executor = std::make_shared<RecordingExecutor>();
  auto second_executor = std::make_shared<RecordingExecutor>();
  MacOSEventLoop<LoopTask> first(first_executor);
  MacOSEventLoop<LoopTask> second(second_executor);
  ASSERT_NE(first.background_thread().worker(), nullptr);
  EXPECT_EQ(first.background_thread().worker(), second.background_thread().worker());
  // Each loop's queue is its own.
  test::run_on_another_thread("a task scheduled from another thread",
                              [&] { EXPECT_TRUE(first.schedule_gui({1})); });
  run_main_loop_once();
  EXPECT_EQ(first_executor->values(), std::vector<int>{1});
  EXPECT_TRUE(second_executor->values().empty());
}

}  // namespace
}  // namespace vessimor
