#pragma once

// The processor set-ups that the benchmark and the instruction counter measure.
#include <cstdint>
#include <string_view>

#include "engine/processor.hpp"

namespace vessimor::bench {

inline constexpr float kSampleRate = 48000.0f;

// Swarm of 16 with full drift, lock motion at depth 1, envelope at 1, Warm at amount 1, a
// resonant comb and the gate: every per-sample stage runs and the carriers move every sample.
inline void make_worst(VessimorProcessor& p) {
  using quorvane_dsp_kit::CarrierMode;
  p.left.mode = CarrierMode::Swarm;
  p.left.set_swarm_drift(1.0f);
  p.left.set_swarm_count(16);
  p.base_swarm_drift = 1.0f;
  p.lock_motion_enabled = true;
  p.lock_depth = 1.0f;
  p.env_amount = 1.0f;
  p.character_mode = CharacterMode::Warm;
  p.character_amount = 1.0f;
  p.warm_saturator.drive = 1.0f;
  p.grit_saturator.drive = 1.0f;
  p.wavefolder.drive = 1.0f;
  p.fold_gain = 3.0f;
  p.wavefolder.set_stages(3);
  for (quorvane_dsp_kit::CombFilter* comb : {&p.comb_left, &p.comb_right}) {
    comb->feedback = 0.9f;
    comb->mix = 0.5f;
  }
  p.trigger_amount = 0.5f;
}

// Returns false for an unknown case name.
inline bool make_case(std::string_view name, VessimorProcessor& p) {
  if (name == "default") return true;
  if (name == "worst") {
    make_worst(p);
    return true;
  }
  return false;
}

// Deterministic white noise in -1..1 for the input.
struct InputNoise {
  std::uint32_t state = 0x2545f491u;
  float next() noexcept {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<float>(state) * 4.656613e-10f - 1.0f;
  }
};

}  // namespace vessimor::bench
