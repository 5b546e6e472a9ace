#include "framework/audio/audio_io_layout.hpp"

#include <fmt/format.h>

namespace vessimor {

namespace {

std::optional<std::string> aux_port_name(std::span<const std::uint32_t> ports,
                                         std::span<const std::string_view> names, std::size_t index,
                                         std::string_view base) {
  if (index >= ports.size()) {
    return std::nullopt;
  }
  if (index < names.size()) {
    return std::string(names[index]);
  }
  if (ports.size() == 1) {
    return std::string(base);
  }
  return fmt::format("{} {}", base, index + 1);
}

}  // namespace

std::string AudioIOLayout::name() const {
  if (names.layout) {
    return std::string(*names.layout);
  }
  const std::uint32_t in = main_input_channels.value_or(0);
  const std::uint32_t out = main_output_channels.value_or(0);
  const std::size_t aux_in = aux_input_ports.size();
  const std::size_t aux_out = aux_output_ports.size();

  if (in == 0 && out == 0 && aux_in == 0 && aux_out == 0) {
    return "Empty";
  }
  if (aux_in > 0 && out == 1) {
    return "Mono with sidechain";
  }
  if (aux_in > 0 && out == 2) {
    return "Stereo with sidechain";
  }
  const std::uint32_t channels = out != 0 ? out : in;
  if (channels == 1) {
    return "Mono";
  }
  if (channels == 2) {
    return "Stereo";
  }
  if (aux_in == 0 && aux_out == 0) {
    return fmt::format("{} inputs, {} outputs", in, out);
  }
  if (aux_in == 0) {
    return fmt::format("{} inputs, {}*{} outputs", in, out, aux_out + 1);
  }
  if (aux_out == 0) {
    return fmt::format("{} inputs, {} outputs, with sidechain", in, out);
  }
  return fmt::format("{}*{} inputs, {}*{} outputs", in, aux_in + 1, out, aux_out + 1);
}

std::string AudioIOLayout::main_input_name() const {
  return std::string(names.main_input.value_or("Input"));
}

std::string AudioIOLayout::main_output_name() const {
  return std::string(names.main_output.value_or("Output"));
}

std::optional<std::string> AudioIOLayout::aux_input_name(std::size_t index) const {
  return aux_port_name(aux_input_ports, names.aux_inputs, index, "Sidechain Input");
}

std::optional<std::string> AudioIOLayout::aux_output_name(std::size_t index) const {
  return aux_port_name(aux_output_ports, names.aux_outputs, index, "Auxiliary Output");
}

}  // namespace vessimor
