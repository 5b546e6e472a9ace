#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <vector>

#include "engine/kit/vector_path.hpp"
#include "engine/processor.hpp"
#include "tests/engine/settings.hpp"

namespace vessimor {
namespace {

using quorvane_dsp_kit::VectorPath;

// A swarm of every size with its pitch, spread and drift moving each sample, through the whole
// chain, on one vector path.
std::vector<std::uint32_t> render_swarms(VectorPath path) {
  EXPECT_TRUE(quorvane_dsp_kit::use_vector_path(path));
  std::vector<std::uint32_t> out;
  test::Noise input(5);
  for (int count = 2; count <= 16; ++count) {
    VessimorProcessor p(48000.0f);
    test::Settings s;
    s.carrier_mode = 2;
    s.swarm_count = count;
    s.swarm_spread = 0.6f;
    s.swarm_drift = 1.0f;
    s.lock_motion_enable = true;
    s.lock_motion_depth = 1.0f;
    s.carrier_env_amount = 1.0f;
    s.char_mode = 2;
    s.char_amount = 1.0f;
    test::apply(p, s);
    for (int i = 0; i < 3000; ++i) {
      const StereoSample frame = p.process(input.next(), input.next());
      out.push_back(std::bit_cast<std::uint32_t>(frame.left));
      out.push_back(std::bit_cast<std::uint32_t>(frame.right));
    }
  }
  return out;
}

// The vector paths' stated bound is identity, so the chain's output is too.
TEST(ProcessorPaths, EveryVectorPathRendersTheSameOutput) {
  const VectorPath initial = quorvane_dsp_kit::vector_path();
  const std::vector<std::uint32_t> four = render_swarms(VectorPath::Lanes4);
  if (quorvane_dsp_kit::vector_path_available(VectorPath::Lanes8)) {
    EXPECT_EQ(render_swarms(VectorPath::Lanes8), four);
  }
  quorvane_dsp_kit::use_vector_path(initial);
}

}  // namespace
}  // namespace vessimor
