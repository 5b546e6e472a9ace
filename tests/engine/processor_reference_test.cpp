#include <gtest/gtest.h>

#include <bit>
#include <cmath>

#include "engine/processor.hpp"
#include "tests/engine/settings.hpp"

namespace vessimor {
namespace {

using quorvane_dsp_kit::Carrier;
using quorvane_dsp_kit::CarrierMode;
using quorvane_dsp_kit::clamp;

float reference_character(VessimorProcessor& p, float y) {
  switch (p.character_mode) {
    case CharacterMode::Clean:
      return y;
    case CharacterMode::Grit: {
      const float s = p.grit_saturator.process(y);
      const float h = p.grit_filter.process(s);
      y = s + h * (0.5f * p.character_amount + 0.3f);
      break;
    }
    case CharacterMode::Warm: {
      const float w = p.warm_filter.process(y);
      y = p.warm_saturator.process(y) + (p.character_amount + 0.5f) * w;
      break;
    }
    default:
      y = p.wavefolder.process(y * p.fold_gain);
      break;
  }
  return y * (y * y + 27.0f) / (9.0f * (y * y) + 27.0f);
}

// The chain step by step as written down, every setting applied in the order given. One carrier
// serves both channels (a right carrier with the same settings and calls would play the same
// samples). The processor's `process` must match it exactly.
StereoSample reference_process(VessimorProcessor& p, float l, float r) {
  p.grid_counter += 1;
  if (p.grid_counter >= p.grid_period) {
    p.grid_counter = 0;
    if (p.pending_character_mode != CharacterMode::None)
      p.character_mode = p.pending_character_mode;
    p.pending_character_mode = CharacterMode::None;
  }
  if (p.mode_cycle_enabled) {
    const float v = p.cycle_lfo.tick();
    if (v >= 0.0f && !p.cycle_was_positive) {
      p.cycle_counter = (p.cycle_counter + 1) % 3;
      p.left.mode = static_cast<CarrierMode>(p.cycle_counter);
    }
    p.cycle_was_positive = v >= 0.0f;
  }
  if (p.lock_motion_enabled && p.lock_depth > 0.001f) {
    const float v = p.lock_lfo.tick();
    const float f = clamp(p.lock_frequency * quorvane_dsp_kit::fast_exp2(2.0f * p.lock_depth * v),
                          40.0f, 5000.0f);
    p.left.set_frequency(f);
  }
  if (p.env_amount > 0.001f) {
    EnvelopeFollower& ef = p.follower;
    const float e = std::fabs((l + r) * 0.5f);
    const float k = e > ef.envelope ? ef.attack_coefficient : ef.release_coefficient;
    ef.envelope = e + k * (ef.envelope - e);
    const float m = p.env_amount * ef.envelope;
    {
      Carrier* c = &p.left;
      switch (p.left.mode) {
        case CarrierMode::Formant: {
          const float pos = clamp(0.5f * m + p.base_formant_position, 0.0f, 1.0f);
          c->formant_position = pos;
          if (c->morph_rate < 0.001f) c->formant.set_position(pos);
          break;
        }
        case CarrierMode::Stoch: {
          c->stoch_spread = clamp(0.5f * m + p.base_stoch_spread, 0.0f, 1.0f);
          c->stoch_density = clamp(0.3f * m + p.base_stoch_density, 0.0f, 1.0f);
          c->stoch_clock.frequency = std::fmax(0.5f + 49.5f * c->stoch_density, 0.001f);
          c->stoch_clock.increment = c->stoch_clock.frequency / c->stoch_clock.sample_rate;
          break;
        }
        default: {
          c->swarm_spread = clamp(0.3f * m + p.base_swarm_spread, 0.0f, 1.0f);
          c->swarm_drift = clamp(0.5f * m + p.base_swarm_drift, 0.0f, 1.0f);
          c->bank.drift = c->swarm_drift;
          c->bank.set_spread(c->swarm_spread);
          break;
        }
      }
    }
  }
  const float x_l = l * p.input_gain, x_r = r * p.input_gain;
  const float c = p.left.process();
  float y_l = x_l * c * p.ring_depth + x_l * (1.0f - p.ring_depth);
  float y_r = x_r * c * p.ring_depth + x_r * (1.0f - p.ring_depth);
  y_l = reference_character(p, y_l);
  y_r = reference_character(p, y_r);
  y_l = p.comb_left.process(y_l);
  y_r = p.comb_right.process(y_r);
  if (p.trigger_amount > 0.001f) {
    const float v = p.trigger_lfo.tick();
    const float g = 1.0f - p.trigger_amount * (1.0f - clamp(0.5f * v + 0.5f, 0.0f, 1.0f));
    y_l *= g;
    y_r *= g;
  }
  const float out_l = p.output_gain * (y_l * p.mix + l * (1.0f - p.mix));
  const float out_r = p.output_gain * (y_r * p.mix + r * (1.0f - p.mix));
  const float mid = (out_l + out_r) * 0.5f;
  const float side = (out_l - out_r) * 0.5f * p.width;
  const auto guard = [](float v) { return std::isfinite(v) ? clamp(v, -4.0f, 4.0f) : 0.0f; };
  return {guard(mid + side), guard(mid - side)};
}

TEST(ProcessorReference, ProcessMatchesTheStepByStepChainBitForBit) {
  test::Noise schedule(77), input(31);
  VessimorProcessor fast(44100.0f);
  VessimorProcessor reference(44100.0f);
  for (int block = 0; block < 300; ++block) {
    test::Settings s;
    s.carrier_mode = static_cast<int>(schedule.bits() % 3);
    s.char_mode = static_cast<int>(schedule.bits() % 4);
    s.char_amount = schedule.next() * 0.5f + 0.5f;
    s.swarm_count = 2 + static_cast<int>(schedule.bits() % 15);
    s.swarm_spread = schedule.next() * 0.5f + 0.5f;
    s.swarm_drift = schedule.next() * 0.5f + 0.5f;
    s.lock_motion_enable = schedule.bits() % 2 == 0;
    s.lock_motion_depth = schedule.next() * 0.5f + 0.5f;
    s.lock_motion_shape = static_cast<int>(schedule.bits() % 5);
    s.carrier_env_amount = schedule.bits() % 3 ? schedule.next() * 0.5f + 0.5f : 0.0f;
    s.mode_cycle_enable = schedule.bits() % 4 == 0;
    s.mode_cycle_div = 3;
    s.formant_morph_rate = schedule.bits() % 2 ? 8.0f : 0.0f;
    s.stoch_smoothing = schedule.next() * 0.5f + 0.5f;
    s.comb_feedback = 0.9f;
    s.comb_mix = schedule.next() * 0.5f + 0.5f;
    s.trig_amount = schedule.next() * 0.5f + 0.5f;
    s.mix = schedule.next() * 0.5f + 0.5f;
    s.stereo_width = schedule.next() + 1.0f;
    s.tempo = 300.0f;
    test::apply(fast, s);
    test::apply(reference, s);
    for (int i = 0; i < 200; ++i) {
      const float l = input.next(), r = input.next();
      const StereoSample a = fast.process(l, r);
      const StereoSample b = reference_process(reference, l, r);
      ASSERT_EQ(std::bit_cast<std::uint32_t>(a.left), std::bit_cast<std::uint32_t>(b.left))
          << "block " << block << " frame " << i;
      ASSERT_EQ(std::bit_cast<std::uint32_t>(a.right), std::bit_cast<std::uint32_t>(b.right))
          << "block " << block << " frame " << i;
    }
  }
}

}  // namespace
}  // namespace vessimor
