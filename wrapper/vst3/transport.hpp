// The transport of one sub-block from the host's ProcessContext.
#pragma once

#include <cstdint>

#include "framework/transport.hpp"
#include "platform/vst3/vst3.hpp"

namespace vessimor::vst3 {

// The transport for the sub-block that starts `start` samples into the host's block, at the
// configured sample rate. Without a context: stopped, with no tempo, metre or positions. The
// beat position of a later sub-block moves on from the block's by the host's tempo, and its bar
// start is worked out again where the position and metre allow. Thread: audio
Transport make_transport(const abi::ProcessContext* context, std::uint32_t start,
                         float sample_rate) noexcept;

}  // namespace vessimor::vst3
