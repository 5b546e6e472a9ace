#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "framework/audio/audio_io_layout.hpp"
#include "framework/plugin.hpp"

namespace vessimor {

namespace identity_detail {

// The VST3 class id: the 15 letters below and a terminating zero byte.
constexpr std::array<std::uint8_t, 16> vst3_class_id(std::string_view text) {
  std::array<std::uint8_t, 16> id{};
  for (std::size_t i = 0; i < text.size() && i < id.size(); ++i) {
    id[i] = static_cast<std::uint8_t>(text[i]);
  }
  return id;
}

inline constexpr std::array<std::string_view, 3> CLAP_FEATURES = {"audio-effect", "stereo",
                                                                  "distortion"};
inline constexpr std::array<Vst3SubCategory, 2> VST3_SUBCATEGORIES = {Vst3SubCategory::Fx,
                                                                      Vst3SubCategory::Distortion};
inline constexpr std::array<AudioIOLayout, 1> AUDIO_LAYOUTS = {AudioIOLayout{
    .main_input_channels = 2,
    .main_output_channels = 2,
}};

}  // namespace identity_detail

// Who the plug-in is, to hosts of both formats. The plug-in object inherits these constants so
// that they live in one place.
struct VessimorIdentity {
  static constexpr std::string_view NAME = "Vessimor";
  static constexpr std::string_view VENDOR = "Quorvane";
  static constexpr std::string_view URL = "https://quorvane.com";
  static constexpr std::string_view SUPPORT_EMAIL = "support@quorvane.com";
  static constexpr std::string_view VERSION = "0.1.0";

  // One stereo main input, one stereo main output, no auxiliary ports.
  static constexpr std::span<const AudioIOLayout> AUDIO_LAYOUTS = identity_detail::AUDIO_LAYOUTS;
  static constexpr MidiConfig MIDI_INPUT = MidiConfig::none;
  static constexpr MidiConfig MIDI_OUTPUT = MidiConfig::none;
  static constexpr bool SAMPLE_ACCURATE_AUTOMATION = true;

  static constexpr std::string_view CLAP_ID = "com.quorvane.vessimor";
  static constexpr std::string_view CLAP_DESCRIPTION =
      "Ring modulator with granular-inspired carrier modes";
  static constexpr std::optional<std::string_view> CLAP_MANUAL_URL = std::nullopt;
  static constexpr std::optional<std::string_view> CLAP_SUPPORT_URL = std::nullopt;
  static constexpr std::span<const std::string_view> CLAP_FEATURES = identity_detail::CLAP_FEATURES;

  static constexpr std::array<std::uint8_t, 16> VST3_CLASS_ID =
      identity_detail::vst3_class_id("QuoVessimorUnit");
  static constexpr std::span<const Vst3SubCategory> VST3_SUBCATEGORIES =
      identity_detail::VST3_SUBCATEGORIES;
};

}  // namespace vessimor
