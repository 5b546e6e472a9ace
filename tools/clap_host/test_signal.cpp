#include "tools/clap_host/test_signal.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace vessimor::tools {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kLevel = 0.5;  // -6 dBFS peak leaves headroom for the effect's gain stages

void fill_sine(std::vector<float>& out, double sample_rate) {
  for (std::size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<float>(kLevel *
                                std::sin(kTwoPi * 220.0 * static_cast<double>(i) / sample_rate));
  }
}

void fill_chord(std::vector<float>& out, double sample_rate) {
  static constexpr double kNotes[] = {220.0, 261.63, 329.63, 440.0};
  const auto period = static_cast<std::size_t>(0.5 * sample_rate);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const double t = static_cast<double>(i % std::max<std::size_t>(period, 1)) / sample_rate;
    const double envelope = std::exp(-6.0 * t);
    double sum = 0.0;
    for (double f : kNotes) sum += std::sin(kTwoPi * f * static_cast<double>(i) / sample_rate);
    out[i] = static_cast<float>(kLevel * envelope * sum / std::size(kNotes));
  }
}

void fill_sweep(std::vector<float>& out, double sample_rate) {
  const double duration = static_cast<double>(out.size()) / sample_rate;
  const double top = std::min(20000.0, 0.45 * sample_rate);
  const double ratio = std::log(top / 20.0);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const double t = static_cast<double>(i) / sample_rate;
    // Phase of an exponential sweep: integral of 20 * e^(ratio * t / duration).
    const double phase = kTwoPi * 20.0 * duration / ratio * (std::exp(ratio * t / duration) - 1.0);
    out[i] = static_cast<float>(kLevel * std::sin(phase));
  }
}

void fill_noise(std::vector<float>& out) {
  std::uint32_t state = 0x9E3779B9u;
  for (float& sample : out) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    sample = static_cast<float>(kLevel * (static_cast<double>(state) / 4294967295.0 * 2.0 - 1.0));
  }
}

}  // namespace

std::vector<std::string> test_signal_names() {
  return {"sine", "chord", "sweep", "noise"};
}

AudioData make_test_signal(std::string_view name, double seconds, double sample_rate) {
  if (!std::isfinite(seconds) || seconds <= 0.0 || seconds > 24.0 * 3600.0) {
    throw HostError("the test signal length must be a positive number of seconds");
  }
  if (!std::isfinite(sample_rate) || sample_rate < 1000.0 || sample_rate > 1536000.0) {
    throw HostError("the sample rate must be between 1000 and 1536000 Hz");
  }
  AudioData audio;
  audio.sample_rate = sample_rate;
  std::vector<float> samples(static_cast<std::size_t>(std::llround(seconds * sample_rate)));
  if (name == "sine") {
    fill_sine(samples, sample_rate);
  } else if (name == "chord") {
    fill_chord(samples, sample_rate);
  } else if (name == "sweep") {
    fill_sweep(samples, sample_rate);
  } else if (name == "noise") {
    fill_noise(samples);
  } else {
    std::string known;
    for (const auto& n : test_signal_names()) known += (known.empty() ? "" : ", ") + n;
    throw HostError("unknown test signal '" + std::string(name) + "' (known: " + known + ")");
  }
  audio.channels = {samples, samples};
  return audio;
}

}  // namespace vessimor::tools
