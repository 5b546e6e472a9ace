// The audio buses of a layout as VST3 hosts see them: per direction, the main bus (when the layout
// has one) at index 0, then the auxiliary buses; each bus's speaker arrangement from its channel
// count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "framework/audio/audio_io_layout.hpp"
#include "platform/vst3/vst3.hpp"

namespace vessimor::vst3 {

// The arrangement hosts expect for a bus of `channels` channels: mono, stereo and the common
// surround sets by name, any other count as that many lowest speaker bits. Thread: any
abi::SpeakerArrangement arrangement_for(std::uint32_t channels) noexcept;

// Audio buses in a direction; 0 for event buses, another media type or another direction.
// Thread: any
std::int32_t bus_count(const AudioIOLayout& layout, std::int32_t type,
                       std::int32_t direction) noexcept;

// The channel count of an audio bus; nothing for a direction other than input or output or an
// index outside the buses. Thread: any
std::optional<std::uint32_t> bus_channels(const AudioIOLayout& layout, std::int32_t direction,
                                          std::int32_t index) noexcept;

// Fills the host's BusInfo record. Thread: main
abi::tresult bus_info(const AudioIOLayout& layout, std::int32_t type, std::int32_t direction,
                      std::int32_t index, abi::BusInfo* info);

// The main input's channels go to the same channels of the main output. Thread: main
abi::tresult routing_info(const AudioIOLayout& layout, const abi::RoutingInfo* in,
                          abi::RoutingInfo* out) noexcept;

// The layout whose buses take the host's arrangements: as many buses in each direction, each with
// as many speakers as the bus has channels. Nothing when no layout does. Thread: main
std::optional<std::size_t> layout_for_arrangements(
    std::span<const AudioIOLayout> layouts, std::span<const abi::SpeakerArrangement> inputs,
    std::span<const abi::SpeakerArrangement> outputs) noexcept;

}  // namespace vessimor::vst3
