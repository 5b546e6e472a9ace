#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/kit/carrier.hpp"
#include "engine/kit/filter/comb.hpp"
#include "engine/kit/filter/one_pole.hpp"
#include "engine/kit/oscillator.hpp"
#include "engine/kit/saturation.hpp"

namespace vessimor {

// Peak follower with separate attack and release times.
struct EnvelopeFollower {
  float sample_rate;
  float attack_ms = 10.0f;
  float release_ms = 100.0f;
  float attack_coefficient;
  float release_coefficient;
  float envelope = 0.0f;

  explicit EnvelopeFollower(float sample_rate) noexcept;

  // 0 for a time of 0 or less: the envelope then jumps straight to the input.
  static float coefficient_for(float ms, float sample_rate) noexcept;
  void set_sample_rate(float sr) noexcept;
};

// `None` only ever appears in `pending_character_mode`; values above 3 in `character_mode` fold.
enum class CharacterMode : std::uint8_t { Clean = 0, Grit = 1, Warm = 2, Fold = 3, None = 4 };

// What the per-sample chain does to the carrier in one call (mode cycle, lock motion, envelope).
struct CarrierModulation {
  enum class Envelope : std::uint8_t { None, Formant, Stoch, Swarm };
  bool set_mode = false;
  quorvane_dsp_kit::CarrierMode mode = quorvane_dsp_kit::CarrierMode::Formant;
  bool set_frequency = false;
  float frequency = 0.0f;
  Envelope envelope = Envelope::None;
  float first = 0.0f;   // formant position, stochastic spread or swarm spread
  float second = 0.0f;  // stochastic density or swarm drift

  void apply(quorvane_dsp_kit::Carrier& carrier) const noexcept;
  // apply(carrier), then carrier.process(); a swarm that plays with a moving spread takes its new
  // frequencies in the same pass over its bank that steps it.
  float apply_and_process(quorvane_dsp_kit::Carrier& carrier) const noexcept;
};

struct StereoSample {
  float left;
  float right;
};

// The effect's whole signal path for one stereo instance. Fields are public: the settings update
// writes them once per block, and the per-sample chain modulates some of them.
struct VessimorProcessor {
  // The carrier of both channels: a second, right carrier with the same settings and calls would
  // play exactly the same samples.
  quorvane_dsp_kit::Carrier left;
  quorvane_dsp_kit::CombFilter comb_left;
  quorvane_dsp_kit::CombFilter comb_right;
  float character_amount = 0.5f;
  quorvane_dsp_kit::Wavefolder wavefolder;
  float fold_gain = 1.0f;
  quorvane_dsp_kit::Saturator grit_saturator;
  quorvane_dsp_kit::Saturator warm_saturator;
  quorvane_dsp_kit::OnePole grit_filter;
  quorvane_dsp_kit::OnePole warm_filter;
  CharacterMode character_mode = CharacterMode::Clean;
  quorvane_dsp_kit::Lfo trigger_lfo;
  quorvane_dsp_kit::Lfo lock_lfo;
  quorvane_dsp_kit::Lfo cycle_lfo;
  EnvelopeFollower follower;
  std::uint64_t cycle_counter = 0;
  float sample_rate;
  float ring_depth = 1.0f;
  float trigger_amount = 0.0f;
  float bpm = 120.0f;
  float lock_depth = 0.5f;
  float lock_frequency = 440.0f;
  float env_amount = 0.0f;
  float base_formant_position = 0.5f;
  float base_stoch_spread = 0.3f;
  float base_stoch_density = 0.5f;
  float base_swarm_drift = 0.3f;
  float base_swarm_spread = 0.2f;
  std::uint32_t grid_counter = 0;
  std::uint32_t grid_period;
  float input_gain = 1.0f;
  float mix = 0.5f;
  float output_gain = 1.0f;
  float width = 1.0f;
  bool lock_motion_enabled = false;
  bool mode_cycle_enabled = false;
  bool cycle_was_positive = false;
  bool playing = false;
  std::uint8_t trigger_division = 1;
  std::uint8_t cycle_division = 0;
  CharacterMode pending_character_mode = CharacterMode::None;

  // Allocates the comb buffers: main thread.
  explicit VessimorProcessor(float sample_rate);

  // Thread: main, or audio at the start of a block at an unchanged rate. Clears the comb buffers,
  // reallocating them only when the rate changes their length; phases and settings stay.
  void set_sample_rate(float sr);
  // Thread: audio.
  void reset() noexcept;
  // Thread: audio. One stereo input pair in, one output pair out, each within [-4, 4]. The inputs
  // must be numbers within +-kInputLimit: larger or non-finite ones would leave the filters and
  // the comb lines holding infinities or NaN for good. `process_block` sees to that.
  StereoSample process(float l, float r) noexcept;
  // Thread: audio. Processes `frames` sample pairs in place. A NaN or infinite input sample gives 0
  // on both channels for its frame and reaches every stage as silence; a larger input than
  // +-kInputLimit is limited to it. Blocks with neither take the plain per-sample path.
  void process_block(float* left, float* right, std::size_t frames) noexcept;

  // 120 dB above full scale: far louder than any signal, and low enough that no stage overflows.
  static constexpr float kInputLimit = 1048576.0f;

  // Samples per grid tick (an eighth note), truncated and saturated to 32 bits.
  static std::uint32_t grid_period_for(float sample_rate, float bpm) noexcept;

  // How long the combs ring on after the input stops, for hosts that render offline or put idle
  // plug-ins to sleep: the samples for the ringing to fall by `kCombTailDecibels` at the current
  // feedback, tuning and comb mix, at most `kCombTailMaxSeconds`; 0 while the feedback or the
  // comb mix is 0. Thread: audio (it reads the settings the last update wrote).
  std::uint32_t comb_tail_samples() const noexcept;
  static constexpr double kCombTailDecibels = 90.0;
  static constexpr double kCombTailMaxSeconds = 10.0;

 private:
  CarrierModulation modulators(float l, float r) noexcept;
  void modulate_by_envelope(float l, float r, CarrierModulation& modulation) noexcept;
  void character(float& y_l, float& y_r) noexcept;
};

// Inline: the per-sample chain calls it once per sample.
inline void CarrierModulation::apply(quorvane_dsp_kit::Carrier& c) const noexcept {
  if (set_mode) c.mode = mode;
  switch (envelope) {
    case Envelope::None:
      if (set_frequency) c.set_frequency(frequency);
      break;
    case Envelope::Formant:
      if (set_frequency) c.set_frequency(frequency);
      c.set_formant_position(first);
      break;
    case Envelope::Stoch:
      if (set_frequency) c.set_frequency(frequency);
      c.stoch_spread = first;
      c.set_stoch_density(second);
      break;
    case Envelope::Swarm:
      c.set_swarm_drift(second);
      if (set_frequency) {
        c.set_frequency_and_swarm_spread(frequency, first);
      } else {
        c.set_swarm_spread(first);
      }
      break;
  }
}

inline float CarrierModulation::apply_and_process(quorvane_dsp_kit::Carrier& c) const noexcept {
  using quorvane_dsp_kit::CarrierMode;
  if (envelope != Envelope::Swarm || (set_mode ? mode : c.mode) != CarrierMode::Swarm) {
    apply(c);
    return c.process();
  }
  if (set_mode) c.mode = mode;
  c.set_swarm_drift(second);
  if (!set_frequency) return c.process_swarm_at_spread(first);
  return c.process_swarm_at(frequency, first);
}

}  // namespace vessimor
