#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/clap_host/preset_values.hpp"

namespace vessimor::tools {

// A parameter change at a frame of the render, as a host's automation lane sends it.
struct AutomationPoint {
  std::size_t frame = 0;
  std::string id;  // the parameter's string id
  float normalized = 0.0f;
};

// What to render, in terms every plug-in format shares: the plug-in's parameters by string id
// and normalised value.
struct RenderJob {
  // Set before the plug-in is activated, so that nothing glides towards them.
  std::vector<NormalizedValue> values;
  // In frame order; each point lands on its own sample.
  std::vector<AutomationPoint> automation;
  double tempo = 120.0;  // the host plays from the start of the timeline at this tempo
  std::uint32_t block_size = 512;
  // Called on the main thread now and then while rendering, and once at the end.
  std::function<void(std::size_t frames_done, std::size_t frames_total)> progress;
};

}  // namespace vessimor::tools
