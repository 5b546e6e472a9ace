#include "tests/support/alloc_hook.hpp"

#include <cstdlib>
#include <new>

// The thread sanitizer's runtime defines the global operator new itself, so under it the hook
// counts through the sanitizer's allocation callback instead of replacing the operators.
#if defined(__SANITIZE_THREAD__)
#define VESSIMOR_TSAN_HOOK 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VESSIMOR_TSAN_HOOK 1
#endif
#endif

namespace {

thread_local bool t_armed = false;
thread_local std::size_t t_count = 0;
thread_local std::size_t t_deallocations = 0;

void note_allocation() noexcept {
  if (t_armed) ++t_count;
}

void note_deallocation(const volatile void* p) noexcept {
  if (t_armed && p != nullptr) ++t_deallocations;
}

[[maybe_unused]] void release(void* p) noexcept {
  note_deallocation(p);
  std::free(p);
}

[[maybe_unused]] void* allocate(std::size_t size) {
  note_allocation();
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

[[maybe_unused]] void* allocate_aligned(std::size_t size, std::align_val_t align) {
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
  t_deallocations = 0;
  t_armed = true;
}

AllocationHook::~AllocationHook() {
  t_armed = false;
}

std::size_t AllocationHook::count() const noexcept {
  return t_count;
}

std::size_t AllocationHook::deallocations() const noexcept {
  return t_deallocations;
}

}  // namespace vessimor::test

#if defined(VESSIMOR_TSAN_HOOK)
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void*,
                                                                  std::size_t),
                                                         void (*)(const volatile void*));
namespace {
void on_sanitizer_malloc(const volatile void*, std::size_t) {
  note_allocation();
}
void on_sanitizer_free(const volatile void* p) {
  note_deallocation(p);
}
[[maybe_unused]] const int installed_hooks =
    __sanitizer_install_malloc_and_free_hooks(on_sanitizer_malloc, on_sanitizer_free);
}  // namespace
#else
// Replacements of the global allocation functions; every form funnels into the counter.
void* operator new(std::size_t size) {
  return allocate(size);
}
void* operator new[](std::size_t size) {
  return allocate(size);
}
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
void* operator new(std::size_t size, std::align_val_t al) {
  return allocate_aligned(size, al);
}
void* operator new[](std::size_t size, std::align_val_t al) {
  return allocate_aligned(size, al);
}
void operator delete(void* p) noexcept {
  release(p);
}
void operator delete[](void* p) noexcept {
  release(p);
}
void operator delete(void* p, std::size_t) noexcept {
  release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  release(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
  release(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
  release(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
  release(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
  release(p);
}
#endif

#if !defined(VESSIMOR_SANITIZED)
// Plain C allocations count too (the sanitizers own malloc, so only outside them).
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void __libc_free(void*);

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
void free(void* p) {
  note_deallocation(p);
  __libc_free(p);
}
}
#endif
