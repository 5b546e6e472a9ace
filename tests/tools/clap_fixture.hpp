#pragma once

#include <cmath>
#include <cstdint>
#include <string>

#include "platform/clap/clap.hpp"
#include "tools/clap_host/host.hpp"

namespace vessimor::test {

// The Vessimor.clap of this build (its path comes from the build system).
inline const std::string& vessimor_clap_path() {
  static const std::string path = VESSIMOR_CLAP_PATH;
  return path;
}

// The parameter of the given display name; fails the test when it is missing.
inline clap_param_info param_named(const tools::PluginInstance& instance, const std::string& name) {
  auto info = instance.find_param(name);
  if (!info) throw tools::HostError("no parameter named " + name);
  return *info;
}

// Number of threads of this process with the given name (from /proc), used to find the
// background worker.
int count_threads_named(const std::string& name);

// Waits up to two seconds for that number to become `expected` (a new thread names itself
// shortly after it starts; a joined one leaves /proc shortly after it ends). Gives the last count.
int await_threads_named(const std::string& name, int expected);

// An instance created, initialised and activated at `sample_rate` with blocks up to
// `max_frames`, not yet processing.
struct ActiveInstance {
  explicit ActiveInstance(const tools::PluginModule& module, double sample_rate = 48000.0,
                          std::uint32_t max_frames = 1024, tools::HostOptions options = {});
  tools::PluginInstance instance;
};

}  // namespace vessimor::test
