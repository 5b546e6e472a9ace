#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tools/clap_host/host_error.hpp"

namespace vessimor::tools {

// A command line that cannot be understood; the tool prints the text and the usage.
class UsageError : public HostError {
 public:
  using HostError::HostError;
};

struct ParameterOverride {
  std::string id;     // the parameter's string id, e.g. "comb_mix"
  std::string value;  // as typed; checked against the parameter when the plug-in is loaded
};

struct RenderOptions {
  std::string output_path;
  std::optional<std::string> input_path;  // absent: render a built-in test signal
  std::string signal = "chord";
  double seconds = 4.0;
  double sample_rate = 48000.0;  // of the test signal; an input file keeps its own rate
  std::string preset = "Init";
  std::vector<ParameterOverride> overrides;  // in command-line order; a later one wins
  std::optional<std::string> plugin_path;    // absent: the build's own plug-in of `format`
  std::optional<std::string> format;         // "clap" or "vst3"; absent: from the path, or clap
  double tempo = 120.0;
  std::uint32_t block_size = 512;
  bool show_help = false;
};

// Parses the arguments after the program name. Throws UsageError for an unknown option, a
// missing or malformed value, or a missing output path (unless help was asked for).
RenderOptions parse_render_options(const std::vector<std::string>& args);

std::string render_usage(const std::string& program);

// Strict number parsing for option values: the whole text must be one finite number.
std::optional<double> parse_number(const std::string& text);

}  // namespace vessimor::tools
