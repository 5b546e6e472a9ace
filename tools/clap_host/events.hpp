#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/clap/clap.hpp"
#include "tools/clap_host/host_error.hpp"

namespace vessimor::tools {

// Event list handed to the plug-in as `clap_input_events`. Events are built on the main thread
// before the call; `size` and `get` only read, so the audio thread never allocates through it.
class InputEvents {
 public:
  InputEvents();
  InputEvents(const InputEvents&) = delete;
  InputEvents& operator=(const InputEvents&) = delete;

  void clear();
  std::size_t size() const { return events_.size(); }
  const clap_input_events* record() const { return &record_; }

  // Events must be added in time order, as CLAP asks of hosts.
  void add_param_value(std::uint32_t time, clap_id param_id, double value);
  void add_param_mod(std::uint32_t time, clap_id param_id, double amount,
                     std::int32_t note_id = -1);
  void add_transport(std::uint32_t time, const clap_event_transport& transport);
  // Any other event (notes, MIDI, foreign event spaces): copied by its header's size.
  void add_raw(const clap_event_header& event);

 private:
  static std::uint32_t size_of(const clap_input_events* list) noexcept;
  static const clap_event_header* get(const clap_input_events* list, std::uint32_t index) noexcept;

  clap_input_events record_;
  // new[] storage is aligned for every event record and gives each event a stable address.
  std::vector<std::unique_ptr<unsigned char[]>> events_;
};

// What the plug-in pushed to the host, decoded on the host's side.
struct OutputEvent {
  std::uint16_t type = 0;
  std::uint32_t time = 0;
  std::uint16_t space_id = 0;
  std::uint32_t flags = 0;
  clap_id param_id = CLAP_INVALID_ID;  // parameter value, modulation and gesture events
  double value = 0.0;                  // value or modulation amount
  std::int32_t note_id = 0;
  std::int16_t port_index = 0;
  std::int16_t channel = 0;
  std::int16_t key = 0;
};

// Event list handed to the plug-in as `clap_output_events`. Storage is reserved up front, so
// `try_push` on the audio thread only copies; a full list refuses the event.
class OutputEvents {
 public:
  explicit OutputEvents(std::size_t capacity_bytes = 1 << 20, std::size_t capacity_events = 16384);
  OutputEvents(const OutputEvents&) = delete;
  OutputEvents& operator=(const OutputEvents&) = delete;

  const clap_output_events* record() const { return &record_; }
  void clear();
  std::size_t size() const { return offsets_.size(); }
  std::size_t refused() const { return refused_; }
  // Decodes every pushed event, in push order. Thread: main (after the call returned).
  std::vector<OutputEvent> events() const;

 private:
  static bool try_push(const clap_output_events* list, const clap_event_header* event) noexcept;

  clap_output_events record_;
  std::vector<unsigned char> bytes_;
  std::vector<std::size_t> offsets_;
  std::size_t capacity_bytes_;
  std::size_t capacity_events_;
  std::size_t refused_ = 0;
};

// A transport record for a host that plays at a fixed tempo in 4/4; `position_frames` is the
// sample position of the block start, from which beat, second and bar positions follow.
clap_event_transport make_transport(double tempo, bool playing, std::int64_t position_frames,
                                    double sample_rate);

}  // namespace vessimor::tools
