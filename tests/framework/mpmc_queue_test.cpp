#include "framework/mpmc_queue.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/alloc_hook.hpp"
#include "tests/support/wait.hpp"

namespace vessimor {
namespace {

TEST(MpmcQueue, HoldsExactlyItsCapacityInOrder) {
  for (std::size_t capacity : {2u, 3u, 64u, 256u}) {
    MpmcQueue<int> queue(capacity);
    EXPECT_EQ(queue.capacity(), capacity);
    for (std::size_t i = 0; i < capacity; ++i) ASSERT_TRUE(queue.try_push(static_cast<int>(i)));
    EXPECT_FALSE(queue.try_push(-1)) << "capacity " << capacity;
    for (std::size_t i = 0; i < capacity; ++i) {
      auto value = queue.try_pop();
      ASSERT_TRUE(value.has_value());
      EXPECT_EQ(*value, static_cast<int>(i));
    }
    EXPECT_FALSE(queue.try_pop().has_value());
  }
}

TEST(MpmcQueue, RefusedValueIsLeftWithTheCaller) {
  MpmcQueue<std::string> queue(2);
  ASSERT_TRUE(queue.try_push(std::string("first")));
  ASSERT_TRUE(queue.try_push(std::string("also")));
  std::string second = "second, long enough to live on the heap";
  EXPECT_FALSE(queue.try_push(std::move(second)));
  EXPECT_EQ(second, "second, long enough to live on the heap");  // NOLINT: checked on purpose
  EXPECT_EQ(*queue.try_pop(), "first");
  EXPECT_EQ(*queue.try_pop(), "also");
}

TEST(MpmcQueue, StaysCorrectOverManyLapsOfAnOddCapacity) {
  MpmcQueue<int> queue(3);
  int next_in = 0;
  int next_out = 0;
  for (int round = 0; round < 1000; ++round) {
    const int batch = round % 4;  // sometimes fills it, sometimes not
    for (int i = 0; i < batch; ++i) {
      if (queue.try_push(next_in)) ++next_in;
    }
    while (auto value = queue.try_pop()) EXPECT_EQ(*value, next_out++);
  }
  EXPECT_EQ(next_in, next_out);
  EXPECT_GT(next_out, 1000);
}

TEST(MpmcQueue, RejectsCapacitiesBelowTwo) {
  EXPECT_THROW(MpmcQueue<int>(0), std::invalid_argument);
  EXPECT_THROW(MpmcQueue<int>(1), std::invalid_argument);
}

TEST(MpmcQueue, DestroysWhatIsLeftWhenDestroyed) {
  auto token = std::make_shared<int>(7);
  {
    MpmcQueue<std::shared_ptr<int>> queue(4);
    ASSERT_TRUE(queue.try_push(token));
    ASSERT_TRUE(queue.try_push(token));
    EXPECT_EQ(token.use_count(), 3);
  }
  EXPECT_EQ(token.use_count(), 1);
}

TEST(MpmcQueue, MovingStringsThroughDoesNotAllocate) {
  MpmcQueue<std::string> queue(8);
  std::string text(200, 'x');
  test::AllocationHook hook;
  ASSERT_TRUE(queue.try_push(std::move(text)));
  auto back = queue.try_pop();
  EXPECT_EQ(hook.count(), 0u);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->size(), 200u);
}

// Four producers and four consumers at once on a small queue: every value arrives exactly once,
// and each consumer sees each producer's values in the order they were pushed.
TEST(MpmcQueue, ManyProducersAndConsumersLoseAndDuplicateNothing) {
  constexpr int kProducers = 4;
  constexpr int kConsumers = 4;
  constexpr int kPerProducer = 20000;
  MpmcQueue<std::uint64_t> queue(16);
  std::atomic<int> producers_left{kProducers};
  std::vector<std::vector<std::uint64_t>> seen(kConsumers);

  std::vector<std::thread> threads;
  for (int p = 0; p < kProducers; ++p) {
    threads.emplace_back([&, p] {
      for (std::uint64_t i = 0; i < kPerProducer; ++i) {
        const std::uint64_t value = (static_cast<std::uint64_t>(p) << 32) | i;
        while (!queue.try_push(value)) std::this_thread::yield();
      }
      producers_left.fetch_sub(1, std::memory_order_release);
    });
  }
  for (int c = 0; c < kConsumers; ++c) {
    threads.emplace_back([&, c] {
      for (;;) {
        if (auto value = queue.try_pop()) {
          seen[c].push_back(*value);
        } else if (producers_left.load(std::memory_order_acquire) == 0) {
          // Everything pushed is visible now; take the rest and stop.
          while (auto rest = queue.try_pop()) seen[c].push_back(*rest);
          return;
        } else {
          std::this_thread::yield();
        }
      }
    });
  }
  test::bounded_wait("every producer and consumer to end", [&] {
    for (auto& thread : threads) thread.join();
  });

  std::vector<std::uint64_t> all;
  for (const auto& consumer : seen) {
    std::vector<std::int64_t> last(kProducers, -1);
    for (std::uint64_t value : consumer) {
      const auto producer = static_cast<std::size_t>(value >> 32);
      const auto index = static_cast<std::int64_t>(value & 0xffffffffu);
      ASSERT_LT(producer, static_cast<std::size_t>(kProducers));
      ASSERT_GT(index, last[producer]) << "out of order";
      last[producer] = index;
    }
    all.insert(all.end(), consumer.begin(), consumer.end());
  }
  ASSERT_EQ(all.size(), static_cast<std::size_t>(kProducers) * kPerProducer);
  std::sort(all.begin(), all.end());
  EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end()) << "a value arrived twice";
}

}  // namespace
}  // namespace vessimor
