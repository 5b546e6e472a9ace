// A minimal CLAP host for driving the wrapper through its C records: host extensions that count
// their calls, event lists, and streams that move a few bytes per call.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "platform/clap/clap.hpp"

namespace vessimor::test {

struct FakeHost {
  clap_host host{};
  clap_host_params params{};
  clap_host_gui gui{};
  clap_host_latency latency{};
  clap_host_thread_check thread_check{};
  bool offer_thread_check = false;
  bool is_main_thread_answer = true;
  bool offer_params = true;
  bool offer_gui = true;
  bool offer_latency = true;

  int request_callback_calls = 0;
  int request_restart_calls = 0;
  int request_flush_calls = 0;
  int rescan_calls = 0;
  std::uint32_t last_rescan_flags = 0;
  int latency_changed_calls = 0;
  int request_resize_calls = 0;
  std::uint32_t last_resize_width = 0;
  std::uint32_t last_resize_height = 0;

  FakeHost() {
    host.clap_version = CLAP_VERSION_DECLARED;
    host.host_data = this;
    host.name = "fake host";
    host.vendor = "tests";
    host.url = "";
    host.version = "1";
    host.get_extension = [](const clap_host* h, const char* id) -> const void* {
      FakeHost& self = of(h);
      const std::string_view name(id);
      if (name == CLAP_EXT_PARAMS && self.offer_params) return &self.params;
      if (name == CLAP_EXT_GUI && self.offer_gui) return &self.gui;
      if (name == CLAP_EXT_LATENCY && self.offer_latency) return &self.latency;
      if (name == CLAP_EXT_THREAD_CHECK && self.offer_thread_check) return &self.thread_check;
      return nullptr;
    };
    host.request_restart = [](const clap_host* h) { ++of(h).request_restart_calls; };
    host.request_process = [](const clap_host*) {};
    host.request_callback = [](const clap_host* h) { ++of(h).request_callback_calls; };
    params.rescan = [](const clap_host* h, std::uint32_t flags) {
      ++of(h).rescan_calls;
      of(h).last_rescan_flags = flags;
    };
    params.clear = [](const clap_host*, clap_id, std::uint32_t) {};
    params.request_flush = [](const clap_host* h) { ++of(h).request_flush_calls; };
    gui.resize_hints_changed = [](const clap_host*) {};
    gui.request_resize = [](const clap_host* h, std::uint32_t w, std::uint32_t height) {
      ++of(h).request_resize_calls;
      of(h).last_resize_width = w;
      of(h).last_resize_height = height;
      return true;
    };
    gui.request_show = [](const clap_host*) { return true; };
    gui.request_hide = [](const clap_host*) { return true; };
    gui.closed = [](const clap_host*, bool) {};
    latency.changed = [](const clap_host* h) { ++of(h).latency_changed_calls; };
    thread_check.is_main_thread = [](const clap_host* h) { return of(h).is_main_thread_answer; };
    thread_check.is_audio_thread = [](const clap_host* h) { return !of(h).is_main_thread_answer; };
  }
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  static FakeHost& of(const clap_host* h) { return *static_cast<FakeHost*>(h->host_data); }
};

// Input events kept as raw bytes, each event at its own aligned storage.
class EventList {
 public:
  EventList() {
    list_.ctx = this;
    list_.size = [](const clap_input_events* l) {
      return static_cast<std::uint32_t>(static_cast<const EventList*>(l->ctx)->events_.size());
    };
    list_.get = [](const clap_input_events* l, std::uint32_t i) -> const clap_event_header* {
      const auto* self = static_cast<const EventList*>(l->ctx);
      return i < self->events_.size() ? &self->events_[i].header : nullptr;
    };
  }
  EventList(const EventList&) = delete;
  EventList& operator=(const EventList&) = delete;

  void param_value(std::uint32_t time, clap_id id, double value) {
    Event event{};
    event.value.header = header(sizeof(clap_event_param_value), time, CLAP_EVENT_PARAM_VALUE);
    event.value.param_id = id;
    event.value.note_id = -1;
    event.value.port_index = -1;
    event.value.channel = -1;
    event.value.key = -1;
    event.value.value = value;
    events_.push_back(event);
  }
  void param_mod(std::uint32_t time, clap_id id, double amount, std::int32_t note_id = -1) {
    Event event{};
    event.mod.header = header(sizeof(clap_event_param_mod), time, CLAP_EVENT_PARAM_MOD);
    event.mod.param_id = id;
    event.mod.note_id = note_id;
    event.mod.port_index = -1;
    event.mod.channel = -1;
    event.mod.key = -1;
    event.mod.amount = amount;
    events_.push_back(event);
  }
  void transport(std::uint32_t time, const clap_event_transport& record) {
    Event event{};
    event.transport = record;
    event.transport.header = header(sizeof(clap_event_transport), time, CLAP_EVENT_TRANSPORT);
    events_.push_back(event);
  }
  void note_on(std::uint32_t time) {
    Event event{};
    event.header = header(40, time, CLAP_EVENT_NOTE_ON);
    events_.push_back(event);
  }

