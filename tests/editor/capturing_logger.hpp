#pragma once

// The process logger for the editor tests: keeps each record at info level or above as
// "<target>: <message>". Registered once per process; null when another logger came first.

#include <fmt/format.h>

#include <mutex>
#include <string>
#include <vector>

#include "framework/log.hpp"

namespace vessimor::test {

class CapturingLogger : public log::Logger {
 public:
  bool enabled(const log::Metadata& metadata) const override {
    return metadata.level <= log::Level::Info;
  }
  void log(const log::Record& record) override {
    std::lock_guard lock(mutex_);
    lines_.push_back(std::string(record.metadata.target) + ": " +
                     fmt::vformat(record.format, record.args));
  }
  void flush() override {}
  std::vector<std::string> lines() {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  void clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

inline CapturingLogger* capturing_logger() {
  static CapturingLogger* logger = [] {
    auto* created = new CapturingLogger();  // lives for the process, as a logger must
    if (!log::set_logger(created)) return static_cast<CapturingLogger*>(nullptr);
    log::set_max_level(log::Level::Info);
    return created;
  }();
  return logger;
}

}  // namespace vessimor::test
