#include "engine/kit/vector_path.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

#include "engine/kit/oscillator.hpp"

namespace quorvane_dsp_kit {
namespace {

TEST(VectorPath, StartUpChoosesTheWidestPathThisProcessorRuns) {
  EXPECT_TRUE(vector_path_available(VectorPath::Lanes4));
  EXPECT_EQ(vector_path(),
            vector_path_available(VectorPath::Lanes8) ? VectorPath::Lanes8 : VectorPath::Lanes4);
}

// The paths do the same operations on every lane and sum the lanes in the same order, so their
// stated bound is identity: every path this processor runs steps a bank to the same samples and
// state as the four-lane path, bit for bit. Pitch and spread move every sample, drift steps come
// every 32, every group count, and a fast swarm at a low rate takes its phases past 1, where the
// C library's sine takes over.
TEST(VectorPath, EveryPathStepsTheBankLikeTheFourLanePath) {
  const VectorPath initial = vector_path();
  for (const VectorPath path : {VectorPath::Lanes4, VectorPath::Lanes8}) {
    if (!vector_path_available(path)) continue;
    for (const std::size_t n : {2u, 4u, 5u, 8u, 9u, 13u, 16u}) {
      for (const float rate : {48000.0f, 8000.0f}) {
        OscillatorBank four(n, rate), wide(n, rate);
        four.drift = wide.drift = 0.7f;
        bool past_one = false;
        for (int i = 0; i < 400; ++i) {
          const float f = (rate < 10000.0f ? 5000.0f : 220.0f) + 3.0f * static_cast<float>(i % 29);
          const float s = 0.01f * static_cast<float>(i % 97);
          const auto step = [&](OscillatorBank& bank) {
            switch (i % 3) {
              case 0:
                return bank.process_at(f, s);
              case 1:
                return bank.process_at_spread(s);
              default:
                return bank.process();
            }
          };
          ASSERT_TRUE(use_vector_path(VectorPath::Lanes4));
          const float a = step(four);
          ASSERT_TRUE(use_vector_path(path));
          const float b = step(wide);
          ASSERT_EQ(std::bit_cast<std::uint32_t>(a), std::bit_cast<std::uint32_t>(b))
              << "path " << static_cast<int>(path) << ", " << n << " at " << rate << ", " << i;
          ASSERT_EQ(four.phases, wide.phases);
          ASSERT_EQ(four.increments, wide.increments);
          ASSERT_EQ(four.drift_sines, wide.drift_sines);
          past_one = past_one || wide.phases[n - 1] >= 1.0f;
        }
        EXPECT_EQ(past_one, rate < 10000.0f) << n;
      }
    }
  }
  use_vector_path(initial);
}

}  // namespace
}  // namespace quorvane_dsp_kit
