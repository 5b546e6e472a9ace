#include "framework/transport.hpp"

#include <gtest/gtest.h>

#include <limits>

namespace vessimor {
namespace {

Transport with_signature(std::int32_t numerator, std::int32_t denominator) {
  Transport transport(44100.0F);
  transport.time_sig_numerator = numerator;
  transport.time_sig_denominator = denominator;
  return transport;
}

TEST(Transport, BarFromBeatPosition) {
  Transport three_four = with_signature(3, 4);
  three_four.pos_beats = 10.0;
  EXPECT_EQ(three_four.bar_number(), 3);
  EXPECT_EQ(three_four.bar_start_pos_beats(), 9.0);

  Transport six_eight = with_signature(6, 8);
  six_eight.pos_beats = 10.0;
  EXPECT_EQ(six_eight.bar_number(), 3);
  EXPECT_EQ(six_eight.bar_start_pos_beats(), 9.0);
}

TEST(Transport, PositionFallsBackToSecondsThenSamplesWithTempo) {
  Transport seconds = with_signature(4, 4);
  seconds.pos_seconds = 10.0;
  EXPECT_EQ(seconds.bar_number(), std::nullopt) << "seconds need a tempo";
  seconds.tempo = 120.0;
  EXPECT_EQ(seconds.bar_number(), 5);  // 20 beats
  EXPECT_EQ(seconds.bar_start_pos_beats(), 20.0);

  Transport samples = with_signature(4, 4);
  samples.pos_samples = 44100 * 3;
  samples.tempo = 120.0;  // 6 beats
  EXPECT_EQ(samples.bar_number(), 1);
  EXPECT_EQ(samples.bar_start_pos_beats(), 4.0);
}

TEST(Transport, NeedsWholeSignatureAndKeepsHostValues) {
  Transport no_denominator(48000.0F);
  no_denominator.time_sig_numerator = 4;
  no_denominator.pos_beats = 8.0;
  EXPECT_EQ(no_denominator.bar_number(), std::nullopt);
  EXPECT_EQ(no_denominator.bar_start_pos_beats(), std::nullopt);

  Transport host = with_signature(4, 4);
  host.pos_beats = 8.0;
  host.host_bar_number = 7;
  host.host_bar_start_pos_beats = 1.5;
  EXPECT_EQ(host.bar_number(), 7);
  EXPECT_EQ(host.bar_start_pos_beats(), 1.5);
}

TEST(Transport, BarNumberSaturates) {
  Transport far = with_signature(1, 4);
  far.pos_beats = 1e12;
  EXPECT_EQ(far.bar_number(), std::numeric_limits<std::int32_t>::max());
  far.pos_beats = -1e12;
  EXPECT_EQ(far.bar_number(), std::numeric_limits<std::int32_t>::min());
  far.pos_beats = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(far.bar_number(), 0);
}

}  // namespace
}  // namespace vessimor
