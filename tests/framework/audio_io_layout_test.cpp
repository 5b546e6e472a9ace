#include "framework/audio/audio_io_layout.hpp"

#include <gtest/gtest.h>

#include <array>

namespace vessimor {
namespace {

constexpr std::array<std::uint32_t, 1> kOnePort = {2};
constexpr std::array<std::uint32_t, 2> kTwoPorts = {2, 1};

TEST(AudioIOLayout, NamesFromChannelCounts) {
  EXPECT_EQ((AudioIOLayout{}).name(), "Empty");
  EXPECT_EQ((AudioIOLayout{.main_input_channels = 2, .main_output_channels = 2}).name(), "Stereo");
  EXPECT_EQ((AudioIOLayout{.main_input_channels = 1, .main_output_channels = 1}).name(), "Mono");
  EXPECT_EQ((AudioIOLayout{.main_input_channels = 1}).name(), "Mono");
  EXPECT_EQ((AudioIOLayout{
                 .main_input_channels = 2, .main_output_channels = 2, .aux_input_ports = kOnePort})
                .name(),
            "Stereo with sidechain");
  EXPECT_EQ((AudioIOLayout{.main_output_channels = 1, .aux_input_ports = kOnePort}).name(),
            "Mono with sidechain");
  EXPECT_EQ((AudioIOLayout{.main_input_channels = 4, .main_output_channels = 6}).name(),
            "4 inputs, 6 outputs");
  EXPECT_EQ(
      (AudioIOLayout{
           .main_input_channels = 4, .main_output_channels = 6, .aux_output_ports = kTwoPorts})
          .name(),
      "4 inputs, 6*3 outputs");
  EXPECT_EQ((AudioIOLayout{
                 .main_input_channels = 4, .main_output_channels = 6, .aux_input_ports = kOnePort})
                .name(),
            "4 inputs, 6 outputs, with sidechain");
  EXPECT_EQ((AudioIOLayout{.main_input_channels = 4,
                           .main_output_channels = 6,
                           .aux_input_ports = kTwoPorts,
                           .aux_output_ports = kOnePort})
                .name(),
            "4*3 inputs, 6*2 outputs");
}

TEST(AudioIOLayout, PortNamesFallBackToGeneratedOnes) {
  constexpr std::array<std::string_view, 1> kAuxNames = {"Key"};
  const AudioIOLayout named{
      .main_input_channels = 2,
      .main_output_channels = 2,
      .aux_input_ports = kTwoPorts,
      .names = {.layout = "Custom", .main_input = "In", .aux_inputs = kAuxNames}};
  EXPECT_EQ(named.name(), "Custom");
  EXPECT_EQ(named.main_input_name(), "In");
  EXPECT_EQ(named.main_output_name(), "Output");
  EXPECT_EQ(named.aux_input_name(0), "Key");
  EXPECT_EQ(named.aux_input_name(1), "Sidechain Input 2");
  EXPECT_EQ(named.aux_input_name(2), std::nullopt);

  const AudioIOLayout plain{.main_input_channels = 2,
                            .main_output_channels = 2,
                            .aux_input_ports = kOnePort,
                            .aux_output_ports = kTwoPorts};
  EXPECT_EQ(plain.main_input_name(), "Input");
  EXPECT_EQ(plain.aux_input_name(0), "Sidechain Input");
  EXPECT_EQ(plain.aux_output_name(0), "Auxiliary Output 1");
  EXPECT_EQ(plain.aux_output_name(1), "Auxiliary Output 2");
  EXPECT_EQ(plain.aux_output_name(2), std::nullopt);
}

}  // namespace
}  // namespace vessimor
