// The declarations' layouts are pinned at compile time; these checks cover the values hosts
// compare against at run time.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/clap/clap.hpp"

namespace {

TEST(ClapAbi, IdStringsHaveTheirPublishedLengths) {
  EXPECT_EQ(std::strlen(CLAP_PLUGIN_FACTORY_ID), 19u);
  EXPECT_EQ(std::strlen(CLAP_EXT_AUDIO_PORTS_CONFIG), 23u);
  EXPECT_EQ(std::strlen(CLAP_EXT_AUDIO_PORTS), 16u);
  EXPECT_EQ(std::strlen(CLAP_EXT_GUI), 8u);
  EXPECT_EQ(std::strlen(CLAP_EXT_LATENCY), 12u);
  EXPECT_EQ(std::strlen(CLAP_EXT_PARAMS), 11u);
  EXPECT_EQ(std::strlen(CLAP_EXT_REMOTE_CONTROLS), 22u);
  EXPECT_EQ(std::strlen(CLAP_EXT_RENDER), 11u);
  EXPECT_EQ(std::strlen(CLAP_EXT_STATE), 10u);
  EXPECT_EQ(std::strlen(CLAP_EXT_TAIL), 9u);
  EXPECT_EQ(std::strlen(CLAP_EXT_NOTE_PORTS), 15u);
  EXPECT_EQ(std::strlen(CLAP_EXT_VOICE_INFO), 15u);
  EXPECT_EQ(std::strlen(CLAP_EXT_THREAD_CHECK), 17u);
}

TEST(ClapAbi, ConstantsMatchTheInterface) {
  EXPECT_EQ(CLAP_EVENT_PARAM_VALUE, 5);
  EXPECT_EQ(CLAP_EVENT_PARAM_MOD, 6);
  EXPECT_EQ(CLAP_EVENT_TRANSPORT, 9);
  EXPECT_EQ(CLAP_EVENT_MIDI2, 12);
  EXPECT_EQ(CLAP_PARAM_IS_ENUM, 1u << 16);
  EXPECT_EQ(CLAP_PARAM_REQUIRES_PROCESS, 1u << 15);
  EXPECT_EQ(CLAP_TRANSPORT_IS_WITHIN_PRE_ROLL, 1u << 7);
  EXPECT_EQ(CLAP_BEATTIME_FACTOR, 2147483648LL);
  EXPECT_EQ(CLAP_PROCESS_SLEEP, 4);
  EXPECT_EQ(CLAP_INVALID_ID, 0xFFFFFFFFu);
  EXPECT_EQ(CLAP_RENDER_OFFLINE, 1);
}

}  // namespace
