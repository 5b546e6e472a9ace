#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vessimor {

// Custom names for a layout and its ports. Each aux name list may be shorter than its port list;
// ports without a name get a generated one.
struct PortNames {
  std::optional<std::string_view> layout{};
  std::optional<std::string_view> main_input{};
  std::optional<std::string_view> main_output{};
  std::span<const std::string_view> aux_inputs{};
  std::span<const std::string_view> aux_outputs{};
};

// The audio ports a plug-in offers. Plain data over static tables, so that a plug-in can declare
// its layouts as compile-time constants.
struct AudioIOLayout {
  std::optional<std::uint32_t> main_input_channels{};
  std::optional<std::uint32_t> main_output_channels{};
  // One channel count per auxiliary port.
  std::span<const std::uint32_t> aux_input_ports{};
  std::span<const std::uint32_t> aux_output_ports{};
  PortNames names{};

  // Thread: any
  std::string name() const;
  // Thread: any
  std::string main_input_name() const;
  // Thread: any
  std::string main_output_name() const;
  // Nothing when the port index is out of range. Thread: any
  std::optional<std::string> aux_input_name(std::size_t index) const;
  // Nothing when the port index is out of range. Thread: any
  std::optional<std::string> aux_output_name(std::size_t index) const;
};

}  // namespace vessimor
