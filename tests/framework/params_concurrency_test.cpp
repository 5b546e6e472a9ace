#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "framework/params/param_ptr.hpp"
#include "tests/support/wait.hpp"

// One thread sets values (as the main thread does for editor edits and state loads) while another
// reads, modulates and prepares smoothers (as the audio thread does). Run under the thread
// sanitizer this proves every shared field is an atomic cell.
namespace vessimor {
namespace {

TEST(ParamsConcurrency, SettersReadersAndSmoothersOnTwoThreads) {
  const auto f = FloatParam("F", 0.5f, FloatRange::skewed(20.0f, 5000.0f, 0.25f))
                     .with_smoother(SmoothingStyle::Linear{5.0f});
  const auto i =
      IntParam("I", 4, IntRange::linear(2, 16)).with_smoother(SmoothingStyle::Linear{5.0f});
  const BoolParam b("B", false);
  const EnumParam e("E", 0, {"a", "b", "c", "d"});
  const ParamPtr params[] = {ParamPtr(&f), ParamPtr(&i), ParamPtr(&b), ParamPtr(&e)};

  constexpr int kRounds = 20000;
  std::atomic<bool> start{false};
  std::thread writer([&] {
    ASSERT_TRUE(test::wait_until([&] { return start.load(); }, "the reader's start"));
    for (int n = 0; n < kRounds; ++n) {
      const float normalized = static_cast<float>(n % 101) / 100.0f;
      for (const auto& p : params) {
        p.set_normalized_value(normalized);
        p.update_smoother(48000.0f, n % 2 == 0);
      }
      f.set_plain_value(440.0f);
      i.set_plain_value(n % 20);
    }
  });

  float sink = 0.0f;
  start.store(true);
  for (int n = 0; n < kRounds; ++n) {
    const float offset = static_cast<float>(n % 21 - 10) / 20.0f;
    for (const auto& p : params) {
      p.modulate_value(offset);
      p.update_smoother(44100.0f, n % 3 == 0);
      sink += p.modulated_normalized_value() + p.unmodulated_normalized_value();
    }
    sink += f.value() + f.unmodulated_value() + f.smoothed().current() + f.smoothed().step_size() +
            static_cast<float>(f.smoothed().steps_left() + i.value() + i.smoothed().target() +
                               e.value()) +
            (b.value() ? 1.0f : 0.0f);
  }
  test::bounded_wait("the writer's end", [&] { writer.join(); });

  EXPECT_TRUE(std::isfinite(sink));
  for (const auto& p : params) {
    const float n = p.modulated_normalized_value();
    EXPECT_GE(n, 0.0f);
    EXPECT_LE(n, 1.0f);
  }
}

}  // namespace
}  // namespace vessimor
