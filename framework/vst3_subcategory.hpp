#pragma once

#include <cstdint>
#include <iterator>
#include <string_view>

namespace vessimor {

// A VST3 subcategory that a plug-in declares: one of the published texts, or a text of its own.
class Vst3SubCategory {
 public:
  enum Kind : std::uint8_t {
    Fx,
    Instrument,
    Spatial,
    Analyzer,
    Delay,
    Distortion,
    Drum,
    Dynamics,
    Eq,
    External,
    Filter,
    Generator,
    Mastering,
    Modulation,
    Network,
    Piano,
    PitchShift,
    Restoration,
    Reverb,
    Sampler,
    Synth,
    Tools,
    UpDownmix,
    Mono,
    Stereo,
    Surround,
    Ambisonics,
    Custom,
  };

  // Implicit, so that a list of subcategories reads as a list of kinds.
  constexpr Vst3SubCategory(Kind kind) noexcept : kind_(kind) {}  // NOLINT
  static constexpr Vst3SubCategory custom(std::string_view text) noexcept {
    Vst3SubCategory category(Custom);
    category.custom_ = text;
    return category;
  }

  constexpr Kind kind() const noexcept { return kind_; }

  // The text hosts see. Thread: any
  constexpr std::string_view text() const noexcept {
    constexpr std::string_view published[] = {
        "Fx",        "Instrument", "Spatial",   "Analyzer", "Delay",       "Distortion",
        "Drum",      "Dynamics",   "EQ",        "External", "Filter",      "Generator",
        "Mastering", "Modulation", "Network",   "Piano",    "Pitch Shift", "Restoration",
        "Reverb",    "Sampler",    "Synth",     "Tools",    "Up-Downmix",  "Mono",
        "Stereo",    "Surround",   "Ambisonics"};
    static_assert(std::size(published) == Custom);
    return kind_ == Custom ? custom_ : published[kind_];
  }

 private:
  Kind kind_;
  std::string_view custom_;
};

}  // namespace vessimor
