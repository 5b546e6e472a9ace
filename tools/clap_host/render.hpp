#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "tools/clap_host/audio_file.hpp"
#include "tools/clap_host/host.hpp"

namespace vessimor::tools {

struct RenderJob {
  // Parameter values in CLAP units (0..1, or 0..step count for stepped parameters), set through
  // the plug-in's parameter flush before it is activated.
  std::vector<std::pair<clap_id, double>> values;
  double tempo = 120.0;  // the host plays from the start of the timeline at this tempo
  std::uint32_t block_size = 512;
  // Called on the main thread now and then while rendering, and once at the end.
  std::function<void(std::size_t frames_done, std::size_t frames_total)> progress;
};

// Renders mono or stereo `input` through an initialised, not yet activated instance and
// returns the stereo output at the input's sample rate and length. Throws HostError when the
// plug-in refuses a step, a value does not take, or processing reports an error.
AudioData render(PluginInstance& instance, const AudioData& input, const RenderJob& job);

}  // namespace vessimor::tools
