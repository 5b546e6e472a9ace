#include "tests/support/alloc_hook.hpp"

#include <cstdlib>
#include <new>

namespace {

thread_local bool t_armed = false;
thread_local std::size_t t_count = 0;

void note_allocation() noexcept {
  if (t_armed) ++t_count;
}

void* allocate(std::size_t size) {
  note_allocation();
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

void* allocate_aligned(std::size_t size, std::align_val_t align) {
  note_allocation();
  const auto a = static_cast<std::size_t>(align);
  const std::size_t rounded = ((size == 0 ? 1 : size) + a - 1) / a * a;
  if (void* p = std::aligned_alloc(a, rounded)) return p;
  throw std::bad_alloc();
}

}  // namespace

namespace vessimor::test {

AllocationHook::AllocationHook() noexcept {
  t_count = 0;
  t_armed = true;
}

AllocationHook::~AllocationHook() { t_armed = false; }

std::size_t AllocationHook::count() const noexcept { return t_count; }

}  // namespace vessimor::test

// Replacements of the global allocation functions; every form funnels into the counter.
void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new(std::size_t size, std::align_val_t al) { return allocate_aligned(size, al); }
void* operator new[](std::size_t size, std::align_val_t al) { return allocate_aligned(size, al); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }

#if !defined(VESSIMOR_SANITIZED)
// Plain C allocations count too (the sanitizers own malloc, so only outside them).
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);

void* malloc(std::size_t size) {
  note_allocation();
  return __libc_malloc(size);
}
void* calloc(std::size_t n, std::size_t size) {
  note_allocation();
  return __libc_calloc(n, size);
}
void* realloc(void* p, std::size_t size) {
  note_allocation();
  return __libc_realloc(p, size);
}
}
#endif
