#pragma once

#include <cstddef>

namespace vessimor::test {

// Counts the locks the calling thread takes through the project's Mutex and Channel types while
// armed, as AllocationHook counts allocations: arm it around a call on the audio path.
class LockProbe {
 public:
  LockProbe() noexcept;
  ~LockProbe();
  LockProbe(const LockProbe&) = delete;
  LockProbe& operator=(const LockProbe&) = delete;

  // Locks seen on this thread since construction.
  std::size_t count() const noexcept;
};

}  // namespace vessimor::test
