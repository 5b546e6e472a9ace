// CLAP processing record, audio buffers, events and event lists.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/clap/core.hpp"

extern "C" {

typedef int32_t clap_process_status;
typedef int64_t clap_beattime;
typedef int64_t clap_sectime;

struct clap_event_header {
  uint32_t size;  // whole event, header included
  uint32_t time;  // sample offset inside the block
  uint16_t space_id;
  uint16_t type;
  uint32_t flags;
};

struct clap_event_param_value {
  clap_event_header header;
  clap_id param_id;
  void* cookie;
  int32_t note_id;
  int16_t port_index;
  int16_t channel;
  int16_t key;
  double value;
};

struct clap_event_param_mod {
  clap_event_header header;
  clap_id param_id;
  void* cookie;
  int32_t note_id;
  int16_t port_index;
  int16_t channel;
  int16_t key;
  double amount;
};

struct clap_event_param_gesture {
  clap_event_header header;
  clap_id param_id;
};

struct clap_event_transport {
  clap_event_header header;
  uint32_t flags;
  clap_beattime song_pos_beats;
  clap_sectime song_pos_seconds;
  double tempo;
  double tempo_inc;
  clap_beattime loop_start_beats;
  clap_beattime loop_end_beats;
  clap_sectime loop_start_seconds;
  clap_sectime loop_end_seconds;
  clap_beattime bar_start;
  int32_t bar_number;
  uint16_t tsig_num;
  uint16_t tsig_denom;
};

struct clap_input_events {
  void* ctx;
  uint32_t (*size)(const clap_input_events* list);
  const clap_event_header* (*get)(const clap_input_events* list, uint32_t index);
};

struct clap_output_events {
  void* ctx;
  bool (*try_push)(const clap_output_events* list, const clap_event_header* event);
};

struct clap_audio_buffer {
  float** data32;
  double** data64;
  uint32_t channel_count;
  uint32_t latency;
  uint64_t constant_mask;
};

struct clap_process {
  int64_t steady_time;
  uint32_t frames_count;
  const clap_event_transport* transport;
  const clap_audio_buffer* audio_inputs;
  clap_audio_buffer* audio_outputs;
  uint32_t audio_inputs_count;
  uint32_t audio_outputs_count;
  const clap_input_events* in_events;
  const clap_output_events* out_events;
};

}  // extern "C"

inline constexpr uint16_t CLAP_CORE_EVENT_SPACE_ID = 0;

inline constexpr uint32_t CLAP_EVENT_IS_LIVE = 1u << 0;
inline constexpr uint32_t CLAP_EVENT_DONT_RECORD = 1u << 1;

inline constexpr uint16_t CLAP_EVENT_NOTE_ON = 0;
inline constexpr uint16_t CLAP_EVENT_NOTE_OFF = 1;
inline constexpr uint16_t CLAP_EVENT_NOTE_CHOKE = 2;
inline constexpr uint16_t CLAP_EVENT_NOTE_END = 3;
inline constexpr uint16_t CLAP_EVENT_NOTE_EXPRESSION = 4;
inline constexpr uint16_t CLAP_EVENT_PARAM_VALUE = 5;
inline constexpr uint16_t CLAP_EVENT_PARAM_MOD = 6;
inline constexpr uint16_t CLAP_EVENT_PARAM_GESTURE_BEGIN = 7;
inline constexpr uint16_t CLAP_EVENT_PARAM_GESTURE_END = 8;
inline constexpr uint16_t CLAP_EVENT_TRANSPORT = 9;
inline constexpr uint16_t CLAP_EVENT_MIDI = 10;
inline constexpr uint16_t CLAP_EVENT_MIDI_SYSEX = 11;
inline constexpr uint16_t CLAP_EVENT_MIDI2 = 12;

inline constexpr uint32_t CLAP_TRANSPORT_HAS_TEMPO = 1u << 0;
inline constexpr uint32_t CLAP_TRANSPORT_HAS_BEATS_TIMELINE = 1u << 1;
inline constexpr uint32_t CLAP_TRANSPORT_HAS_SECONDS_TIMELINE = 1u << 2;
inline constexpr uint32_t CLAP_TRANSPORT_HAS_TIME_SIGNATURE = 1u << 3;
inline constexpr uint32_t CLAP_TRANSPORT_IS_PLAYING = 1u << 4;
inline constexpr uint32_t CLAP_TRANSPORT_IS_RECORDING = 1u << 5;
inline constexpr uint32_t CLAP_TRANSPORT_IS_LOOP_ACTIVE = 1u << 6;
inline constexpr uint32_t CLAP_TRANSPORT_IS_WITHIN_PRE_ROLL = 1u << 7;

// Beat and second positions are fixed point: value times 2^31.
inline constexpr int64_t CLAP_BEATTIME_FACTOR = int64_t{1} << 31;
inline constexpr int64_t CLAP_SECTIME_FACTOR = int64_t{1} << 31;

