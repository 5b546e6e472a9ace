// A tiny CLAP plug-in for testing our host on its own: one gain parameter (id 7) applied per
// sample at the events' offsets, a state of one double, and a main-thread callback requested
// from the audio thread whenever the gain changes there. Ids 8 and 9 report wrong-thread calls
// and main-thread callbacks.
#include <atomic>
#include <cstring>
#include <thread>

#include "platform/clap/clap.hpp"

namespace {

constexpr clap_id kGainId = 7;
const char* const kFeatures[] = {"audio-effect", nullptr};
const clap_plugin_descriptor kDescriptor = {
    CLAP_VERSION_DECLARED, "test.probe", "Probe", "Test", "", nullptr, nullptr, "1", "", kFeatures};

struct Probe {
  clap_plugin plugin{};
  const clap_host* host = nullptr;
  const clap_host_thread_check* thread_check = nullptr;
  std::atomic<double> gain{1.0};
  std::atomic<int> main_thread_callbacks{0};
  std::atomic<bool> misplaced_call{false};  // a call on the wrong thread, by the host's check
};

Probe* self(const clap_plugin* p) {
  return static_cast<Probe*>(p->plugin_data);
}

void check_thread(Probe* probe, bool audio) {
  if (probe->thread_check == nullptr) return;
  const bool ok = audio ? probe->thread_check->is_audio_thread(probe->host)
                        : probe->thread_check->is_main_thread(probe->host);
  if (!ok) probe->misplaced_call = true;
}

bool apply_event(Probe* probe, const clap_event_header* event) {
  if (event->space_id != CLAP_CORE_EVENT_SPACE_ID || event->type != CLAP_EVENT_PARAM_VALUE) {
    return false;
  }
  clap_event_param_value value;
  std::memcpy(&value, event, sizeof(value));
  if (value.param_id != kGainId) return false;
  probe->gain.store(value.value);
  return true;
}

int32_t process(const clap_plugin* p, const clap_process* process) {
  Probe* probe = self(p);
  check_thread(probe, true);
  const uint32_t count = process->in_events ? process->in_events->size(process->in_events) : 0;
  uint32_t next = 0;
  bool changed = false;
  for (uint32_t i = 0; i < process->frames_count; ++i) {
    while (next < count) {
      const clap_event_header* event = process->in_events->get(process->in_events, next);
      if (event->time > i) break;
      changed = apply_event(probe, event) || changed;
      ++next;
    }
    for (uint32_t c = 0; c < 2; ++c) {
      process->audio_outputs[0].data32[c][i] =
          static_cast<float>(process->audio_inputs[0].data32[c][i] * probe->gain.load());
    }
  }
  if (changed) {
    probe->host->request_callback(probe->host);
    clap_event_param_value echo{};
    echo.header = {sizeof(echo), 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
    echo.param_id = kGainId;
    echo.value = probe->gain.load();
    if (process->out_events) process->out_events->try_push(process->out_events, &echo.header);
  }
  return CLAP_PROCESS_CONTINUE;
}

uint32_t params_count(const clap_plugin*) {
  return 1;
}
bool params_info(const clap_plugin*, uint32_t index, clap_param_info* info) {
  if (index != 0) return false;
  *info = {};
  info->id = kGainId;
  std::strcpy(info->name, "Gain");
  info->max_value = 2.0;
  info->default_value = 1.0;
  return true;
}
// Two unlisted ids report what the probe saw, for the tests to read.
constexpr clap_id kMisplacedCallsId = 8;
constexpr clap_id kMainThreadCallbacksId = 9;
bool params_value(const clap_plugin* p, clap_id id, double* value) {
  if (id == kMisplacedCallsId) {
    *value = self(p)->misplaced_call.load() ? 1.0 : 0.0;
  } else if (id == kMainThreadCallbacksId) {
    *value = self(p)->main_thread_callbacks.load();
  } else if (id == kGainId) {
    *value = self(p)->gain.load();
  } else {
    return false;
  }
  return true;
}
bool params_to_text(const clap_plugin*, clap_id, double, char*, uint32_t) {
  return false;
}
bool params_from_text(const clap_plugin*, clap_id, const char*, double*) {
  return false;
}
void params_flush(const clap_plugin* p, const clap_input_events* in, const clap_output_events*) {
  if (in == nullptr) return;
  for (uint32_t i = 0; i < in->size(in); ++i) apply_event(self(p), in->get(in, i));
}
const clap_plugin_params kParams = {&params_count,   &params_info,      &params_value,
                                    &params_to_text, &params_from_text, &params_flush};

bool state_save(const clap_plugin* p, const clap_ostream* stream) {
  const double gain = self(p)->gain.load();
  const auto* bytes = reinterpret_cast<const char*>(&gain);
  for (uint64_t done = 0; done < sizeof(gain);) {
    const int64_t wrote = stream->write(stream, bytes + done, sizeof(gain) - done);
    if (wrote <= 0) return false;
    done += static_cast<uint64_t>(wrote);
  }
  return true;
}
bool state_load(const clap_plugin* p, const clap_istream* stream) {
  double gain = 0.0;
  auto* bytes = reinterpret_cast<char*>(&gain);
  for (uint64_t done = 0; done < sizeof(gain);) {
    const int64_t got = stream->read(stream, bytes + done, sizeof(gain) - done);
    if (got <= 0) return false;
    done += static_cast<uint64_t>(got);
  }
  self(p)->gain.store(gain);
  return true;
}
const clap_plugin_state kState = {&state_save, &state_load};

bool init(const clap_plugin* p) {
  Probe* probe = self(p);
  probe->thread_check = static_cast<const clap_host_thread_check*>(
      probe->host->get_extension(probe->host, CLAP_EXT_THREAD_CHECK));
  check_thread(probe, false);
  return true;
}
void destroy(const clap_plugin* p) {
  delete self(p);
}
bool activate(const clap_plugin* p, double, uint32_t, uint32_t) {
  check_thread(self(p), false);
  return true;
}
void deactivate(const clap_plugin* p) {
  check_thread(self(p), false);
}
bool start_processing(const clap_plugin* p) {
  check_thread(self(p), true);
  return true;
}
void stop_processing(const clap_plugin* p) {
  check_thread(self(p), true);
}
void reset(const clap_plugin* p) {
  check_thread(self(p), true);
}
const void* get_extension(const clap_plugin*, const char* id) {
  if (std::strcmp(id, CLAP_EXT_PARAMS) == 0) return &kParams;
  if (std::strcmp(id, CLAP_EXT_STATE) == 0) return &kState;
  return nullptr;
}
void on_main_thread(const clap_plugin* p) {
  Probe* probe = self(p);
  check_thread(probe, false);
  ++probe->main_thread_callbacks;
}

uint32_t factory_count(const clap_plugin_factory*) {
  return 1;
}
const clap_plugin_descriptor* factory_descriptor(const clap_plugin_factory*, uint32_t index) {
  return index == 0 ? &kDescriptor : nullptr;
}
const clap_plugin* factory_create(const clap_plugin_factory*, const clap_host* host,
                                  const char* id) {
  if (host == nullptr || id == nullptr || std::strcmp(id, kDescriptor.id) != 0) return nullptr;
  auto* probe = new Probe;
  probe->host = host;
  probe->plugin = {&kDescriptor,
                   probe,
                   &init,
                   &destroy,
                   &activate,
                   &deactivate,
                   &start_processing,
                   &stop_processing,
                   &reset,
                   &process,
                   &get_extension,
                   &on_main_thread};
  return &probe->plugin;
}
const clap_plugin_factory kFactory = {&factory_count, &factory_descriptor, &factory_create};

bool entry_init(const char*) {
  return true;
}
void entry_deinit() {}
const void* entry_factory(const char* id) {
  return id != nullptr && std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0 ? &kFactory : nullptr;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) const clap_plugin_entry clap_entry = {
    CLAP_VERSION_DECLARED, &entry_init, &entry_deinit, &entry_factory};
