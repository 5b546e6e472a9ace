#include "engine/processor.hpp"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

#include "engine/kit/math.hpp"
#include "engine/kit/simd.hpp"

namespace vessimor {

using quorvane_dsp_kit::at_most;
using quorvane_dsp_kit::clamp;
using quorvane_dsp_kit::fast_exp2;
using quorvane_dsp_kit::Lfo;
using quorvane_dsp_kit::LfoShape;
using quorvane_dsp_kit::OnePole;
using quorvane_dsp_kit::SaturationMode;

float EnvelopeFollower::coefficient_for(float ms, float sr) noexcept {
  if (ms <= 0.0f) return 0.0f;
  return std::exp(-1.0f / (sr * (ms * 0.001f)));
}

EnvelopeFollower::EnvelopeFollower(float sr) noexcept
    : sample_rate(sr),
      attack_coefficient(coefficient_for(10.0f, sr)),
      release_coefficient(coefficient_for(100.0f, sr)) {}

void EnvelopeFollower::set_sample_rate(float sr) noexcept {
  sample_rate = sr;
  attack_coefficient = coefficient_for(attack_ms, sr);
  release_coefficient = coefficient_for(release_ms, sr);
}

std::uint32_t VessimorProcessor::grid_period_for(float sr, float tempo) noexcept {
  const float samples = sr * 60.0f / (2.0f * tempo);
  if (!(samples > 0.0f)) return 0;
  if (samples >= 4294967296.0f) return UINT32_MAX;
  return static_cast<std::uint32_t>(samples);
}

std::uint32_t VessimorProcessor::comb_tail_samples() const noexcept {
  // Both combs always get the same settings.
  const quorvane_dsp_kit::CombFilter& comb = comb_left;
  if (!(comb.feedback > 0.0f) || !(comb.mix > 0.0f)) return 0;
  const double longest = kCombTailMaxSeconds * static_cast<double>(sample_rate);
  if (!(comb.feedback < 1.0f)) return static_cast<std::uint32_t>(longest);
  // One trip round the loop takes the delay, the one sample between the read and the write, and
  // the damping low-pass's delay at the lowest frequencies, which ring longest: the low-pass
  // passes them whole, so each trip leaves `feedback` of them. The signal already in the loop when
  // the input stops still plays one full trip before the first loss.
  const double damping = static_cast<double>(comb.damping.coefficient);
  const double loop_samples =
      static_cast<double>(comb.delay_samples) + 1.0 + damping / (1.0 - damping);
  const double loss_per_loop = -20.0 * std::log10(static_cast<double>(comb.feedback));
  const double samples = std::ceil((kCombTailDecibels / loss_per_loop + 1.0) * loop_samples);
  return static_cast<std::uint32_t>(std::min(samples, longest));
}

VessimorProcessor::VessimorProcessor(float sr)
    : left(sr),
      comb_left(sr),
      comb_right(sr),
      wavefolder{0.5f, 2, 1.0f},
      grit_saturator{0.0f, 1.0f, SaturationMode::HardClip},
      warm_saturator{0.0f, 1.0f, SaturationMode::BiasedTanh},
      grit_filter(OnePole::make(sr, at_most(0.49f * sr, 2000.0f), true)),
      warm_filter(OnePole::make(sr, at_most(0.49f * sr, 300.0f), false)),
      trigger_lfo(Lfo::make(sr, 4.0f, LfoShape::Square)),
      lock_lfo(Lfo::make(sr, 2.0f, LfoShape::Sine)),
      cycle_lfo(Lfo::make(sr, 2.0f, LfoShape::Saw)),
      follower(sr),
      sample_rate(sr),
      grid_period(grid_period_for(sr, 120.0f)) {
  wavefolder.set_stages(2);
}

void VessimorProcessor::set_sample_rate(float sr) {
  sample_rate = sr;
  left.set_sample_rate(sr);
  grit_filter.set_sample_rate(sr);
  warm_filter.set_sample_rate(sr);
  comb_left.set_sample_rate(sr);
  comb_right.set_sample_rate(sr);
  for (Lfo* lfo : {&trigger_lfo, &lock_lfo, &cycle_lfo}) lfo->set_sample_rate(sr);
  follower.set_sample_rate(sr);
  grid_period = grid_period_for(sr, bpm);
}

void VessimorProcessor::reset() noexcept {
  left.reset();
  grit_filter.state = 0.0f;
  warm_filter.state = 0.0f;
  comb_left.reset();
  comb_right.reset();
  trigger_lfo.phase = 0.0f;
  lock_lfo.phase = 0.0f;
  cycle_lfo.phase = 0.0f;
  follower.envelope = 0.0f;
  cycle_counter = 0;
  cycle_was_positive = false;
  pending_character_mode = CharacterMode::None;
  grid_counter = 0;
}

[[gnu::always_inline]] inline void VessimorProcessor::modulate_by_envelope(
    float l, float r, CarrierModulation& modulation) noexcept {
  using quorvane_dsp_kit::CarrierMode;
  using Envelope = CarrierModulation::Envelope;
  const float e = std::fabs((l + r) * 0.5f);
  const float k =
      e > follower.envelope ? follower.attack_coefficient : follower.release_coefficient;
  follower.envelope = e + k * (follower.envelope - e);
  const float m = env_amount * follower.envelope;
  // The left carrier's mode decides which settings the envelope moves.
  const CarrierMode mode = modulation.set_mode ? modulation.mode : left.mode;
  switch (mode) {
    case CarrierMode::Formant:
      modulation.envelope = Envelope::Formant;
      modulation.first = clamp(0.5f * m + base_formant_position, 0.0f, 1.0f);
      break;
    case CarrierMode::Stoch:
      modulation.envelope = Envelope::Stoch;
      modulation.first = clamp(0.5f * m + base_stoch_spread, 0.0f, 1.0f);
      modulation.second = clamp(0.3f * m + base_stoch_density, 0.0f, 1.0f);
      break;
    default:
      modulation.envelope = Envelope::Swarm;
      modulation.first = clamp(0.3f * m + base_swarm_spread, 0.0f, 1.0f);
      modulation.second = clamp(0.5f * m + base_swarm_drift, 0.0f, 1.0f);
      break;
  }
}

namespace {

namespace simd = quorvane_dsp_kit::simd;

// y (y^2 + 27) / (9 y^2 + 27) on both channels, with one division.
simd::f32x4 soft_clip(simd::f32x4 y) noexcept {
  const simd::f32x4 y2 = y * y;
  return y * (y2 + simd::pair_lanes(27.0f)) /
         (simd::pair_lanes(9.0f) * y2 + simd::pair_lanes(27.0f));
}

// Nothing infinite, NaN or louder than +-4 leaves the engine: non-finite samples become 0, the
// others are clamped.
StereoSample guard(float l, float r) noexcept {
  const simd::f32x4 v = simd::pair(l, r);
  const simd::f32x4 clamped =
      simd::max(simd::pair_lanes(-4.0f), simd::min(simd::pair_lanes(4.0f), v));
  const simd::i32x4 magnitude = reinterpret_cast<simd::i32x4>(v) & 0x7fffffff;
  const simd::i32x4 finite = reinterpret_cast<simd::f32x4>(magnitude) <= simd::pair_lanes(FLT_MAX);
  const simd::f32x4 out =
      reinterpret_cast<simd::f32x4>(finite & reinterpret_cast<simd::i32x4>(clamped));
  StereoSample sample;
  std::memcpy(&sample, &out, sizeof sample);
  return sample;
}

// Whether every sample of the block is a number within +-limit, from the block's energy: one
// sample beyond the limit, an infinity or a NaN takes the sum past limit^2 or makes it NaN (a sum
// of non-negative terms never rounds below any of them). A block of merely very loud samples may
// answer false as well, which only costs it the per-sample checks.
bool within_limit(const float* left, const float* right, std::size_t frames, float limit) noexcept {
  simd::f32x4 energy_l = simd::splat(0.0f);
  simd::f32x4 energy_r = simd::splat(0.0f);
  std::size_t i = 0;
  for (; i + 4 <= frames; i += 4) {
    const simd::f32x4 l = simd::load(left + i);
    const simd::f32x4 r = simd::load(right + i);
    energy_l += l * l;
    energy_r += r * r;
  }
  const simd::f32x4 lanes = energy_l + energy_r;
  float energy = (lanes[0] + lanes[1]) + (lanes[2] + lanes[3]);
  for (; i < frames; ++i) energy += left[i] * left[i] + right[i] * right[i];
  return energy <= limit * limit;
}

// What a stage may take of one input sample: silence for a NaN or an infinity, and at most
// +-limit.
float admissible(float x, float limit) noexcept {
  if (!std::isfinite(x)) return 0.0f;
  return std::clamp(x, -limit, limit);
}

}  // namespace

[[gnu::always_inline]] inline void VessimorProcessor::character(float& y_l, float& y_r) noexcept {
  // The filters and saturators are shared: each sees the left sample, then the right one.
  switch (character_mode) {
    case CharacterMode::Clean:
      return;
    case CharacterMode::Grit: {
      // The saturator holds no state, so both saturations may come first.
      const float gain = 0.5f * character_amount + 0.3f;
      float s_l = y_l, s_r = y_r;
      grit_saturator.process_pair(s_l, s_r);
      y_l = s_l + grit_filter.process(s_l) * gain;
      y_r = s_r + grit_filter.process(s_r) * gain;
      break;
    }
    case CharacterMode::Warm: {
      // The saturator holds no state, so both filter steps may come first.
      const float gain = character_amount + 0.5f;
      const float w_l = warm_filter.process(y_l);
      const float w_r = warm_filter.process(y_r);
      warm_saturator.process_pair(y_l, y_r);
      y_l += gain * w_l;
      y_r += gain * w_r;
      break;
    }
    default:
      y_l = wavefolder.process(y_l * fold_gain);
      y_r = wavefolder.process(y_r * fold_gain);
      break;
  }
  const simd::f32x4 clipped = soft_clip(simd::pair(y_l, y_r));
  y_l = clipped[0];
  y_r = clipped[1];
}

[[gnu::always_inline]] inline CarrierModulation VessimorProcessor::modulators(float l,
                                                                              float r) noexcept {
  CarrierModulation modulation;

  // 2. Mode cycle: one step per LFO cycle, where the saw crosses zero.
  if (mode_cycle_enabled) {
    const float v = cycle_lfo.tick();
    if (v >= 0.0f && !cycle_was_positive) {
      cycle_counter = (cycle_counter + 1) % 3;
      modulation.set_mode = true;
      modulation.mode = static_cast<quorvane_dsp_kit::CarrierMode>(cycle_counter);
    }
    cycle_was_positive = v >= 0.0f;
  }

  // 3. Lock motion: up to two octaves either way at depth 1.
  if (lock_motion_enabled && lock_depth > 0.001f) {
    const float v = lock_lfo.tick();
    modulation.set_frequency = true;
    modulation.frequency = clamp(lock_frequency * fast_exp2(2.0f * lock_depth * v), 40.0f, 5000.0f);
  }

  // 4. Envelope modulation of the carriers' settings.
  if (env_amount > 0.001f) modulate_by_envelope(l, r, modulation);
  return modulation;
}

StereoSample VessimorProcessor::process(float l, float r) noexcept {
  // 1. Tempo grid: a pending character change waits for the next eighth note.
  grid_counter += 1;
  if (grid_counter >= grid_period) {
    grid_counter = 0;
    if (pending_character_mode != CharacterMode::None) character_mode = pending_character_mode;
    pending_character_mode = CharacterMode::None;
  }

  // 2. to 4. Modulators.
  const CarrierModulation modulation = modulators(l, r);

  // 5. and 6. Carrier and ring modulation: one carrier serves both channels.
  const float carrier = modulation.apply_and_process(left);
  const float x_l = l * input_gain;
  const float x_r = r * input_gain;
  float y_l = x_l * carrier * ring_depth + x_l * (1.0f - ring_depth);
  float y_r = x_r * carrier * ring_depth + x_r * (1.0f - ring_depth);

  // 7. Character: the shared filters see the left sample, then the right one.
  character(y_l, y_r);

  // 8. Comb.
  y_l = comb_left.process(y_l);
  y_r = comb_right.process(y_r);

  // 9. Amplitude gate.
  if (trigger_amount > 0.001f) {
    const float v = trigger_lfo.tick();
    const float g = 1.0f - trigger_amount * (1.0f - clamp(0.5f * v + 0.5f, 0.0f, 1.0f));
    y_l *= g;
    y_r *= g;
  }

  // 10. Mix against the raw input, then output gain.
  const float out_l = output_gain * (y_l * mix + l * (1.0f - mix));
  const float out_r = output_gain * (y_r * mix + r * (1.0f - mix));

  // 11. Width.
  const float mid = (out_l + out_r) * 0.5f;
  const float side = (out_l - out_r) * 0.5f * width;

  // 12. Guard.
  return guard(mid + side, mid - side);
}

void VessimorProcessor::process_block(float* left, float* right, std::size_t frames) noexcept {
  if (within_limit(left, right, frames, kInputLimit)) {
    for (std::size_t i = 0; i < frames; ++i) {
      const StereoSample out = process(left[i], right[i]);
      left[i] = out.left;
      right[i] = out.right;
    }
    return;
  }
  // Something upstream sent a broken sample: it must not stay in the filters and comb lines.
  for (std::size_t i = 0; i < frames; ++i) {
    const float l = left[i];
    const float r = right[i];
    const StereoSample out = process(admissible(l, kInputLimit), admissible(r, kInputLimit));
    const bool finite = std::isfinite(l) && std::isfinite(r);
    left[i] = finite ? out.left : 0.0f;
    right[i] = finite ? out.right : 0.0f;
  }
}

}  // namespace vessimor
