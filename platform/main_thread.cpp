#include "platform/main_thread.hpp"

#if defined(__APPLE__)
#include <objc/message.h>
#include <objc/runtime.h>

#include <stdexcept>
#else
#include <pthread.h>
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
// The main thread, once known: the process's initial thread, learned on its first call, or the
// thread a test picked. Comparing with it costs no system call, so the audio thread can ask freely.
std::atomic<pthread_t> g_main{};
std::atomic<bool> g_main_known{false};
}  // namespace

bool is_main_thread() {
  if (g_main_known.load(std::memory_order_acquire)) {
    return pthread_equal(pthread_self(), g_main.load(std::memory_order_relaxed)) != 0;
  }
  // Until the initial thread has asked, only the kernel can tell.
  if (static_cast<pid_t>(syscall(SYS_gettid)) != getpid()) return false;
  g_main.store(pthread_self(), std::memory_order_relaxed);
  g_main_known.store(true, std::memory_order_release);
  return true;
}

void set_main_thread_to_caller(bool pick) noexcept {
  if (pick) g_main.store(pthread_self(), std::memory_order_relaxed);
  // Not picked: the initial thread is learned again on its next call.
  g_main_known.store(pick, std::memory_order_release);
}

#endif

}  // namespace vessimor::platform
