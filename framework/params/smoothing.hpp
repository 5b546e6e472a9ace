#pragma once

#include <atomic>
#include <cmath>
#include <cstdint>
#include <memory>
#include <variant>

#include "framework/params/range.hpp"

namespace vessimor {

// How a parameter glides toward a new value.
class SmoothingStyle {
 public:
  // The inner style evaluated at the sample rate times a factor that may change while running.
  struct OversamplingAware {
    std::shared_ptr<std::atomic<float>> factor;
    std::shared_ptr<const SmoothingStyle> inner;
  };
  struct None {};
  struct Linear {
    float duration_ms;
  };
  struct Logarithmic {
    float duration_ms;
  };
  // One-pole approach that covers 99.99 % of the distance in the duration.
  struct Exponential {
    float duration_ms;
  };
  using Variant = std::variant<OversamplingAware, None, Linear, Logarithmic, Exponential>;

  SmoothingStyle() : style_(None{}) {}
  SmoothingStyle(OversamplingAware s) : style_(std::move(s)) {}
  SmoothingStyle(None s) : style_(s) {}
  SmoothingStyle(Linear s) : style_(s) {}
  SmoothingStyle(Logarithmic s) : style_(s) {}
  SmoothingStyle(Exponential s) : style_(s) {}

  const Variant& variant() const { return style_; }

  // Steps to reach a target at this sample rate (1 for None).
  std::uint32_t num_steps(float sample_rate) const;
  // Per-step increment, ratio or coefficient for a glide from `current` to `target` in `steps`.
  float step_size(float current, float target, std::uint32_t steps) const;

 private:
  Variant style_;
};

// Glides a parameter's value toward its target. Every field is an atomic cell with relaxed
// ordering: a state load writes it on the main thread while the audio thread may read it.
template <typename T>
class Smoother {
 public:
  explicit Smoother(SmoothingStyle style = {}) : style_(std::move(style)) {}
  // Only for building parameters, before any other thread can see them.
  Smoother(Smoother&& other) noexcept
      : style_(std::move(other.style_)),
        steps_left_(other.steps_left_.load(std::memory_order_relaxed)),
        step_size_(other.step_size_.load(std::memory_order_relaxed)),
        current_(other.current_.load(std::memory_order_relaxed)),
        target_(other.target_.load(std::memory_order_relaxed)) {}
  Smoother(const Smoother&) = delete;
  Smoother& operator=(const Smoother&) = delete;
  // Only for building parameters, like the move constructor.
  Smoother& operator=(Smoother&& other) noexcept {
    style_ = std::move(other.style_);
    steps_left_.store(other.steps_left(), std::memory_order_relaxed);
    step_size_.store(other.step_size(), std::memory_order_relaxed);
    current_.store(other.current(), std::memory_order_relaxed);
    target_.store(other.target(), std::memory_order_relaxed);
    return *this;
  }

  // Thread: any
  void set_target(float sample_rate, T target) {
    target_.store(target, std::memory_order_relaxed);
    const std::uint32_t steps = style_.num_steps(sample_rate);
    // A count beyond the signed range reads as negative, and so as "no glide".
    const auto signed_steps = static_cast<std::int32_t>(steps);
    steps_left_.store(signed_steps, std::memory_order_relaxed);
    if (signed_steps < 1) {
      step_size_.store(0.0f, std::memory_order_relaxed);
      return;
    }
    const float cur = current_.load(std::memory_order_relaxed);
    step_size_.store(style_.step_size(cur, static_cast<float>(target), steps),
                     std::memory_order_relaxed);
  }

  // Jump to `value`: no glide left.
  // Thread: any
  void reset(T value) {
    target_.store(value, std::memory_order_relaxed);
    current_.store(static_cast<float>(value), std::memory_order_relaxed);
    steps_left_.store(0, std::memory_order_relaxed);
  }

  const SmoothingStyle& style() const { return style_; }
  std::int32_t steps_left() const { return steps_left_.load(std::memory_order_relaxed); }
  float step_size() const { return step_size_.load(std::memory_order_relaxed); }
  float current() const { return current_.load(std::memory_order_relaxed); }
  T target() const { return target_.load(std::memory_order_relaxed); }

 private:
  SmoothingStyle style_;
  std::atomic<std::int32_t> steps_left_{0};
  std::atomic<float> step_size_{0.0f};
  std::atomic<float> current_{0.0f};
  std::atomic<T> target_{T{}};
};

}  // namespace vessimor
