#include "framework/channel.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/mutex.hpp"
#include "tests/support/lock_probe.hpp"
#include "tests/support/wait.hpp"

namespace vessimor {
namespace {

using namespace std::chrono_literals;

TEST(Channel, UnboundedKeepsOrderAndNeverRefuses) {
  auto [tx, rx] = Channel<int>::unbounded();
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(tx.try_send(i), ChannelStatus::Ok);
  for (int i = 0; i < 1000; ++i) {
    auto got = rx.try_recv();
    ASSERT_TRUE(got);
    EXPECT_EQ(*got, i);
  }
  EXPECT_EQ(rx.try_recv().status(), ChannelStatus::Empty);
}

TEST(Channel, BoundedRefusesBeyondCapacityAndKeepsTheValue) {
  auto [tx, rx] = Channel<std::string>::bounded(2);
  EXPECT_EQ(tx.try_send(std::string("a")), ChannelStatus::Ok);
  EXPECT_EQ(tx.try_send(std::string("b")), ChannelStatus::Ok);
  std::string third = "c";
  EXPECT_EQ(tx.try_send(std::move(third)), ChannelStatus::Full);
  EXPECT_EQ(third, "c");  // NOLINT: a refused send must not consume the value
  EXPECT_EQ(tx.send_timeout(std::move(third), 5ms), ChannelStatus::Timeout);
  EXPECT_EQ(third, "c");  // NOLINT
  EXPECT_EQ(*rx.recv(), "a");
  EXPECT_EQ(tx.try_send(std::move(third)), ChannelStatus::Ok);
  EXPECT_EQ(*rx.recv(), "b");
  EXPECT_EQ(*rx.recv(), "c");
}

TEST(Channel, BlockingSendWaitsForRoom) {
  auto [tx, rx] = Channel<int>::bounded(1);
  ASSERT_EQ(tx.send(1), ChannelStatus::Ok);
  std::atomic<bool> second_sent{false};
  std::thread sender([&, tx = tx] {
    EXPECT_EQ(tx.send(2), ChannelStatus::Ok);
    second_sent = true;
  });
  std::this_thread::sleep_for(20ms);
  EXPECT_FALSE(second_sent.load());  // still full: the sender must be waiting
  EXPECT_EQ(*rx.recv(), 1);
  // clang 14 captures no structured binding by name, hence the captures spelled out.
  test::bounded_wait("the waiting sender's value", [&rx = rx, &sender] {
    EXPECT_EQ(*rx.recv(), 2);
    sender.join();
  });
  EXPECT_TRUE(second_sent.load());
}

TEST(Channel, TimedReceiveReportsTimeoutAfterWaiting) {
  auto [tx, rx] = Channel<int>::unbounded();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(rx.recv_timeout(15ms).status(), ChannelStatus::Timeout);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 15ms);
  tx.send(4);
  auto got = rx.recv_timeout(1s);
  ASSERT_TRUE(got);
  EXPECT_EQ(*got, 4);
}

TEST(Channel, RendezvousHandsOverOnlyToAWaitingReceiver) {
  auto [tx, rx] = Channel<int>::rendezvous();
  EXPECT_EQ(tx.try_send(1), ChannelStatus::Full);  // nobody waiting
  EXPECT_EQ(tx.send_timeout(1, 5ms), ChannelStatus::Timeout);
  EXPECT_EQ(rx.try_recv().status(), ChannelStatus::Empty);

  std::thread receiver([rx = rx] {
    for (int expected = 0; expected < 100; ++expected) {
      auto got = rx.recv();
      ASSERT_TRUE(got);
      EXPECT_EQ(*got, expected);
    }
  });
  test::bounded_wait("100 hand-overs to the waiting receiver", [&tx = tx, &receiver] {
    for (int i = 0; i < 100; ++i) ASSERT_EQ(tx.send(i), ChannelStatus::Ok);
    receiver.join();
  });
  EXPECT_EQ(Channel<int>::bounded(0).first.try_send(1), ChannelStatus::Full);
}

TEST(Channel, ReceiversDrainThenSeeDisconnectedWhenEverySenderIsGone) {
  auto [tx, rx] = Channel<int>::unbounded();
  {
    auto copy = tx;  // copies count as senders
    tx = Sender<int>();
    EXPECT_FALSE(rx.is_disconnected());
    copy.send(1);
    copy.send(2);
  }
  EXPECT_TRUE(rx.is_disconnected());
  EXPECT_EQ(*rx.recv(), 1);
  EXPECT_EQ(*rx.try_recv(), 2);
  EXPECT_EQ(rx.recv().status(), ChannelStatus::Disconnected);
  EXPECT_EQ(rx.try_recv().status(), ChannelStatus::Disconnected);
  EXPECT_EQ(rx.recv_timeout(1s).status(), ChannelStatus::Disconnected);
}

TEST(Channel, BlockedReceiverWakesWhenTheLastSenderLeaves) {
  auto [tx, rx] = Channel<int>::bounded(4);
  std::thread receiver([rx = std::move(rx)]() mutable {
    EXPECT_EQ(rx.recv().status(), ChannelStatus::Disconnected);
  });
  std::this_thread::sleep_for(10ms);
  tx = Sender<int>();
  test::bounded_wait("the blocked receiver to wake", [&] { receiver.join(); });
}

TEST(Channel, SendersSeeDisconnectedAndQueuedValuesAreFreedWhenEveryReceiverIsGone) {
  auto token = std::make_shared<int>(1);
  auto [tx, rx] = Channel<std::shared_ptr<int>>::bounded(1);
  ASSERT_EQ(tx.send(token), ChannelStatus::Ok);
  EXPECT_EQ(token.use_count(), 2);

  std::thread blocked([tx = tx, token] {
    // Full, so this waits until the receiver goes away.
    EXPECT_EQ(tx.send(token), ChannelStatus::Disconnected);
  });
  std::this_thread::sleep_for(10ms);
  {
    auto copy = std::move(rx);  // a moved-from handle no longer counts
    EXPECT_EQ(rx.try_recv().status(), ChannelStatus::Disconnected);  // NOLINT
  }
  test::bounded_wait("the blocked sender to wake", [&] { blocked.join(); });
  EXPECT_EQ(token.use_count(), 1);
  EXPECT_TRUE(tx.is_disconnected());
  EXPECT_EQ(tx.try_send(token), ChannelStatus::Disconnected);
  Sender<int> orphan = Channel<int>::rendezvous().first;  // its receiver is gone at once
  EXPECT_EQ(orphan.send(1), ChannelStatus::Disconnected);
}

TEST(Channel, DefaultHandlesAreDisconnected) {
  Sender<int> tx;
  Receiver<int> rx;
  EXPECT_EQ(tx.send(1), ChannelStatus::Disconnected);
  EXPECT_EQ(rx.recv().status(), ChannelStatus::Disconnected);
}

// Several producers and consumers on each kind of channel: every value arrives exactly once and
// the consumers stop by themselves once the producers are done.
TEST(Channel, ManyProducersAndConsumersOnEveryKind) {
  constexpr int kProducers = 3;
  constexpr int kConsumers = 3;
  constexpr int kPerProducer = 3000;
  for (int kind = 0; kind < 3; ++kind) {
    auto [tx, rx] = kind == 0   ? Channel<int>::unbounded()
                    : kind == 1 ? Channel<int>::bounded(8)
                                : Channel<int>::rendezvous();
    std::vector<std::vector<int>> seen(kConsumers);
    std::vector<std::thread> threads;
    for (int c = 0; c < kConsumers; ++c) {
      threads.emplace_back([&seen, c, rx = rx] {
        for (int n = 0;; ++n) {
          // Mix the three ways of receiving.
          auto got = n % 3 == 0 ? rx.recv() : n % 3 == 1 ? rx.recv_timeout(1ms) : rx.try_recv();
          if (got) {
            seen[c].push_back(*got);
          } else if (got.status() == ChannelStatus::Disconnected) {
            return;
          }
        }
      });
    }
    rx = Receiver<int>();
    for (int p = 0; p < kProducers; ++p) {
      threads.emplace_back([p, tx = tx] {
        for (int i = 0; i < kPerProducer; ++i) {
          const int value = p * kPerProducer + i;
          const auto status = i % 2 ? tx.send(value) : tx.send_timeout(value, 10s);
          ASSERT_EQ(status, ChannelStatus::Ok);
        }
      });
    }
    tx = Sender<int>();
    test::bounded_wait("every producer and consumer to end", [&] {
      for (auto& thread : threads) thread.join();
    });

    std::vector<int> all;
    for (const auto& consumer : seen) all.insert(all.end(), consumer.begin(), consumer.end());
    std::sort(all.begin(), all.end());
    ASSERT_EQ(all.size(), static_cast<std::size_t>(kProducers * kPerProducer)) << "kind " << kind;
    for (int i = 0; i < kProducers * kPerProducer; ++i) ASSERT_EQ(all[i], i);
  }
}

TEST(LockProbe, SeesChannelAndMutexLocksOfItsOwnThreadOnly) {
  auto [tx, rx] = Channel<int>::unbounded();
  Mutex mutex;
  test::LockProbe probe;
  ASSERT_EQ(tx.try_send(1), ChannelStatus::Ok);
  ASSERT_TRUE(rx.try_recv());
  { std::lock_guard lock(mutex); }
  std::thread([&] { std::lock_guard lock(mutex); }).join();
  EXPECT_EQ(probe.count(), 3u);
}

}  // namespace
}  // namespace vessimor
