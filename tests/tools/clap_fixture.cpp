#include "tests/tools/clap_fixture.hpp"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace vessimor::test {

int count_threads_named(const std::string& name) {
  int count = 0;
  std::error_code error;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
    std::ifstream comm(task.path() / "comm");
    std::string line;
    if (std::getline(comm, line) && line == name) ++count;
  }
  return count;
}

int await_threads_named(const std::string& name, int expected) {
  int count = count_threads_named(name);
  for (int attempt = 0; attempt < 200 && count != expected; ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    count = count_threads_named(name);
  }
  return count;
}

ActiveInstance::ActiveInstance(const tools::PluginModule& module, double sample_rate,
                               std::uint32_t max_frames, tools::HostOptions options)
    : instance(module, options) {
  if (!instance.init()) throw tools::HostError("init failed");
  if (!instance.activate(sample_rate, 1, max_frames)) throw tools::HostError("activate failed");
}

}  // namespace vessimor::test
