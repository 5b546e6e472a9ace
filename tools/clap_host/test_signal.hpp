#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/clap_host/audio_data.hpp"
#include "tools/clap_host/host_error.hpp"

namespace vessimor::tools {

// Built-in stereo test signals, for renders without an input file. Each is deterministic (the
// noise uses a fixed seed), so two renders of the same signal are bit-identical.
//   "sine"  : 220 Hz sine
//   "chord" : a plucked A minor chord repeated every half second (the default; shows the
//             effect on a musical input with attacks)
//   "sweep" : logarithmic sine sweep from 20 Hz to 20 kHz
//   "noise" : white noise
std::vector<std::string> test_signal_names();

// Throws HostError for an unknown name, a non-positive or non-finite length or sample rate.
AudioData make_test_signal(std::string_view name, double seconds, double sample_rate);

}  // namespace vessimor::tools
