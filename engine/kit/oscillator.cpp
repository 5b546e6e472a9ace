#include "engine/kit/oscillator.hpp"

#include <algorithm>
#include <bit>
#include <cmath>

#include "engine/kit/math.hpp"

namespace quorvane_dsp_kit {

float fast_exp2(float x) noexcept {
  // Keep the exponent shift inside the float's range (and NaN away from the integer conversion);
  // every caller stays within a few octaves, so this only guards against corrupt settings.
  if (!(x >= -126.0f)) x = -126.0f;
  if (x > 127.0f) x = 127.0f;
  const float whole = std::floor(x);
  const float t = x - whole;
  const float p = ((0.07944154f * t + 0.22741129f) * t + 0.69680786f) * t + 0.9998465f;
  const auto i = static_cast<std::int32_t>(whole);
  const std::uint32_t bits =
      std::bit_cast<std::uint32_t>(1.0f) + (static_cast<std::uint32_t>(i) << 23);
  return p * std::bit_cast<float>(bits);
}

float Oscillator::tick() noexcept {
  const float out = std::sin(kTwoPi * phase);
  phase += increment;
  if (phase >= 1.0f) phase -= 1.0f;
  return out;
}

void Oscillator::set_frequency(float f) noexcept {
  frequency = at_least(f, 0.0f);
  increment = frequency / sample_rate;
}

void Oscillator::set_sample_rate(float sr) noexcept {
  sample_rate = sr;
  increment = frequency / sr;
}

namespace {

float sample_hold_value(float phase) noexcept {
  const float v = std::sin(phase * 12345.679f) * 43758.547f;
  // Truncation keeps the sign of v, so the result spans -3..1.
  return 2.0f * (v - std::trunc(v)) - 1.0f;
}

}  // namespace

float Lfo::tick() noexcept {
  const float p = phase;
  float value;
  switch (shape) {
    case LfoShape::Sine:
      value = std::sin((p + p) * 3.1415927f);
      break;
    case LfoShape::Triangle:
      value = p < 0.5f ? 4.0f * p - 1.0f : 3.0f - 4.0f * p;
      break;
    case LfoShape::Saw:
      value = 2.0f * p - 1.0f;
      break;
    case LfoShape::Square:
      value = p < 0.5f ? 1.0f : -1.0f;
      break;
    default:
      value = held;
      break;
  }
  phase = p + increment;
  if (phase >= 1.0f) {
    phase -= 1.0f;
    if (shape == LfoShape::SampleHold) held = sample_hold_value(phase);
  }
  // A wrap without passing 1 (a negative increment) refreshes too; the value is the same.
  if (shape == LfoShape::SampleHold && phase < p) held = sample_hold_value(phase);
  return value;
}

float OscillatorBank::position(std::size_t k, std::size_t n) noexcept {
  if (n <= 1) return 0.0f;
  return static_cast<float>(2 * k) / static_cast<float>(n - 1) - 1.0f;
}

OscillatorBank::OscillatorBank(std::size_t requested_count, float sr) noexcept
    : count(std::clamp(requested_count, kMinCount, kMaxCount)), sample_rate(sr) {
  for (std::size_t i = 0; i < count; ++i) {
    const float golden = static_cast<float>(i) * 0.618034f;
    frequencies[i] = 440.0f;
    phases[i] = golden - std::floor(golden);
    increments[i] = 440.0f / sr;
    drift_phases[i] = static_cast<float>(i) * 0.1f;
    drift_rates[i] = 0.1f + 0.03f * static_cast<float>(i);
  }
  apply_spread_law();
}

void OscillatorBank::apply_spread_law() noexcept {
  for (std::size_t k = 0; k < count; ++k) {
    const float f = at_least(base_frequency * fast_exp2(spread * position(k, count)), 0.0f);
    frequencies[k] = f;
    increments[k] = f / sample_rate;
  }
}

void OscillatorBank::set_spread(float s) noexcept {
  spread = clamp(s, 0.0f, 1.0f);
  apply_spread_law();
}

void OscillatorBank::set_frequency(float f) noexcept {
  base_frequency = at_least(f, 0.0f);
  apply_spread_law();
}

void OscillatorBank::set_sample_rate(float sr) noexcept {
  sample_rate = sr;
  for (std::size_t i = 0; i < count; ++i) increments[i] = frequencies[i] / sr;
  apply_spread_law();
}

void OscillatorBank::reset() noexcept {
  for (std::size_t i = 0; i < count; ++i) {
    const float golden = static_cast<float>(i) * 0.618034f;
    phases[i] = golden - std::floor(golden);
  }
}

void OscillatorBank::apply_drift() noexcept {
  const float step = 32.0f / sample_rate;
  const float amplitude = base_frequency * drift * 0.01f;
  for (std::size_t i = 0; i < count; ++i) {
    drift_phases[i] += step * drift_rates[i];
    if (drift_phases[i] >= 1.0f) drift_phases[i] -= 1.0f;
    const float f = at_least(amplitude * std::sin(kTwoPi * drift_phases[i]) +
                                 base_frequency * fast_exp2(spread * position(i, count)),
                             0.0f);
    frequencies[i] = f;
    increments[i] = f / sample_rate;
  }
}

float OscillatorBank::process() noexcept {
  if (drift > 0.0f) {
    drift_counter += 1;
    if (drift_counter > 31) {
      drift_counter = 0;
      apply_drift();
    }
  }
  float sum = 0.0f;
  for (std::size_t i = 0; i < count; ++i) {
    const float out = std::sin(kTwoPi * phases[i]);
    phases[i] += increments[i];
    if (phases[i] >= 1.0f) phases[i] -= 1.0f;
    sum += out;
  }
  return sum / static_cast<float>(count);
}

}  // namespace quorvane_dsp_kit
