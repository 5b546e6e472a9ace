// The host's buffer configuration of the last activation, readable on every thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

#include "framework/context.hpp"

namespace vessimor::core {

class BufferConfig {
 public:
  // Thread: main, while not processing
  void store(const ProcessingConfig& config) noexcept;
  // Nothing before the first `store`. Thread: any
  std::optional<ProcessingConfig> load() const noexcept;
  // Thread: any
  std::optional<float> sample_rate() const noexcept;

 private:
  std::atomic<bool> has_config_{false};
  std::atomic<float> sample_rate_{0.0F};
  // -1 when the host gave no smallest block size.
  std::atomic<std::int64_t> min_buffer_size_{-1};
  std::atomic<std::uint32_t> max_buffer_size_{0};
  std::atomic<ProcessMode> process_mode_{ProcessMode::realtime};
};

}  // namespace vessimor::core
