#include "platform/denormals.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace vessimor {
namespace {

// Keeps the compiler from folding the arithmetic at build time, where no flush happens.
float opaque(float v) {
  volatile float x = v;
  return x;
}

TEST(ScopedFlushToZero, FlushesSubnormalResultsAndRestoresTheMode) {
  const float tiny = std::numeric_limits<float>::min();  // smallest normal
  ASSERT_FALSE(ScopedFlushToZero::active());
  EXPECT_EQ(std::fpclassify(opaque(tiny) * opaque(0.5f)), FP_SUBNORMAL);
  {
    ScopedFlushToZero guard;
    EXPECT_TRUE(ScopedFlushToZero::active());
    EXPECT_EQ(opaque(tiny) * opaque(0.5f), 0.0f);
    {
      ScopedFlushToZero nested;
      EXPECT_TRUE(ScopedFlushToZero::active());
    }
    // The inner guard restores the mode it found, which was already flushing.
    EXPECT_TRUE(ScopedFlushToZero::active());
  }
  EXPECT_FALSE(ScopedFlushToZero::active());
  EXPECT_EQ(std::fpclassify(opaque(tiny) * opaque(0.5f)), FP_SUBNORMAL);
}

}  // namespace
}  // namespace vessimor
