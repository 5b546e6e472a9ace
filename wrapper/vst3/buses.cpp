#include "wrapper/vst3/buses.hpp"

#include <bit>
#include <cstring>
#include <string>

#include "framework/panic.hpp"
#include "wrapper/vst3/util.hpp"

namespace vessimor::vst3 {
namespace {

std::size_t main_buses(const std::optional<std::uint32_t>& main) noexcept {
  return main.has_value() ? 1 : 0;
}

std::size_t buses_in(const AudioIOLayout& layout, std::int32_t direction) noexcept {
  if (direction == abi::kInput) {
    return main_buses(layout.main_input_channels) + layout.aux_input_ports.size();
  }
  if (direction == abi::kOutput) {
    return main_buses(layout.main_output_channels) + layout.aux_output_ports.size();
  }
  return 0;
}

}  // namespace

abi::SpeakerArrangement arrangement_for(std::uint32_t channels) noexcept {
  switch (channels) {
    case 1:
      return abi::kMono;
    case 2:
      return abi::kStereo;
    case 5:
      return abi::k50;
    case 6:
      return abi::k51;
    case 7:
      return abi::k70Cine;
    case 8:
      return abi::k71Cine;
    default:
      return channels >= 64 ? ~abi::SpeakerArrangement{0}
                            : (abi::SpeakerArrangement{1} << channels) - 1;
  }
}

std::int32_t bus_count(const AudioIOLayout& layout, std::int32_t type,
                       std::int32_t direction) noexcept {
  if (type != abi::kAudio) return 0;
  return static_cast<std::int32_t>(buses_in(layout, direction));
}

std::optional<std::uint32_t> bus_channels(const AudioIOLayout& layout, std::int32_t direction,
                                          std::int32_t index) noexcept {
  if (index < 0 || static_cast<std::size_t>(index) >= buses_in(layout, direction)) {
    return std::nullopt;
  }
  const bool input = direction == abi::kInput;
  const std::optional<std::uint32_t>& main =
      input ? layout.main_input_channels : layout.main_output_channels;
  if (main && index == 0) return *main;
  const std::span<const std::uint32_t> aux =
      input ? layout.aux_input_ports : layout.aux_output_ports;
  return aux[static_cast<std::size_t>(index) - main_buses(main)];
}

abi::tresult bus_info(const AudioIOLayout& layout, std::int32_t type, std::int32_t direction,
                      std::int32_t index, abi::BusInfo* info) {
  if (info == nullptr || type != abi::kAudio) return abi::kInvalidArgument;
  const std::optional<std::uint32_t> channels = bus_channels(layout, direction, index);
  if (!channels) return abi::kInvalidArgument;
  const bool input = direction == abi::kInput;
  const std::optional<std::uint32_t>& main =
      input ? layout.main_input_channels : layout.main_output_channels;

  std::memset(info, 0, sizeof *info);
  info->mediaType = abi::kAudio;
  info->direction = direction;
  info->channelCount = static_cast<std::int32_t>(*channels);
  info->flags = abi::kDefaultActive;
  std::string name;
  if (main && index == 0) {
    info->busType = abi::kMain;
    name = input ? layout.main_input_name() : layout.main_output_name();
  } else {
    info->busType = abi::kAux;
    const std::size_t aux_index = static_cast<std::size_t>(index) - main_buses(main);
    std::optional<std::string> aux_name =
        input ? layout.aux_input_name(aux_index) : layout.aux_output_name(aux_index);
    if (!aux_name) {
      if (input) VESSIMOR_PANIC("Out of bounds auxiliary input port");
      VESSIMOR_PANIC("Out of bounds auxiliary output port");
    }
    name = std::move(*aux_name);
  }
  util::u16strlcpy(info->name, std::size(info->name), name);
  return abi::kResultOk;
}

abi::tresult routing_info(const AudioIOLayout& layout, const abi::RoutingInfo* in,
                          abi::RoutingInfo* out) noexcept {
  if (in == nullptr || out == nullptr) return abi::kInvalidArgument;
  *out = abi::RoutingInfo{};
  if (in->busIndex != 0 || in->mediaType != abi::kAudio || !layout.main_input_channels ||
      !layout.main_output_channels) {
    return abi::kResultFalse;
  }
  out->mediaType = abi::kAudio;
  out->busIndex = 0;
  out->channel = in->channel;
  return abi::kResultOk;
}

std::optional<std::size_t> layout_for_arrangements(
    std::span<const AudioIOLayout> layouts, std::span<const abi::SpeakerArrangement> inputs,
    std::span<const abi::SpeakerArrangement> outputs) noexcept {
  const auto takes = [](const AudioIOLayout& layout, std::int32_t direction,
                        std::span<const abi::SpeakerArrangement> arrangements) {
    if (arrangements.size() != buses_in(layout, direction)) return false;
    for (std::size_t bus = 0; bus < arrangements.size(); ++bus) {
      const std::uint32_t speakers = static_cast<std::uint32_t>(std::popcount(arrangements[bus]));
      if (bus_channels(layout, direction, static_cast<std::int32_t>(bus)) != speakers) {
        return false;
      }
    }
    return true;
  };
  for (std::size_t index = 0; index < layouts.size(); ++index) {
    if (takes(layouts[index], abi::kInput, inputs) &&
        takes(layouts[index], abi::kOutput, outputs)) {
      return index;
    }
  }
  return std::nullopt;
}

}  // namespace vessimor::vst3
