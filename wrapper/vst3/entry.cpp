#include "wrapper/vst3/entry.hpp"

#include "framework/logger.hpp"
#include "framework/panic.hpp"

namespace vessimor::vst3 {

bool module_entry() noexcept {
  return guard_entry([] {
    util::setup_logger();
    return true;
  });
}

bool module_exit() noexcept {
  return true;
}

}  // namespace vessimor::vst3
