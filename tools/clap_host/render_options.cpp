#include "tools/clap_host/render_options.hpp"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "tools/clap_host/test_signal.hpp"

namespace vessimor::tools {
namespace {

double number_option(const std::string& option, const std::string& text, double min, double max) {
  const std::optional<double> value = parse_number(text);
  if (!value || *value < min || *value > max) {
    throw UsageError(option + " needs a number from " + std::to_string(min) + " to " +
                     std::to_string(max) + ", not '" + text + "'");
  }
  return *value;
}

ParameterOverride parse_override(const std::string& text) {
  const auto equals = text.find('=');
  if (equals == std::string::npos || equals == 0 || equals + 1 == text.size()) {
    throw UsageError("--set needs ID=VALUE (for example --set mix=0.5), not '" + text + "'");
  }
  return {text.substr(0, equals), text.substr(equals + 1)};
}

}  // namespace

std::optional<double> parse_number(const std::string& text) {
  if (text.empty() || std::isspace(static_cast<unsigned char>(text.front()))) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || errno == ERANGE || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

RenderOptions parse_render_options(const std::vector<std::string>& args) {
  RenderOptions options;
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    std::optional<std::string> inline_value;
    if (arg.rfind("--", 0) == 0) {
      if (const auto equals = arg.find('='); equals != std::string::npos) {
        inline_value = arg.substr(equals + 1);
        arg.resize(equals);
      }
    }
    auto value = [&]() -> std::string {
      if (inline_value) return *inline_value;
      if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
      return args[++i];
    };
    if (arg == "-h" || arg == "--help") {
      options.show_help = true;
    } else if (arg == "--input" || arg == "-i") {
      options.input_path = value();
    } else if (arg == "--signal") {
      options.signal = value();
      bool known = false;
      for (const auto& name : test_signal_names()) known = known || name == options.signal;
      if (!known) throw UsageError("unknown test signal '" + options.signal + "'");
    } else if (arg == "--seconds") {
      options.seconds = number_option(arg, value(), 0.001, 3600.0);
    } else if (arg == "--sample-rate") {
      options.sample_rate = number_option(arg, value(), 8000.0, 384000.0);
    } else if (arg == "--preset" || arg == "-p") {
      options.preset = value();
    } else if (arg == "--set" || arg == "-s") {
      options.overrides.push_back(parse_override(value()));
    } else if (arg == "--plugin") {
      options.plugin_path = value();
    } else if (arg == "--format") {
      options.format = value();
      if (options.format != "clap" && options.format != "vst3") {
        throw UsageError("unknown plug-in format '" + *options.format + "' (clap or vst3)");
      }
    } else if (arg == "--tempo") {
      options.tempo = number_option(arg, value(), 1.0, 999.0);
    } else if (arg == "--block-size") {
      const double size = number_option(arg, value(), 1.0, 16384.0);
      if (size != std::floor(size)) throw UsageError("--block-size needs a whole number");
      options.block_size = static_cast<std::uint32_t>(size);
    } else if (arg.size() > 1 && arg.front() == '-') {
      throw UsageError("unknown option '" + arg + "'");
    } else {
      if (inline_value) throw UsageError("unknown option '" + args[i] + "'");
      positional.push_back(arg);
    }
  }
  if (options.show_help) return options;
  if (positional.empty()) throw UsageError("missing the output file");
  if (positional.size() > 1) throw UsageError("more than one output file given");
  options.output_path = positional.front();
  return options;
}

std::string render_usage(const std::string& program) {
  return "usage: " + program +
         " [options] OUTPUT.wav\n"
         "Renders audio through Vessimor.clap or Vessimor.vst3 into a 32-bit float WAV file.\n"
         "  -i, --input FILE      input audio file (default: a built-in test signal)\n"
         "  --signal NAME         test signal: chord, sine, sweep or noise (default chord)\n"
         "  --seconds S           test signal length in seconds (default 4)\n"
         "  --sample-rate HZ      test signal sample rate (default 48000)\n"
         "  -p, --preset NAME     factory preset (default \"Init\")\n"
         "  -s, --set ID=VALUE    set a parameter after the preset (repeatable); VALUE is a\n"
         "                        number in the parameter's own units (input_gain=-3,\n"
         "                        lock_freq=880, mix=0.5, swarm_count=8, char_mode=3,\n"
         "                        lock_motion_enable=1) or text the plug-in reads\n"
         "                        (char_mode=Fold, 'lock_freq=1.2 kHz', 'mix=30 %')\n"
         "  --format FORMAT       clap or vst3: the plug-in of this build to load (default clap)\n"
         "  --plugin PATH         the plug-in to load instead: a .clap file or a .vst3 bundle\n"
         "  --tempo BPM           host tempo (default 120)\n"
         "  --block-size N        frames per process call (default 512)\n";
}

}  // namespace vessimor::tools
