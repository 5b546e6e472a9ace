#pragma once

#include "tools/clap_host/audio_data.hpp"
#include "tools/clap_host/host.hpp"
#include "tools/clap_host/render_job.hpp"

namespace vessimor::tools {

// Renders mono or stereo `input` through an initialised, not yet activated instance and
// returns the stereo output at the input's sample rate and length. Throws HostError when the
// plug-in refuses a step, a value does not take, or processing reports an error.
AudioData render(PluginInstance& instance, const AudioData& input, const RenderJob& job);

// Checks what every format's render needs of the input and the job; throws HostError.
void check_render_input(const AudioData& input, const RenderJob& job);

}  // namespace vessimor::tools
