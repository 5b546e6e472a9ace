// CLAP audio ports and audio-ports configuration extensions.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/clap/core.hpp"

extern "C" {

struct clap_audio_port_info {
  clap_id id;
  char name[256];
  uint32_t flags;
  uint32_t channel_count;
  const char* port_type;
  clap_id in_place_pair;
};

struct clap_plugin_audio_ports {
  uint32_t (*count)(const clap_plugin* plugin, bool is_input);
  bool (*get)(const clap_plugin* plugin, uint32_t index, bool is_input, clap_audio_port_info* info);
};

struct clap_audio_ports_config {
  clap_id id;
  char name[256];
  uint32_t input_port_count;
  uint32_t output_port_count;
  bool has_main_input;
  uint32_t main_input_channel_count;
  const char* main_input_port_type;
  bool has_main_output;
  uint32_t main_output_channel_count;
  const char* main_output_port_type;
};

struct clap_plugin_audio_ports_config {
  uint32_t (*count)(const clap_plugin* plugin);
  bool (*get)(const clap_plugin* plugin, uint32_t index, clap_audio_ports_config* config);
  bool (*select)(const clap_plugin* plugin, clap_id config_id);
};

}  // extern "C"

inline constexpr char CLAP_EXT_AUDIO_PORTS[] = "clap.audio-ports";
inline constexpr char CLAP_EXT_AUDIO_PORTS_CONFIG[] = "clap.audio-ports-config";
inline constexpr char CLAP_PORT_MONO[] = "mono";
inline constexpr char CLAP_PORT_STEREO[] = "stereo";

inline constexpr uint32_t CLAP_AUDIO_PORT_IS_MAIN = 1u << 0;
inline constexpr uint32_t CLAP_AUDIO_PORT_SUPPORTS_64BITS = 1u << 1;
inline constexpr uint32_t CLAP_AUDIO_PORT_PREFERS_64BITS = 1u << 2;
inline constexpr uint32_t CLAP_AUDIO_PORT_REQUIRES_COMMON_SAMPLE_SIZE = 1u << 3;

static_assert(sizeof(clap_audio_port_info) == 288 && alignof(clap_audio_port_info) == 8);
static_assert(offsetof(clap_audio_port_info, id) == 0);
static_assert(offsetof(clap_audio_port_info, name) == 4);
static_assert(offsetof(clap_audio_port_info, flags) == 260);
static_assert(offsetof(clap_audio_port_info, channel_count) == 264);
static_assert(offsetof(clap_audio_port_info, port_type) == 272);
static_assert(offsetof(clap_audio_port_info, in_place_pair) == 280);

static_assert(sizeof(clap_plugin_audio_ports) == 16 && alignof(clap_plugin_audio_ports) == 8);
static_assert(offsetof(clap_plugin_audio_ports, count) == 0);
static_assert(offsetof(clap_plugin_audio_ports, get) == 8);

static_assert(sizeof(clap_audio_ports_config) == 304 && alignof(clap_audio_ports_config) == 8);
static_assert(offsetof(clap_audio_ports_config, id) == 0);
static_assert(offsetof(clap_audio_ports_config, name) == 4);
static_assert(offsetof(clap_audio_ports_config, input_port_count) == 260);
static_assert(offsetof(clap_audio_ports_config, output_port_count) == 264);
static_assert(offsetof(clap_audio_ports_config, has_main_input) == 268);
static_assert(offsetof(clap_audio_ports_config, main_input_channel_count) == 272);
static_assert(offsetof(clap_audio_ports_config, main_input_port_type) == 280);
static_assert(offsetof(clap_audio_ports_config, has_main_output) == 288);
static_assert(offsetof(clap_audio_ports_config, main_output_channel_count) == 292);
static_assert(offsetof(clap_audio_ports_config, main_output_port_type) == 296);

static_assert(sizeof(clap_plugin_audio_ports_config) == 24 &&
              alignof(clap_plugin_audio_ports_config) == 8);
static_assert(offsetof(clap_plugin_audio_ports_config, count) == 0);
static_assert(offsetof(clap_plugin_audio_ports_config, get) == 8);
static_assert(offsetof(clap_plugin_audio_ports_config, select) == 16);
