#pragma once

#include <cstddef>

namespace vessimor::test {

// Counts heap allocations and deallocations made by the calling thread while armed. Other threads
// (workers, the test runner) are never counted, so a test can arm the hook around one call on the
// audio path.
class AllocationHook {
 public:
  AllocationHook() noexcept;
  ~AllocationHook();
  AllocationHook(const AllocationHook&) = delete;
  AllocationHook& operator=(const AllocationHook&) = delete;

  // Allocations seen on this thread since construction.
  std::size_t count() const noexcept;
  // Deallocations seen on this thread since construction.
  std::size_t deallocations() const noexcept;
};

}  // namespace vessimor::test
