#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

#include "engine/processor.hpp"
#include "platform/denormals.hpp"
#include "tests/engine/settings.hpp"
#include "tests/support/alloc_hook.hpp"

namespace vessimor {
namespace {

TEST(ProcessorRealtime, ProcessNeverAllocates) {
  VessimorProcessor p(44100.0f);
  p.set_sample_rate(48000.0f);
  test::Noise noise(5);
  test::Settings s;
  s.swarm_drift = 1.0f;
  s.carrier_env_amount = 1.0f;
  s.lock_motion_enable = true;
  s.lock_motion_depth = 1.0f;
  s.trig_amount = 0.5f;
  s.comb_feedback = 0.9f;
  s.comb_mix = 0.5f;
  s.formant_morph_rate = 4.0f;
  s.lock_motion_shape = 4;
  s.tempo = 300.0f;
  std::size_t allocations = 0;
  const auto run = [&](int frames) {
    test::AllocationHook hook;
    for (int i = 0; i < frames; ++i) p.process(noise.next(), noise.next());
    allocations += hook.count();
  };
  const auto settle = [&] {
    test::AllocationHook hook;
    test::apply(p, s);
    allocations += hook.count();
  };
  for (int mode = 0; mode < 3; ++mode) {
    for (int character = 0; character < 4; ++character) {
      for (int count : {2, 16, 3}) {
        s.carrier_mode = mode;
        s.char_mode = character;
        s.swarm_count = count;
        settle();
        run(600);
      }
    }
  }
  s.mode_cycle_enable = true;
  s.mode_cycle_div = 3;
  settle();
  run(20000);
  {
    // A state loaded while processing re-initialises the engine at the rate it already has.
    test::AllocationHook hook;
    p.set_sample_rate(48000.0f);
    p.reset();
    allocations += hook.count();
  }
  EXPECT_EQ(allocations, 0u);
}

TEST(ProcessorRealtime, HookSeesAllocationsSoTheTestAboveCanFail) {
  test::AllocationHook hook;
  VessimorProcessor p(44100.0f);
  EXPECT_GT(hook.count(), 0u);
}

TEST(ProcessorRealtime, FlushToZeroKeepsSubnormalsOutOfTheOutput) {
  VessimorProcessor p(44100.0f);
  test::Settings s;
  s.comb_feedback = 0.95f;
  s.comb_mix = 1.0f;
  s.char_mode = 2;
  s.mix = 0.7f;
  test::apply(p, s);
  const float subnormal = std::numeric_limits<float>::denorm_min() * 1000.0f;
  ASSERT_EQ(std::fpclassify(subnormal), FP_SUBNORMAL);
  ScopedFlushToZero guard;
  for (int i = 0; i < 20000; ++i) {
    const float in = i < 10000 ? (i % 2 ? subnormal : -subnormal) : 0.0f;
    const StereoSample out = p.process(in, in * 0.5f);
    ASSERT_NE(std::fpclassify(out.left), FP_SUBNORMAL) << i;
    ASSERT_NE(std::fpclassify(out.right), FP_SUBNORMAL) << i;
  }
  for (float v : p.comb_left.delay_line.buffer) ASSERT_NE(std::fpclassify(v), FP_SUBNORMAL);
  EXPECT_NE(std::fpclassify(p.warm_filter.state), FP_SUBNORMAL);
}

}  // namespace
}  // namespace vessimor
