// The plug-in modules need nothing at run time beyond the C and C++ runtimes: a user's machine
// has no libfmt or ICU of ours, nor the Objective-C runtime that the editor's stand-ins run on.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/tools/clap_fixture.hpp"
#include "tests/tools/command.hpp"
#include "tools/vst3_host/host.hpp"

namespace vessimor::test {
namespace {

// The NEEDED entries of a shared object's dynamic section, as `readelf -d` lists them.
std::vector<std::string> needed_libraries(const std::string& path) {
  std::vector<std::string> needed;
  for (const std::string& line : command_lines("readelf -d '" + path + "' 2>&1")) {
    if (line.find("(NEEDED)") == std::string::npos) continue;
    const auto open = line.find('[');
    const auto close = line.find(']', open);
    if (open != std::string::npos && close != std::string::npos) {
      needed.push_back(line.substr(open + 1, close - open - 1));
    }
  }
  return needed;
}

void expect_only_runtimes(const std::string& path) {
  static const std::set<std::string> kRuntimes{
      "libc.so.6",       "libm.so.6",  "libstdc++.so.6",       "libgcc_s.so.1",        "libdl.so.2",
      "libpthread.so.0", "librt.so.1", "ld-linux-x86-64.so.2", "ld-linux-aarch64.so.1"};
  const std::vector<std::string> needed = needed_libraries(path);
  // A module without any NEEDED entry would mean readelf failed, not a perfect module.
  EXPECT_NE(std::find(needed.begin(), needed.end(), "libc.so.6"), needed.end())
      << path << ": " << ::testing::PrintToString(needed);
  for (const std::string& library : needed) {
    EXPECT_TRUE(kRuntimes.count(library)) << path << " needs " << library;
  }
}

TEST(ModuleDependencies, ClapModuleNeedsOnlyTheRuntimes) {
  expect_only_runtimes(vessimor_clap_path());
}

TEST(ModuleDependencies, Vst3ModuleNeedsOnlyTheRuntimes) {
  // The library for this machine's architecture, where a VST3 host looks for it.
  const std::string module = tools::vst3::bundle_library_path(VESSIMOR_VST3_PATH);
  ASSERT_TRUE(std::filesystem::is_regular_file(module)) << module;
  expect_only_runtimes(module);
}

}  // namespace
}  // namespace vessimor::test
