#include "platform/thread_name.hpp"

#include <pthread.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

#include "platform/main_thread.hpp"

namespace vessimor::platform {

namespace {

thread_local std::string t_name;

std::string os_thread_name() {
  char buffer[64] = {};
  if (pthread_getname_np(pthread_self(), buffer, sizeof buffer) != 0) return {};
  return buffer;
}

#if defined(__linux__)
// Linux threads inherit their creator's name, so a thread nobody named carries the process name.
std::string process_name() {
  std::ifstream comm("/proc/self/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}
#endif

}  // namespace

void set_current_thread_name(std::string_view name) noexcept {
  try {
    t_name.assign(name);
  } catch (...) {
    t_name.clear();
  }
#if defined(__APPLE__)
  std::string os_name(name.substr(0, 63));
  pthread_setname_np(os_name.c_str());
#else
  char os_name[16] = {};
  std::memcpy(os_name, name.data(), name.size() < 15 ? name.size() : 15);
  pthread_setname_np(pthread_self(), os_name);
#endif
}

std::optional<std::string> current_thread_name() {
  if (!t_name.empty()) return t_name;
  if (is_main_thread()) return std::string("main");
  std::string name = os_thread_name();
#if defined(__linux__)
  if (!name.empty() && name == process_name()) return std::nullopt;
#endif
  if (name.empty()) return std::nullopt;
  return name;
}

}  // namespace vessimor::platform
