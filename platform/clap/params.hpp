// CLAP parameter extension (plug-in and host sides).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/clap/events.hpp"

extern "C" {

typedef uint32_t clap_param_info_flags;
typedef uint32_t clap_param_rescan_flags;
typedef uint32_t clap_param_clear_flags;

struct clap_param_info {
  clap_id id;
  clap_param_info_flags flags;
  void* cookie;
  char name[256];
  char module[1024];
  double min_value;
  double max_value;
  double default_value;
};

struct clap_plugin_params {
  uint32_t (*count)(const clap_plugin* plugin);
  bool (*get_info)(const clap_plugin* plugin, uint32_t param_index, clap_param_info* param_info);
  bool (*get_value)(const clap_plugin* plugin, clap_id param_id, double* out_value);
  // `out_buffer_capacity` is in bytes, the terminating zero included.
  bool (*value_to_text)(const clap_plugin* plugin, clap_id param_id, double value, char* out_buffer,
                        uint32_t out_buffer_capacity);
  bool (*text_to_value)(const clap_plugin* plugin, clap_id param_id, const char* param_value_text,
                        double* out_value);
  void (*flush)(const clap_plugin* plugin, const clap_input_events* in,
                const clap_output_events* out);
};

struct clap_host_params {
  void (*rescan)(const clap_host* host, clap_param_rescan_flags flags);
  void (*clear)(const clap_host* host, clap_id param_id, clap_param_clear_flags flags);
  void (*request_flush)(const clap_host* host);
};

}  // extern "C"

inline constexpr char CLAP_EXT_PARAMS[] = "clap.params";

inline constexpr clap_param_info_flags CLAP_PARAM_IS_STEPPED = 1u << 0;
inline constexpr clap_param_info_flags CLAP_PARAM_IS_PERIODIC = 1u << 1;
inline constexpr clap_param_info_flags CLAP_PARAM_IS_HIDDEN = 1u << 2;
inline constexpr clap_param_info_flags CLAP_PARAM_IS_READONLY = 1u << 3;
inline constexpr clap_param_info_flags CLAP_PARAM_IS_BYPASS = 1u << 4;
inline constexpr clap_param_info_flags CLAP_PARAM_IS_AUTOMATABLE = 1u << 5;
inline constexpr clap_param_info_flags CLAP_PARAM_IS_AUTOMATABLE_PER_NOTE_ID = 1u << 6;
inline constexpr clap_param_info_flags CLAP_PARAM_IS_AUTOMATABLE_PER_KEY = 1u << 7;
inline constexpr clap_param_info_flags CLAP_PARAM_IS_AUTOMATABLE_PER_CHANNEL = 1u << 8;
inline constexpr clap_param_info_flags CLAP_PARAM_IS_AUTOMATABLE_PER_PORT = 1u << 9;
inline constexpr clap_param_info_flags CLAP_PARAM_IS_MODULATABLE = 1u << 10;
inline constexpr clap_param_info_flags CLAP_PARAM_IS_MODULATABLE_PER_NOTE_ID = 1u << 11;
inline constexpr clap_param_info_flags CLAP_PARAM_IS_MODULATABLE_PER_KEY = 1u << 12;
inline constexpr clap_param_info_flags CLAP_PARAM_IS_MODULATABLE_PER_CHANNEL = 1u << 13;
inline constexpr clap_param_info_flags CLAP_PARAM_IS_MODULATABLE_PER_PORT = 1u << 14;
inline constexpr clap_param_info_flags CLAP_PARAM_REQUIRES_PROCESS = 1u << 15;
inline constexpr clap_param_info_flags CLAP_PARAM_IS_ENUM = 1u << 16;

inline constexpr clap_param_rescan_flags CLAP_PARAM_RESCAN_VALUES = 1u << 0;
inline constexpr clap_param_rescan_flags CLAP_PARAM_RESCAN_TEXT = 1u << 1;
inline constexpr clap_param_rescan_flags CLAP_PARAM_RESCAN_INFO = 1u << 2;
inline constexpr clap_param_rescan_flags CLAP_PARAM_RESCAN_ALL = 1u << 3;

inline constexpr clap_param_clear_flags CLAP_PARAM_CLEAR_ALL = 1u << 0;
inline constexpr clap_param_clear_flags CLAP_PARAM_CLEAR_AUTOMATIONS = 1u << 1;
inline constexpr clap_param_clear_flags CLAP_PARAM_CLEAR_MODULATIONS = 1u << 2;

static_assert(sizeof(clap_param_info) == 1320 && alignof(clap_param_info) == 8);
static_assert(offsetof(clap_param_info, id) == 0);
static_assert(offsetof(clap_param_info, flags) == 4);
static_assert(offsetof(clap_param_info, cookie) == 8);
static_assert(offsetof(clap_param_info, name) == 16);
static_assert(offsetof(clap_param_info, module) == 272);
static_assert(offsetof(clap_param_info, min_value) == 1296);
static_assert(offsetof(clap_param_info, max_value) == 1304);
static_assert(offsetof(clap_param_info, default_value) == 1312);

static_assert(sizeof(clap_plugin_params) == 48 && alignof(clap_plugin_params) == 8);
static_assert(offsetof(clap_plugin_params, count) == 0);
static_assert(offsetof(clap_plugin_params, get_info) == 8);
static_assert(offsetof(clap_plugin_params, get_value) == 16);
static_assert(offsetof(clap_plugin_params, value_to_text) == 24);
static_assert(offsetof(clap_plugin_params, text_to_value) == 32);
static_assert(offsetof(clap_plugin_params, flush) == 40);

static_assert(sizeof(clap_host_params) == 24 && alignof(clap_host_params) == 8);
static_assert(offsetof(clap_host_params, rescan) == 0);
static_assert(offsetof(clap_host_params, clear) == 8);
static_assert(offsetof(clap_host_params, request_flush) == 16);
