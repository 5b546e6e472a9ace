// vessimor-render: renders an audio file, or a built-in test signal, through Vessimor.clap or
// Vessimor.vst3 with a factory preset and parameter overrides, and writes the result as a WAV file.
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "framework/params/range.hpp"
#include "plugin/params.hpp"
#include "tools/clap_host/audio_file.hpp"
#include "tools/clap_host/host.hpp"
#include "tools/clap_host/preset_values.hpp"
#include "tools/clap_host/render.hpp"
#include "tools/clap_host/render_options.hpp"
#include "tools/clap_host/test_signal.hpp"
#include "tools/vst3_host/render.hpp"

namespace {

using namespace vessimor::tools;
using Clock = std::chrono::steady_clock;

// Shown only once a render has run for a second, so short renders stay quiet.
class ProgressLine {
 public:
  void update(std::size_t done, std::size_t total) {
    const auto now = Clock::now();
    if (now - started_ < std::chrono::seconds(1) || now - last_ < std::chrono::milliseconds(500)) {
      return;
    }
    last_ = now;
    shown_ = true;
    std::fprintf(stderr, "%srendering: %3d%%%s", tty_ ? "\r" : "", percent(done, total),
                 tty_ ? "" : "\n");
    std::fflush(stderr);
  }
  void finish() {
    if (shown_) std::fprintf(stderr, "%srendering: 100%%\n", tty_ ? "\r" : "");
  }

 private:
  static int percent(std::size_t done, std::size_t total) {
    return total == 0 ? 100 : static_cast<int>(100.0 * static_cast<double>(done) / total);
  }
  Clock::time_point started_ = Clock::now();
  Clock::time_point last_ = started_;
  bool tty_ = isatty(fileno(stderr)) != 0;
  bool shown_ = false;
};

// The plug-in to load and its format: the --plugin path (its format from its extension), else
// the build's own plug-in of the --format asked for.
struct PluginChoice {
  std::string path;
  bool vst3 = false;
};

PluginChoice choose_plugin(const RenderOptions& options) {
  if (!options.plugin_path) {
    const bool vst3 = options.format == "vst3";
    return {vst3 ? VESSIMOR_DEFAULT_VST3_PATH : VESSIMOR_DEFAULT_CLAP_PATH, vst3};
  }
  std::filesystem::path path(*options.plugin_path);
  if (!path.has_filename()) path = path.parent_path();  // a bundle given with a trailing "/"
  const bool vst3 = path.extension() == ".vst3";
  if (options.format && (*options.format == "vst3") != vst3) {
    throw UsageError("--plugin '" + *options.plugin_path + "' is not a " + *options.format +
                     " plug-in");
  }
  return {*options.plugin_path, vst3};
}

AudioData render_clap(const std::string& path, const RenderOptions& options, const AudioData& input,
                      RenderJob& job) {
  PluginModule module(path);
  PluginInstance instance(module);
  if (!instance.init()) throw HostError("the plug-in failed to initialise");

  // The plug-in addresses parameters by the hash of their string ids; its parameter list gives
  // each one's CLAP range (0..1, or 0..step count).
  std::map<clap_id, double> clap_max;
  for (const clap_param_info& info : instance.param_infos()) clap_max[info.id] = info.max_value;
  const PluginTextParser parse_text = [&](std::string_view id,
                                          const std::string& text) -> std::optional<float> {
    const clap_id hash = vessimor::hash_param_id(id);
    if (clap_max.count(hash) == 0) {
      throw HostError("the plug-in has no parameter '" + std::string(id) + "'");
    }
    const std::optional<double> value = instance.text_to_value(hash, text);
    if (!value) return std::nullopt;
    return static_cast<float>(*value / clap_max[hash]);
  };
  job.values = resolve_parameter_values(options.preset, options.overrides, parse_text);
  return render(instance, input, job);
}

AudioData render_vst3(const std::string& path, const RenderOptions& options, const AudioData& input,
                      RenderJob& job) {
  vst3::Vst3Module module(path);
  std::optional<vst3::ClassInfo> effect;
  for (const vst3::ClassInfo& info : module.classes()) {
    if (std::string_view(info.info.category) == vessimor::vst3::abi::kVstAudioEffectClass) {
      effect = info;
      break;
    }
  }
  if (!effect) throw HostError("'" + path + "' describes no audio effect");
  vst3::Vst3Processor instance(module, effect->info.cid);
  // The bundle is this build's Vessimor: its parameters read text as this copy of them does.
  const vessimor::VessimorParams params;
  const vessimor::ParamMap map = params.param_map();
  const PluginTextParser parse_text = [&](std::string_view id,
                                          const std::string& text) -> std::optional<float> {
    for (const vessimor::ParamMapEntry& entry : map) {
      if (entry.id == id) return entry.param.string_to_normalized_value(text);
    }
    return std::nullopt;
  };
  job.values = resolve_parameter_values(options.preset, options.overrides, parse_text);
  return vst3::render(instance, input, job);
}

int run(const RenderOptions& options) {
  if (options.input_path && !std::filesystem::is_regular_file(*options.input_path)) {
    throw HostError("input file not found: '" + *options.input_path + "'");
  }
  // Checked up front so that a long render is not lost to a typing error in the output path.
  const std::filesystem::path output_folder =
      std::filesystem::absolute(options.output_path).parent_path();
  if (!std::filesystem::is_directory(output_folder)) {
    throw HostError("cannot write '" + options.output_path + "': no folder '" +
                    output_folder.string() + "'");
  }
  AudioData input = options.input_path
                        ? read_audio_file(*options.input_path)
                        : make_test_signal(options.signal, options.seconds, options.sample_rate);
  if (input.frame_count() == 0) throw HostError("the input holds no audio");

  const PluginChoice plugin = choose_plugin(options);
  if (!std::filesystem::exists(plugin.path)) {
    throw HostError("plug-in not found: '" + plugin.path + "' (build it, or pass --plugin PATH)");
  }
  RenderJob job;
  job.tempo = options.tempo;
  job.block_size = options.block_size;
  ProgressLine progress;
  job.progress = [&](std::size_t done, std::size_t total) { progress.update(done, total); };
  const AudioData output = plugin.vst3 ? render_vst3(plugin.path, options, input, job)
                                       : render_clap(plugin.path, options, input, job);
  progress.finish();
  write_wav_file(options.output_path, output);
  std::printf("wrote %s: %.2f s at %.0f Hz, preset \"%s\"\n", options.output_path.c_str(),
              static_cast<double>(output.frame_count()) / output.sample_rate, output.sample_rate,
              options.preset.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string program = "vessimor-render";
  std::vector<std::string> args(argv + 1, argv + argc);
  try {
    const RenderOptions options = parse_render_options(args);
    if (options.show_help) {
      std::fputs(render_usage(program).c_str(), stdout);
      return 0;
    }
    return run(options);
  } catch (const UsageError& error) {
    std::fprintf(stderr, "%s: %s\n%s", program.c_str(), error.what(),
                 render_usage(program).c_str());
    return 2;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s: error: %s\n", program.c_str(), error.what());
    return 1;
  }
}
