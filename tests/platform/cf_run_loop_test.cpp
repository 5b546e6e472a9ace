#include "platform/apple/cf_run_loop.hpp"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

struct Performed {
  std::vector<std::string>* log;
  std::string name;
};

void perform(void* info) {
  auto* performed = static_cast<Performed*>(info);
  performed->log->push_back(performed->name);
}

CFRunLoopSourceRef make_source(Performed& performed, CFIndex order) {
  CFRunLoopSourceContext context{};
  context.info = &performed;
  context.perform = &perform;
  return CFRunLoopSourceCreate(kCFAllocatorDefault, order, &context);
}

void drop(CFRunLoopSourceRef source) {
  CFRunLoopRemoveSource(CFRunLoopGetMain(), source, kCFRunLoopCommonModes);
  CFRunLoopSourceInvalidate(source);
  CFRelease(source);
}

TEST(CFRunLoopStandIn, MainLoopPerformsEachSignalledSourceOnceInOrder) {
  std::vector<std::string> log;
  Performed late{&log, "late"};
  Performed early{&log, "early"};
  Performed idle{&log, "idle"};
  CFRunLoopSourceRef late_source = make_source(late, 5);
  CFRunLoopSourceRef early_source = make_source(early, 1);
  CFRunLoopSourceRef idle_source = make_source(idle, 0);
  for (auto* source : {late_source, early_source, idle_source}) {
    CFRunLoopAddSource(CFRunLoopGetMain(), source, kCFRunLoopCommonModes);
  }
  CFRunLoopSourceSignal(late_source);
  CFRunLoopSourceSignal(early_source);

  // Another thread's run loop is its own and empty: it performs nothing.
  std::thread([] {
    EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, false), kCFRunLoopRunFinished);
  }).join();
  EXPECT_TRUE(log.empty());

  EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, false), kCFRunLoopRunTimedOut);
  EXPECT_EQ(log, (std::vector<std::string>{"early", "late"}));
  CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, false);
  EXPECT_EQ(log.size(), 2u);

  CFRunLoopSourceSignal(late_source);
  CFRunLoopSourceSignal(early_source);
  EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, true), kCFRunLoopRunHandledSource);
  EXPECT_EQ(log.back(), "early");
  CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, true);
  EXPECT_EQ(log.back(), "late");
  for (auto* source : {late_source, early_source, idle_source}) drop(source);
}

TEST(CFRunLoopStandIn, RemovedOrInvalidatedSourcesAreNeverPerformed) {
  std::vector<std::string> log;
  Performed removed{&log, "removed"};
  Performed invalidated{&log, "invalidated"};
  CFRunLoopSourceRef removed_source = make_source(removed, 0);
  CFRunLoopSourceRef invalidated_source = make_source(invalidated, 0);
  CFRunLoopAddSource(CFRunLoopGetMain(), removed_source, kCFRunLoopCommonModes);
  CFRunLoopAddSource(CFRunLoopGetMain(), invalidated_source, kCFRunLoopCommonModes);
  CFRunLoopSourceSignal(removed_source);
  CFRunLoopSourceSignal(invalidated_source);
  CFRunLoopRemoveSource(CFRunLoopGetMain(), removed_source, kCFRunLoopCommonModes);
  CFRunLoopSourceInvalidate(invalidated_source);
  EXPECT_FALSE(CFRunLoopSourceIsValid(invalidated_source));
  CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, false);
  EXPECT_TRUE(log.empty());
  drop(removed_source);
  CFRelease(invalidated_source);
}

TEST(CFRunLoopStandIn, OnlyVersionZeroContextsMakeSources) {
  CFRunLoopSourceContext context{};
  context.version = 1;
  EXPECT_EQ(CFRunLoopSourceCreate(kCFAllocatorDefault, 0, &context), nullptr);
  EXPECT_EQ(CFRunLoopSourceCreate(kCFAllocatorDefault, 0, nullptr), nullptr);
}

}  // namespace
