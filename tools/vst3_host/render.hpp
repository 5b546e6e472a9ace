#pragma once

#include "tools/clap_host/audio_data.hpp"
#include "tools/clap_host/render_job.hpp"
#include "tools/vst3_host/processor.hpp"

namespace vessimor::tools::vst3 {

// Renders mono or stereo `input` through a new, not yet set-up instance of Vessimor.vst3 and
// returns the stereo output at the input's sample rate and length. The job's values reach the
// plug-in as a saved state loaded before activation, as when a host opens a project; automation
// arrives as parameter changes at each point's sample. Throws HostError when the plug-in refuses
// a step, the values do not take, or processing reports an error.
AudioData render(Vst3Processor& instance, const AudioData& input, const RenderJob& job);

// The saved state of Vessimor with the given values and every other parameter at its default,
// as the plug-in itself writes it. Throws HostError for an unknown parameter id.
std::vector<std::uint8_t> vessimor_state_with(const std::vector<NormalizedValue>& values);

}  // namespace vessimor::tools::vst3
