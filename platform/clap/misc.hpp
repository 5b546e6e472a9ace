// Small CLAP extensions: latency, tail, render, remote controls, note ports, voice info, thread
// check.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/clap/core.hpp"

extern "C" {

typedef int32_t clap_plugin_render_mode;

struct clap_plugin_latency {
  uint32_t (*get)(const clap_plugin* plugin);
};

struct clap_host_latency {
  void (*changed)(const clap_host* host);
};

struct clap_plugin_tail {
  uint32_t (*get)(const clap_plugin* plugin);
};

struct clap_plugin_render {
  bool (*has_hard_realtime_requirement)(const clap_plugin* plugin);
  bool (*set)(const clap_plugin* plugin, clap_plugin_render_mode mode);
};

struct clap_remote_controls_page {
  char section_name[256];
  clap_id page_id;
  char page_name[256];
  clap_id param_ids[8];
  bool is_for_preset;
};

struct clap_plugin_remote_controls {
  uint32_t (*count)(const clap_plugin* plugin);
  bool (*get)(const clap_plugin* plugin, uint32_t page_index, clap_remote_controls_page* page);
};

struct clap_note_port_info {
  clap_id id;
  uint32_t supported_dialects;
  uint32_t preferred_dialect;
  char name[256];
};

struct clap_plugin_note_ports {
  uint32_t (*count)(const clap_plugin* plugin, bool is_input);
  bool (*get)(const clap_plugin* plugin, uint32_t index, bool is_input, clap_note_port_info* info);
};

struct clap_voice_info {
  uint32_t voice_count;
  uint32_t voice_capacity;
  uint64_t flags;
};

struct clap_plugin_voice_info {
  bool (*get)(const clap_plugin* plugin, clap_voice_info* info);
};

struct clap_host_voice_info {
  void (*changed)(const clap_host* host);
};

struct clap_host_thread_check {
  bool (*is_main_thread)(const clap_host* host);
  bool (*is_audio_thread)(const clap_host* host);
};

}  // extern "C"

inline constexpr char CLAP_EXT_LATENCY[] = "clap.latency";
inline constexpr char CLAP_EXT_TAIL[] = "clap.tail";
inline constexpr char CLAP_EXT_RENDER[] = "clap.render";
inline constexpr char CLAP_EXT_REMOTE_CONTROLS[] = "clap.remote-controls/2";
inline constexpr char CLAP_EXT_NOTE_PORTS[] = "clap.note-ports";
inline constexpr char CLAP_EXT_VOICE_INFO[] = "clap.voice-info";
inline constexpr char CLAP_EXT_THREAD_CHECK[] = "clap.thread-check";

inline constexpr clap_plugin_render_mode CLAP_RENDER_REALTIME = 0;
inline constexpr clap_plugin_render_mode CLAP_RENDER_OFFLINE = 1;

inline constexpr std::size_t CLAP_REMOTE_CONTROLS_COUNT = 8;

inline constexpr uint32_t CLAP_NOTE_DIALECT_CLAP = 1u << 0;
inline constexpr uint32_t CLAP_NOTE_DIALECT_MIDI = 1u << 1;
inline constexpr uint32_t CLAP_NOTE_DIALECT_MIDI_MPE = 1u << 2;
inline constexpr uint32_t CLAP_NOTE_DIALECT_MIDI2 = 1u << 3;

inline constexpr uint64_t CLAP_VOICE_INFO_SUPPORTS_OVERLAPPING_NOTES = 1u << 0;

static_assert(sizeof(clap_plugin_latency) == 8 && alignof(clap_plugin_latency) == 8);
static_assert(offsetof(clap_plugin_latency, get) == 0);
static_assert(sizeof(clap_host_latency) == 8 && alignof(clap_host_latency) == 8);
static_assert(offsetof(clap_host_latency, changed) == 0);
static_assert(sizeof(clap_plugin_tail) == 8 && alignof(clap_plugin_tail) == 8);
static_assert(offsetof(clap_plugin_tail, get) == 0);

static_assert(sizeof(clap_plugin_render) == 16 && alignof(clap_plugin_render) == 8);
static_assert(offsetof(clap_plugin_render, has_hard_realtime_requirement) == 0);
static_assert(offsetof(clap_plugin_render, set) == 8);

static_assert(sizeof(clap_remote_controls_page) == 552 && alignof(clap_remote_controls_page) == 4);
static_assert(offsetof(clap_remote_controls_page, section_name) == 0);
static_assert(offsetof(clap_remote_controls_page, page_id) == 256);
static_assert(offsetof(clap_remote_controls_page, page_name) == 260);
static_assert(offsetof(clap_remote_controls_page, param_ids) == 516);
static_assert(offsetof(clap_remote_controls_page, is_for_preset) == 548);

static_assert(sizeof(clap_plugin_remote_controls) == 16 &&
              alignof(clap_plugin_remote_controls) == 8);
static_assert(offsetof(clap_plugin_remote_controls, count) == 0);
static_assert(offsetof(clap_plugin_remote_controls, get) == 8);

static_assert(sizeof(clap_note_port_info) == 268 && alignof(clap_note_port_info) == 4);
static_assert(offsetof(clap_note_port_info, id) == 0);
static_assert(offsetof(clap_note_port_info, supported_dialects) == 4);
static_assert(offsetof(clap_note_port_info, preferred_dialect) == 8);
static_assert(offsetof(clap_note_port_info, name) == 12);

static_assert(sizeof(clap_plugin_note_ports) == 16 && alignof(clap_plugin_note_ports) == 8);
static_assert(offsetof(clap_plugin_note_ports, count) == 0);
static_assert(offsetof(clap_plugin_note_ports, get) == 8);

static_assert(sizeof(clap_voice_info) == 16 && alignof(clap_voice_info) == 8);
static_assert(offsetof(clap_voice_info, voice_count) == 0);
static_assert(offsetof(clap_voice_info, voice_capacity) == 4);
static_assert(offsetof(clap_voice_info, flags) == 8);

static_assert(sizeof(clap_plugin_voice_info) == 8 && alignof(clap_plugin_voice_info) == 8);
static_assert(offsetof(clap_plugin_voice_info, get) == 0);
static_assert(sizeof(clap_host_voice_info) == 8 && alignof(clap_host_voice_info) == 8);
static_assert(offsetof(clap_host_voice_info, changed) == 0);

static_assert(sizeof(clap_host_thread_check) == 16 && alignof(clap_host_thread_check) == 8);
static_assert(offsetof(clap_host_thread_check, is_main_thread) == 0);
static_assert(offsetof(clap_host_thread_check, is_audio_thread) == 8);
