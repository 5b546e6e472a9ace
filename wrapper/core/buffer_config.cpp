#include "wrapper/core/buffer_config.hpp"

namespace vessimor::core {

void BufferConfig::store(const ProcessingConfig& config) noexcept {
  sample_rate_.store(config.sample_rate, std::memory_order_relaxed);
  min_buffer_size_.store(config.min_buffer_size ? std::int64_t{*config.min_buffer_size} : -1,
                         std::memory_order_relaxed);
  max_buffer_size_.store(config.max_buffer_size, std::memory_order_relaxed);
  process_mode_.store(config.process_mode, std::memory_order_relaxed);
  has_config_.store(true, std::memory_order_release);
}

std::optional<ProcessingConfig> BufferConfig::load() const noexcept {
  if (!has_config_.load(std::memory_order_acquire)) return std::nullopt;
  ProcessingConfig config;
  config.sample_rate = sample_rate_.load(std::memory_order_relaxed);
  const std::int64_t min = min_buffer_size_.load(std::memory_order_relaxed);
  if (min >= 0) config.min_buffer_size = static_cast<std::uint32_t>(min);
  config.max_buffer_size = max_buffer_size_.load(std::memory_order_relaxed);
  config.process_mode = process_mode_.load(std::memory_order_relaxed);
  return config;
}

std::optional<float> BufferConfig::sample_rate() const noexcept {
  if (!has_config_.load(std::memory_order_acquire)) return std::nullopt;
  return sample_rate_.load(std::memory_order_relaxed);
}

}  // namespace vessimor::core