inline constexpr clap_process_status CLAP_PROCESS_ERROR = 0;
inline constexpr clap_process_status CLAP_PROCESS_CONTINUE = 1;
inline constexpr clap_process_status CLAP_PROCESS_CONTINUE_IF_NOT_QUIET = 2;
inline constexpr clap_process_status CLAP_PROCESS_TAIL = 3;
inline constexpr clap_process_status CLAP_PROCESS_SLEEP = 4;

static_assert(sizeof(clap_event_header) == 16 && alignof(clap_event_header) == 4);
static_assert(offsetof(clap_event_header, size) == 0);
static_assert(offsetof(clap_event_header, time) == 4);
static_assert(offsetof(clap_event_header, space_id) == 8);
static_assert(offsetof(clap_event_header, type) == 10);
static_assert(offsetof(clap_event_header, flags) == 12);

static_assert(sizeof(clap_event_param_value) == 56 && alignof(clap_event_param_value) == 8);
static_assert(offsetof(clap_event_param_value, header) == 0);
static_assert(offsetof(clap_event_param_value, param_id) == 16);
static_assert(offsetof(clap_event_param_value, cookie) == 24);
static_assert(offsetof(clap_event_param_value, note_id) == 32);
static_assert(offsetof(clap_event_param_value, port_index) == 36);
static_assert(offsetof(clap_event_param_value, channel) == 38);
static_assert(offsetof(clap_event_param_value, key) == 40);
static_assert(offsetof(clap_event_param_value, value) == 48);

static_assert(sizeof(clap_event_param_mod) == 56 && alignof(clap_event_param_mod) == 8);
static_assert(offsetof(clap_event_param_mod, header) == 0);
static_assert(offsetof(clap_event_param_mod, param_id) == 16);
static_assert(offsetof(clap_event_param_mod, cookie) == 24);
static_assert(offsetof(clap_event_param_mod, note_id) == 32);
static_assert(offsetof(clap_event_param_mod, port_index) == 36);
static_assert(offsetof(clap_event_param_mod, channel) == 38);
static_assert(offsetof(clap_event_param_mod, key) == 40);
static_assert(offsetof(clap_event_param_mod, amount) == 48);

static_assert(sizeof(clap_event_param_gesture) == 20 && alignof(clap_event_param_gesture) == 4);
static_assert(offsetof(clap_event_param_gesture, header) == 0);
static_assert(offsetof(clap_event_param_gesture, param_id) == 16);

static_assert(sizeof(clap_event_transport) == 104 && alignof(clap_event_transport) == 8);
static_assert(offsetof(clap_event_transport, header) == 0);
static_assert(offsetof(clap_event_transport, flags) == 16);
static_assert(offsetof(clap_event_transport, song_pos_beats) == 24);
static_assert(offsetof(clap_event_transport, song_pos_seconds) == 32);
static_assert(offsetof(clap_event_transport, tempo) == 40);
static_assert(offsetof(clap_event_transport, tempo_inc) == 48);
static_assert(offsetof(clap_event_transport, loop_start_beats) == 56);
static_assert(offsetof(clap_event_transport, loop_end_beats) == 64);
static_assert(offsetof(clap_event_transport, loop_start_seconds) == 72);
static_assert(offsetof(clap_event_transport, loop_end_seconds) == 80);
static_assert(offsetof(clap_event_transport, bar_start) == 88);
static_assert(offsetof(clap_event_transport, bar_number) == 96);
static_assert(offsetof(clap_event_transport, tsig_num) == 100);
static_assert(offsetof(clap_event_transport, tsig_denom) == 102);

static_assert(sizeof(clap_input_events) == 24 && alignof(clap_input_events) == 8);
static_assert(offsetof(clap_input_events, ctx) == 0);
static_assert(offsetof(clap_input_events, size) == 8);
static_assert(offsetof(clap_input_events, get) == 16);

static_assert(sizeof(clap_output_events) == 16 && alignof(clap_output_events) == 8);
static_assert(offsetof(clap_output_events, ctx) == 0);
static_assert(offsetof(clap_output_events, try_push) == 8);

static_assert(sizeof(clap_audio_buffer) == 32 && alignof(clap_audio_buffer) == 8);
static_assert(offsetof(clap_audio_buffer, data32) == 0);
static_assert(offsetof(clap_audio_buffer, data64) == 8);
static_assert(offsetof(clap_audio_buffer, channel_count) == 16);
static_assert(offsetof(clap_audio_buffer, latency) == 20);
static_assert(offsetof(clap_audio_buffer, constant_mask) == 24);

static_assert(sizeof(clap_process) == 64 && alignof(clap_process) == 8);
static_assert(offsetof(clap_process, steady_time) == 0);
static_assert(offsetof(clap_process, frames_count) == 8);
static_assert(offsetof(clap_process, transport) == 16);
static_assert(offsetof(clap_process, audio_inputs) == 24);
static_assert(offsetof(clap_process, audio_outputs) == 32);
static_assert(offsetof(clap_process, audio_inputs_count) == 40);
static_assert(offsetof(clap_process, audio_outputs_count) == 44);
static_assert(offsetof(clap_process, in_events) == 48);
static_assert(offsetof(clap_process, out_events) == 56);
