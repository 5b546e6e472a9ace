#include "tests/support/lock_probe.hpp"

#include "framework/mutex.hpp"

namespace vessimor::test {
namespace {

thread_local bool t_armed = false;
thread_local std::size_t t_count = 0;

void on_lock() noexcept {
  if (t_armed) ++t_count;
}

}  // namespace

LockProbe::LockProbe() noexcept {
  set_lock_probe(&on_lock);
  t_count = 0;
  t_armed = true;
}

LockProbe::~LockProbe() {
  t_armed = false;
}

std::size_t LockProbe::count() const noexcept {
  return t_count;
}

}  // namespace vessimor::test
