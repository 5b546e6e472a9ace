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

test::Settings random_settings(test::Noise& n) {
  test::Settings s;
  const auto pick = [&n](int count) {
    return static_cast<int>(n.bits() % static_cast<std::uint32_t>(count));
  };
  const auto unit = [&n] { return n.next() * 0.5f + 0.5f; };
  s.input_gain = n.next() * 12.0f;
  s.mix = unit();
  s.stereo_width = 2.0f * unit();
  s.lock_freq = 40.0f + 4960.0f * unit() * unit();
  s.lock_motion_enable = pick(2) == 1;
  s.lock_motion_rate = pick(9);
  s.lock_motion_depth = unit();
  s.lock_motion_shape = pick(5);
  s.carrier_mode = pick(3);
  s.carrier_env_amount = pick(2) ? unit() : 0.0f;
  s.mode_cycle_enable = pick(3) == 0;
  s.mode_cycle_div = pick(4);
  s.formant_position = unit();
  s.formant_width = unit();
  s.formant_morph_rate = pick(2) ? 10.0f * unit() : 0.0f;
  s.stoch_spread = unit();
  s.stoch_density = unit();
  s.stoch_smoothing = pick(3) ? unit() : 0.0f;
  s.swarm_count = 2 + pick(15);
  s.swarm_spread = unit();
  s.swarm_drift = unit();
  s.trig_div = pick(4);
  s.trig_amount = unit();
  s.char_mode = pick(4);
  s.char_amount = unit();
  s.comb_feedback = 0.95f * unit();
  s.comb_tuning = 20.0f + 4980.0f * unit() * unit();
  s.comb_mix = unit();
  s.tempo = 20.0f + 280.0f * unit();
  return s;
}

// The two carriers receive the same settings, calls and modulation in the same order, so they
// stay identical: the right carrier's output always equals the left one's, bit for bit.
TEST(ProcessorCarriers, LeftAndRightCarriersAreIdenticalUnderRandomSchedules) {
  test::Noise schedule(1234), input(99);
  VessimorProcessor p(44100.0f);
  for (int block = 0; block < 400; ++block) {
    const std::uint32_t event = schedule.bits() % 40;
    if (event == 0) p.reset();
    if (event == 1) p.set_sample_rate(block % 2 ? 48000.0f : 96000.0f);
    p.playing = schedule.bits() % 2 == 0;
    test::apply(p, random_settings(schedule));
    const int frames = 1 + static_cast<int>(schedule.bits() % 300);
    for (int i = 0; i < frames; ++i) {
      const float l = input.next(), r = input.next();
      const CarrierModulation m = p.modulate(l, r);
      m.apply(p.left);
      m.apply(p.right);
      const float c_l = p.left.process();
      const float c_r = p.right.process();
      ASSERT_EQ(std::bit_cast<std::uint32_t>(c_l), std::bit_cast<std::uint32_t>(c_r))
          << "block " << block << " frame " << i;
    }
  }
}

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
    // A state applied between blocks re-initialises the engine at the rate it already has.
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
