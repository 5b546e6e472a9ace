#include "wrapper/clap/entry.hpp"

#include "framework/logger.hpp"

namespace vessimor::clap {

bool init(const char* /*plugin_path*/) noexcept {
  return guard_entry([] {
    util::setup_logger();
    return true;
  });
}

void deinit() noexcept {}

}  // namespace vessimor::clap