  const clap_input_events* get() const { return &list_; }

 private:
  union Event {
    clap_event_header header;
    clap_event_param_value value;
    clap_event_param_mod mod;
    clap_event_transport transport;
  };

  static clap_event_header header(std::uint32_t size, std::uint32_t time, std::uint16_t type) {
    return clap_event_header{size, time, CLAP_CORE_EVENT_SPACE_ID, type, 0};
  }

  clap_input_events list_{};
  std::vector<Event> events_;
};

// Collects the events the wrapper sends to the host.
class OutputList {
 public:
  struct Sent {
    std::uint16_t type = 0;
    std::uint32_t time = 0;
    std::uint32_t flags = 0;
    clap_id param_id = 0;
    double value = 0.0;
  };

  OutputList() {
    list_.ctx = this;
    list_.try_push = [](const clap_output_events* l, const clap_event_header* event) {
      auto* self = static_cast<OutputList*>(l->ctx);
      Sent sent{event->type, event->time, event->flags, 0, 0.0};
      if (event->type == CLAP_EVENT_PARAM_VALUE) {
        const auto* value = reinterpret_cast<const clap_event_param_value*>(event);
        sent.param_id = value->param_id;
        sent.value = value->value;
      } else {
        sent.param_id = reinterpret_cast<const clap_event_param_gesture*>(event)->param_id;
      }
      self->sent.push_back(sent);
      return true;
    };
  }
  OutputList(const OutputList&) = delete;
  OutputList& operator=(const OutputList&) = delete;

  const clap_output_events* get() const { return &list_; }
  std::vector<Sent> sent;

 private:
  clap_output_events list_{};
};

// A stream over a byte string that moves at most `chunk` bytes per call.
class ChunkedOutStream {
 public:
  explicit ChunkedOutStream(std::size_t chunk, std::size_t fail_after = SIZE_MAX)
      : chunk_(chunk), fail_after_(fail_after) {
    stream_.ctx = this;
    stream_.write = [](const clap_ostream* s, const void* data,
                       std::uint64_t size) -> std::int64_t {
      auto* self = static_cast<ChunkedOutStream*>(s->ctx);
      if (self->bytes.size() >= self->fail_after_) return -1;
      const std::size_t n = std::min<std::uint64_t>(size, self->chunk_);
      const auto* bytes = static_cast<const char*>(data);
      self->bytes.append(bytes, n);
      return static_cast<std::int64_t>(n);
    };
  }
  ChunkedOutStream(const ChunkedOutStream&) = delete;
  ChunkedOutStream& operator=(const ChunkedOutStream&) = delete;

  const clap_ostream* get() const { return &stream_; }
  std::string bytes;

 private:
  clap_ostream stream_{};
  std::size_t chunk_;
  std::size_t fail_after_;
};

class ChunkedInStream {
 public:
  ChunkedInStream(std::string bytes, std::size_t chunk) : bytes_(std::move(bytes)), chunk_(chunk) {
    stream_.ctx = this;
    stream_.read = [](const clap_istream* s, void* out, std::uint64_t size) -> std::int64_t {
      auto* self = static_cast<ChunkedInStream*>(s->ctx);
      const std::size_t left = self->bytes_.size() - self->position_;
      const std::size_t n = std::min<std::uint64_t>({size, self->chunk_, left});
      std::memcpy(out, self->bytes_.data() + self->position_, n);
      self->position_ += n;
      return static_cast<std::int64_t>(n);
    };
  }
  ChunkedInStream(const ChunkedInStream&) = delete;
  ChunkedInStream& operator=(const ChunkedInStream&) = delete;

  const clap_istream* get() const { return &stream_; }
  std::size_t position() const { return position_; }

 private:
  clap_istream stream_{};
  std::string bytes_;
  std::size_t chunk_;
  std::size_t position_ = 0;
};

// Two host channels of `frames` samples and the audio buffer records pointing at them.
struct StereoBlock {
  explicit StereoBlock(std::uint32_t frames, float value = 1.0F)
      : left(frames, value), right(frames, value) {
    pointers[0] = left.data();
    pointers[1] = right.data();
    buffer.data32 = pointers;
    buffer.channel_count = 2;
  }
  StereoBlock(const StereoBlock&) = delete;
  StereoBlock& operator=(const StereoBlock&) = delete;

  std::vector<float> left;
  std::vector<float> right;
  float* pointers[2]{};
  clap_audio_buffer buffer{};
};

}  // namespace vessimor::test
