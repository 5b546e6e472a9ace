#include "platform/main_thread.hpp"

#if defined(__APPLE__)
#include <objc/message.h>
#include <objc/runtime.h>

#include <stdexcept>
#else
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#endif

namespace vessimor::platform {

#if defined(__APPLE__)

namespace {

struct MainThreadQuery {
  Class ns_thread;
  SEL is_main_thread;
};

MainThreadQuery lookup_main_thread_query() {
  Class ns_thread = objc_getClass("NSThread");
  SEL selector = sel_registerName("isMainThread");
  if (ns_thread == nullptr || selector == nullptr) {
    throw std::runtime_error("NSThread isMainThread is not available");
  }
  return {ns_thread, selector};
}

}  // namespace

bool is_main_thread() {
  static const MainThreadQuery query = lookup_main_thread_query();
  using Send = BOOL (*)(Class, SEL);
  return reinterpret_cast<Send>(objc_msgSend)(query.ns_thread, query.is_main_thread);
}

#else

namespace {
// The kernel id of the thread a test picked as main; 0: the process's initial thread.
std::atomic<pid_t> g_picked{0};

pid_t current_tid() noexcept {
  return static_cast<pid_t>(syscall(SYS_gettid));
}
}  // namespace

bool is_main_thread() {
  const pid_t picked = g_picked.load(std::memory_order_acquire);
  return current_tid() == (picked != 0 ? picked : getpid());
}

void set_main_thread_to_caller(bool pick) noexcept {
  g_picked.store(pick ? current_tid() : 0, std::memory_order_release);
}

#endif

}  // namespace vessimor::platform
