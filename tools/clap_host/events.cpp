#include "tools/clap_host/events.hpp"

#include <cmath>
#include <cstring>

namespace vessimor::tools {
namespace {

template <typename Event>
void copy_out(const unsigned char* bytes, Event& event) {
  std::memcpy(&event, bytes, sizeof(Event));
}

std::int64_t to_fixed_point(double value) {
  return static_cast<std::int64_t>(std::llround(value * static_cast<double>(CLAP_BEATTIME_FACTOR)));
}

}  // namespace

InputEvents::InputEvents() : record_{this, &InputEvents::size_of, &InputEvents::get} {}

void InputEvents::clear() {
  events_.clear();
}

void InputEvents::add_param_value(std::uint32_t time, clap_id param_id, double value) {
  clap_event_param_value event{};
  event.header = {sizeof(event), time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
  event.param_id = param_id;
  event.cookie = nullptr;
  event.note_id = -1;
  event.port_index = -1;
  event.channel = -1;
  event.key = -1;
  event.value = value;
  add_raw(event.header);
}

void InputEvents::add_param_mod(std::uint32_t time, clap_id param_id, double amount,
                                std::int32_t note_id) {
  clap_event_param_mod event{};
  event.header = {sizeof(event), time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_MOD, 0};
  event.param_id = param_id;
  event.cookie = nullptr;
  event.note_id = note_id;
  event.port_index = -1;
  event.channel = -1;
  event.key = -1;
  event.amount = amount;
  add_raw(event.header);
}

void InputEvents::add_transport(std::uint32_t time, const clap_event_transport& transport) {
  clap_event_transport event = transport;
  event.header = {sizeof(event), time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_TRANSPORT, 0};
  add_raw(event.header);
}

void InputEvents::add_raw(const clap_event_header& event) {
  if (event.size < sizeof(clap_event_header)) throw HostError("event smaller than its header");
  // The header is the first member of every event record, so its address is the event's.
  auto storage = std::make_unique<unsigned char[]>(event.size);
  std::memcpy(storage.get(), &event, event.size);
  events_.push_back(std::move(storage));
}

std::uint32_t InputEvents::size_of(const clap_input_events* list) noexcept {
  if (list == nullptr || list->ctx == nullptr) return 0;
  return static_cast<std::uint32_t>(static_cast<const InputEvents*>(list->ctx)->events_.size());
}

const clap_event_header* InputEvents::get(const clap_input_events* list,
                                          std::uint32_t index) noexcept {
  if (list == nullptr || list->ctx == nullptr) return nullptr;
  const auto& events = static_cast<const InputEvents*>(list->ctx)->events_;
  if (index >= events.size()) return nullptr;
  return reinterpret_cast<const clap_event_header*>(events[index].get());
}

OutputEvents::OutputEvents(std::size_t capacity_bytes, std::size_t capacity_events)
    : record_{this, &OutputEvents::try_push},
      capacity_bytes_(capacity_bytes),
      capacity_events_(capacity_events) {
  bytes_.reserve(capacity_bytes_);
  offsets_.reserve(capacity_events_);
}

void OutputEvents::clear() {
  bytes_.clear();
  offsets_.clear();
  refused_ = 0;
}

bool OutputEvents::try_push(const clap_output_events* list,
                            const clap_event_header* event) noexcept {
  if (list == nullptr || list->ctx == nullptr || event == nullptr) return false;
  auto& self = *static_cast<OutputEvents*>(list->ctx);
  if (event->size < sizeof(clap_event_header) ||
      self.bytes_.size() + event->size > self.capacity_bytes_ ||
      self.offsets_.size() >= self.capacity_events_) {
    ++self.refused_;
    return false;
  }
  // Within the reserved capacity: neither insert reallocates.
  const auto* first = reinterpret_cast<const unsigned char*>(event);
  self.offsets_.push_back(self.bytes_.size());
  self.bytes_.insert(self.bytes_.end(), first, first + event->size);
  return true;
}

std::vector<OutputEvent> OutputEvents::events() const {
  std::vector<OutputEvent> decoded;
  decoded.reserve(offsets_.size());
  for (std::size_t offset : offsets_) {
    const unsigned char* bytes = bytes_.data() + offset;
    clap_event_header header{};
    copy_out(bytes, header);
    OutputEvent out;
    out.type = header.type;
    out.time = header.time;
    out.space_id = header.space_id;
    out.flags = header.flags;
    if (header.space_id == CLAP_CORE_EVENT_SPACE_ID) {
      if (header.type == CLAP_EVENT_PARAM_VALUE && header.size >= sizeof(clap_event_param_value)) {
        clap_event_param_value event{};
        copy_out(bytes, event);
        out.param_id = event.param_id;
        out.value = event.value;
        out.note_id = event.note_id;
        out.port_index = event.port_index;
        out.channel = event.channel;
        out.key = event.key;
      } else if (header.type == CLAP_EVENT_PARAM_MOD &&
                 header.size >= sizeof(clap_event_param_mod)) {
        clap_event_param_mod event{};
        copy_out(bytes, event);
        out.param_id = event.param_id;
        out.value = event.amount;
        out.note_id = event.note_id;
        out.port_index = event.port_index;
        out.channel = event.channel;
        out.key = event.key;
      } else if ((header.type == CLAP_EVENT_PARAM_GESTURE_BEGIN ||
                  header.type == CLAP_EVENT_PARAM_GESTURE_END) &&
                 header.size >= sizeof(clap_event_param_gesture)) {
        clap_event_param_gesture event{};
        copy_out(bytes, event);
        out.param_id = event.param_id;
      }
    }
    decoded.push_back(out);
  }
  return decoded;
}

clap_event_transport make_transport(double tempo, bool playing, std::int64_t position_frames,
                                    double sample_rate) {
  clap_event_transport transport{};
  transport.header = {sizeof(transport), 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_TRANSPORT, 0};
  transport.flags = CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE |
                    CLAP_TRANSPORT_HAS_SECONDS_TIMELINE | CLAP_TRANSPORT_HAS_TIME_SIGNATURE;
  if (playing) transport.flags |= CLAP_TRANSPORT_IS_PLAYING;
  const double seconds = static_cast<double>(position_frames) / sample_rate;
  const double beats = seconds * tempo / 60.0;
  transport.song_pos_beats = to_fixed_point(beats);
  transport.song_pos_seconds = to_fixed_point(seconds);
  transport.tempo = tempo;
  transport.tempo_inc = 0.0;
  transport.tsig_num = 4;
  transport.tsig_denom = 4;
  const double bar = std::floor(beats / 4.0);
  transport.bar_start = to_fixed_point(bar * 4.0);
  transport.bar_number = static_cast<std::int32_t>(bar);
  return transport;
}

}  // namespace vessimor::tools
