#include "plugin/factory_presets.hpp"

#include <vector>

namespace vessimor {
namespace {

// Columns: name, input_gain, mix, output_gain, stereo_width, lock_freq, carrier_mode,
// carrier_env_amount, mode_cycle_enable, mode_cycle_div, formant_position, formant_width,
// formant_morph_rate, stoch_spread, stoch_density, stoch_smoothing, swarm_count, swarm_spread,
// swarm_drift, trig_div, trig_amount, char_mode, char_amount, comb_feedback, comb_tuning, comb_mix,
// lock_motion_enable, lock_motion_rate, lock_motion_depth, lock_motion_shape.
std::vector<VessimorPreset> build_factory_presets() {
  // clang-format off
  return {
    {"Init", 0.0f, 0.5f, 0.0f, 1.0f, 440.0f, 0, 0.0f, false, 0, 0.5f, 0.5f, 0.0f, 0.3f, 0.5f, 0.5f, 4, 0.2f, 0.3f, 1, 0.0f, 0, 0.5f, 0.0f, 440.0f, 0.0f, false, 4, 0.5f, 0},
    {"Radio Static", 0.0f, 0.7f, 0.0f, 1.0f, 1200.0f, 0, 0.0f, false, 0, 0.3f, 0.8f, 0.0f, 0.3f, 0.5f, 0.5f, 4, 0.2f, 0.3f, 1, 0.0f, 1, 0.7f, 0.0f, 440.0f, 0.0f, true, 5, 0.15f, 4},
    {"Robot Voice", 0.0f, 0.85f, 0.0f, 1.0f, 150.0f, 0, 0.0f, false, 0, 0.5f, 0.4f, 0.0f, 0.3f, 0.5f, 0.5f, 4, 0.2f, 0.3f, 1, 0.0f, 0, 0.5f, 0.0f, 440.0f, 0.0f, false, 4, 0.5f, 0},
    {"Metallic Shimmer", 0.0f, 0.55f, 0.0f, 1.0f, 2500.0f, 2, 0.0f, false, 0, 0.5f, 0.5f, 0.0f, 0.3f, 0.5f, 0.5f, 8, 0.25f, 0.1f, 1, 0.0f, 0, 0.5f, 0.0f, 440.0f, 0.0f, true, 1, 0.2f, 0},
    {"Vowel Sweep", 0.0f, 0.75f, 0.0f, 1.0f, 220.0f, 0, 0.0f, false, 0, 0.0f, 0.7f, 1.2f, 0.3f, 0.5f, 0.5f, 4, 0.2f, 0.3f, 1, 0.0f, 2, 0.5f, 0.0f, 440.0f, 0.0f, false, 4, 0.5f, 0},
    {"Talking Synth", 0.0f, 0.75f, 0.0f, 1.0f, 300.0f, 0, 0.0f, false, 0, 0.2f, 0.55f, 2.5f, 0.3f, 0.5f, 0.5f, 4, 0.2f, 0.3f, 1, 0.0f, 2, 0.4f, 0.0f, 440.0f, 0.0f, false, 4, 0.5f, 0},
    {"Synth Vowels", 0.0f, 0.8f, 0.0f, 1.0f, 250.0f, 0, 0.0f, false, 0, 0.0f, 0.7f, 1.5f, 0.3f, 0.5f, 0.5f, 4, 0.2f, 0.3f, 1, 0.0f, 2, 0.5f, 0.0f, 440.0f, 0.0f, false, 4, 0.5f, 0},
    {"Sci-Fi Scanner", 0.0f, 0.85f, 0.0f, 1.0f, 500.0f, 0, 0.0f, false, 0, 0.0f, 0.8f, 4.0f, 0.3f, 0.5f, 0.5f, 4, 0.2f, 0.3f, 1, 0.0f, 0, 0.5f, 0.0f, 440.0f, 0.0f, true, 3, 0.5f, 1},
    {"Glitch Rhythm", 0.0f, 0.8f, 0.0f, 1.0f, 880.0f, 1, 0.0f, false, 0, 0.5f, 0.5f, 0.0f, 0.7f, 0.8f, 0.2f, 4, 0.2f, 0.3f, 2, 0.6f, 1, 0.5f, 0.0f, 440.0f, 0.0f, true, 5, 0.4f, 3},
    {"Broken Transmission", 0.0f, 0.75f, 0.0f, 1.0f, 600.0f, 1, 0.0f, false, 0, 0.5f, 0.5f, 0.0f, 0.5f, 0.6f, 0.1f, 4, 0.2f, 0.3f, 3, 0.7f, 1, 0.6f, 0.0f, 440.0f, 0.0f, true, 6, 0.5f, 4},
    {"Granular Chaos", 0.0f, 0.9f, 0.0f, 1.0f, 1000.0f, 1, 0.0f, false, 0, 0.5f, 0.5f, 0.0f, 0.9f, 0.9f, 0.3f, 4, 0.2f, 0.3f, 2, 0.4f, 3, 0.7f, 0.0f, 440.0f, 0.0f, true, 5, 0.6f, 2},
    {"Stepped Destruction", 0.0f, 0.9f, 0.0f, 1.0f, 700.0f, 1, 0.0f, false, 0, 0.5f, 0.5f, 0.0f, 0.8f, 0.7f, 0.15f, 4, 0.2f, 0.3f, 2, 0.7f, 3, 0.85f, 0.0f, 440.0f, 0.0f, true, 6, 0.8f, 4},
    {"Spectral Cloud", 0.0f, 0.75f, 0.0f, 1.2f, 330.0f, 2, 0.0f, false, 0, 0.5f, 0.5f, 0.0f, 0.3f, 0.5f, 0.5f, 12, 0.4f, 0.5f, 0, 0.15f, 2, 0.4f, 0.0f, 440.0f, 0.0f, true, 2, 0.3f, 0},
    {"Warm Chorus", 0.0f, 0.6f, 0.0f, 1.0f, 440.0f, 2, 0.0f, false, 0, 0.5f, 0.5f, 0.0f, 0.3f, 0.5f, 0.5f, 8, 0.25f, 0.35f, 1, 0.0f, 2, 0.8f, 0.0f, 440.0f, 0.0f, true, 2, 0.15f, 0},
    {"Dense Texture", 0.0f, 0.6f, 0.0f, 1.0f, 500.0f, 2, 0.0f, false, 0, 0.5f, 0.5f, 0.0f, 0.3f, 0.5f, 0.5f, 16, 0.5f, 0.6f, 1, 0.0f, 2, 0.5f, 0.0f, 440.0f, 0.0f, true, 0, 0.25f, 0},
    {"Ambient Wash", 0.0f, 0.45f, 0.0f, 1.0f, 360.0f, 2, 0.0f, false, 0, 0.5f, 0.5f, 0.0f, 0.3f, 0.5f, 0.5f, 8, 0.35f, 0.5f, 1, 0.0f, 0, 0.0f, 0.0f, 440.0f, 0.0f, true, 0, 0.3f, 0},
    {"Pad Thickener", 0.0f, 0.55f, 0.0f, 1.0f, 180.0f, 2, 0.0f, false, 0, 0.5f, 0.5f, 0.0f, 0.3f, 0.5f, 0.5f, 10, 0.35f, 0.4f, 1, 0.0f, 2, 0.55f, 0.0f, 440.0f, 0.0f, true, 1, 0.2f, 0},
    {"Keys Sparkle", 0.0f, 0.4f, 0.0f, 1.0f, 1800.0f, 2, 0.3f, false, 0, 0.5f, 0.5f, 0.0f, 0.3f, 0.5f, 0.5f, 6, 0.2f, 0.15f, 1, 0.0f, 0, 0.5f, 0.0f, 440.0f, 0.0f, true, 3, 0.15f, 1},
    {"Organ Swell", 0.0f, 0.5f, 0.0f, 1.0f, 320.0f, 2, 0.2f, false, 0, 0.5f, 0.5f, 0.0f, 0.3f, 0.5f, 0.5f, 8, 0.25f, 0.35f, 1, 0.0f, 2, 0.65f, 0.0f, 440.0f, 0.0f, true, 2, 0.25f, 0},
    {"Gritty Edge", 0.0f, 0.7f, 0.0f, 1.0f, 350.0f, 0, 0.0f, false, 0, 0.6f, 0.5f, 0.0f, 0.3f, 0.5f, 0.5f, 4, 0.2f, 0.3f, 1, 0.0f, 1, 1.0f, 0.0f, 440.0f, 0.0f, false, 4, 0.5f, 0},
    {"Folded Harmonics", 0.0f, 0.65f, 0.0f, 1.0f, 200.0f, 2, 0.0f, false, 0, 0.5f, 0.5f, 0.0f, 0.3f, 0.5f, 0.5f, 6, 0.1f, 0.2f, 1, 0.0f, 3, 0.9f, 0.0f, 440.0f, 0.0f, true, 3, 0.3f, 1},
    {"Lo-Fi Warmth", 0.0f, 0.7f, 0.0f, 1.0f, 280.0f, 0, 0.0f, false, 0, 0.4f, 0.75f, 0.5f, 0.3f, 0.5f, 0.5f, 4, 0.2f, 0.3f, 1, 0.0f, 2, 1.0f, 0.0f, 440.0f, 0.0f, true, 1, 0.2f, 0},
    {"Harsh Metallic", 0.0f, 0.85f, 0.0f, 1.0f, 3500.0f, 0, 0.0f, false, 0, 0.7f, 0.9f, 0.0f, 0.3f, 0.5f, 0.5f, 4, 0.2f, 0.3f, 1, 0.0f, 3, 0.8f, 0.0f, 440.0f, 0.0f, true, 5, 0.35f, 2},
    {"Slow Drift", 0.0f, 0.65f, 0.0f, 1.0f, 400.0f, 2, 0.0f, false, 0, 0.5f, 0.5f, 0.0f, 0.3f, 0.5f, 0.5f, 10, 0.4f, 0.8f, 1, 0.0f, 2, 0.4f, 0.0f, 440.0f, 0.0f, true, 0, 0.6f, 0},
    {"Rhythmic Pulse", 0.0f, 0.7f, 0.0f, 1.0f, 550.0f, 0, 0.0f, false, 0, 0.5f, 0.5f, 0.0f, 0.3f, 0.5f, 0.5f, 4, 0.2f, 0.3f, 2, 0.5f, 1, 0.4f, 0.0f, 440.0f, 0.0f, true, 4, 0.7f, 3},
    {"Octave Wobble", 0.0f, 0.75f, 0.0f, 1.0f, 440.0f, 0, 0.0f, false, 0, 0.5f, 0.5f, 0.0f, 0.3f, 0.5f, 0.5f, 4, 0.2f, 0.3f, 1, 0.0f, 0, 0.5f, 0.0f, 440.0f, 0.0f, true, 4, 1.0f, 0},
    {"Bass Transformer", 0.0f, 0.8f, 0.0f, 1.0f, 100.0f, 0, 0.4f, false, 0, 0.3f, 0.6f, 0.0f, 0.3f, 0.5f, 0.5f, 4, 0.2f, 0.3f, 1, 0.0f, 1, 0.7f, 0.0f, 440.0f, 0.0f, true, 5, 0.6f, 2},
    {"Combover", 0.0f, 0.7f, 0.0f, 1.0f, 89.0f, 0, 0.685f, false, 0, 0.4f, 0.75f, 0.5f, 0.3f, 0.5f, 0.5f, 4, 0.2f, 0.3f, 1, 0.0f, 3, 0.672f, 0.804f, 50.6f, 0.967f, true, 1, 0.594f, 0},
  };
  // clang-format on
}

}  // namespace

std::span<const VessimorPreset> factory_presets() {
  // A function-local static is built exactly once; concurrent first callers wait for that build.
  static const std::vector<VessimorPreset> table = build_factory_presets();
  return table;
}

}  // namespace vessimor
