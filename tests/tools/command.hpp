#pragma once

// Shell commands for the tests that look at the built files with the system's own tools.

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace vessimor::test {

struct CommandResult {
  int status = -1;     // the exit status; -1 when the command could not run or did not exit
  std::string output;  // what it wrote to standard output
};

inline CommandResult run_command(const std::string& command) {
  CommandResult result;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), &pclose);
  if (!pipe) return result;
  std::array<char, 512> chunk{};
  while (std::fgets(chunk.data(), chunk.size(), pipe.get()) != nullptr) {
    result.output += chunk.data();
  }
  const int status = pclose(pipe.release());
  if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
  return result;
}

// The lines a command wrote to standard output, without their line feeds.
inline std::vector<std::string> command_lines(const std::string& command) {
  const std::string output = run_command(command).output;
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end = output.find('\n'); end != std::string::npos;
       end = output.find('\n', start)) {
    lines.push_back(output.substr(start, end - start));
    start = end + 1;
  }
  if (start < output.size()) lines.push_back(output.substr(start));
  return lines;
}

// Defined dynamic symbols of a shared object with their kinds, as `nm -D --defined-only` lists
// them ("GetPluginFactory:T").
inline std::vector<std::string> exported_symbols(const std::string& path) {
  std::vector<std::string> names;
  for (const std::string& text : command_lines("nm -D --defined-only '" + path + "' 2>/dev/null")) {
    const auto last_space = text.rfind(' ');
    const std::string kind = last_space == std::string::npos || last_space < 2
                                 ? std::string()
                                 : text.substr(last_space - 1, 1);
    names.push_back(text.substr(last_space + 1) + ":" + kind);
  }
  return names;
}

}  // namespace vessimor::test
