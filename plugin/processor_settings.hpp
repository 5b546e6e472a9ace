#pragma once

#include "engine/processor.hpp"
#include "plugin/params.hpp"

namespace vessimor {

// Copies the current parameter values and the shared tempo into the processor, once per block
// before its samples are processed. Units are converted (decibels to gain, divisions to LFO
// rates) and every value is clamped to what the engine expects. Three settings deliberately lag
// one block, using what the processor still holds from the previous update: the lock LFO follows
// the previous tempo, the carrier frequency is set only while lock motion was off, and the
// formant position jumps only while the formant morph was still. Allocation-free, including a
// change of the swarm count.
// Thread: audio
void update_processor_params(const VessimorParams& params, float tempo_bpm,
                             VessimorProcessor& processor) noexcept;

}  // namespace vessimor
