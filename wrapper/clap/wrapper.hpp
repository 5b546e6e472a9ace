// One CLAP plug-in instance: the format-neutral instance core (plug-in object, parameter tables,
// editor, buffers, what a state load leaves for the audio thread), the main-thread task queue,
// the editor's outgoing parameter events and the C records handed to the host. Templated on the
// plug-in type so that its constants are read at compile time.
#pragma once

#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <utility>

#include "framework/background_thread.hpp"
#include "framework/log.hpp"
#include "framework/main_thread_queue.hpp"
#include "framework/mpmc_queue.hpp"
#include "framework/panic.hpp"
#include "framework/params/param_ptr.hpp"
#include "framework/plugin.hpp"
#include "framework/state/state.hpp"
#include "framework/util/strlcpy.hpp"
#include "framework/util/utf8.hpp"
#include "platform/clap/clap.hpp"
#include "wrapper/clap/descriptor.hpp"
#include "wrapper/clap/host_units.hpp"
#include "wrapper/clap/task.hpp"
#include "wrapper/clap/util.hpp"
#include "wrapper/core/instance_core.hpp"
#include "wrapper/core/transport_context.hpp"

namespace vessimor::clap {

template <ClapPlugin P>
class WrapperGuiContext;
template <ClapPlugin P>
class Wrapper;

// The init context of `activate` and of re-initialisation after a state load: a latency the
// plug-in requests is applied when initialisation ends, telling the host when it changed.
template <ClapPlugin P>
class WrapperInitContext final : public InitContext {
 public:
  explicit WrapperInitContext(Wrapper<P>& wrapper) : wrapper_(wrapper) {}
  // Thread: main, or audio when a loaded state re-initialises the plug-in
  ~WrapperInitContext() override;
  WrapperInitContext(const WrapperInitContext&) = delete;
  WrapperInitContext& operator=(const WrapperInitContext&) = delete;
  // Thread: main, or audio as above
  void set_latency_samples(std::uint32_t samples) override { requested_ = samples; }

 private:
  Wrapper<P>& wrapper_;
  std::optional<std::uint32_t> requested_;
};

template <ClapPlugin P>
class Wrapper final : public MainThreadExecutor<Task>,
                      public EventLoop<Task>,
                      public std::enable_shared_from_this<Wrapper<P>> {
 public:
  static constexpr std::size_t OUTPUT_PARAM_QUEUE_CAPACITY = 2048;

  // Builds an instance for the host; the host's reference lives until `destroy`. Thread: main
  static std::shared_ptr<Wrapper> create(const clap_host* host);

  ~Wrapper() override = default;
  Wrapper(const Wrapper&) = delete;
  Wrapper& operator=(const Wrapper&) = delete;

  // The record handed to the host. Thread: any
  const clap_plugin* clap_plugin_record() const noexcept { return &plugin_record_; }

  // Thread: main
  void execute(Task task, bool is_gui_thread) override;
  // Thread: any
  bool schedule_gui(Task task) override;

  // Queues an editor parameter event for the host, stamped so that a state load made after it
  // wins over its value, and asks the host to flush. Thread: main
  bool queue_parameter_event(const OutgoingParamEvent& event);
  // Asks the host to adopt the editor's size. Thread: main
  bool request_resize();
  // A whole state from the host's load or the editor: its values are set at once, what only the
  // audio thread may touch is left to it when processing (see the instance core's `load_state`),
  // then the editor and the host are told and the open editor's size is offered to the host
  // again. Never waits for the audio thread. Always true. Thread: main
  bool set_state_inner(const PluginState& state);
  // Thread: main
  void set_state_object_from_gui(const PluginState& state);
  // Thread: any
  PluginState state_object() const { return core_.state_object(); }

  // Thread: any
  std::optional<std::uint32_t> hash_of(const ParamPtr& param) const {
    return core_.tables().hash_of(param);
  }
  // Thread: any
  std::optional<ParamPtr> param_of(std::uint32_t hash) const {
    return core_.tables().param_of(hash);
  }

  // Thread: any
  std::uint32_t latency_samples() const noexcept { return core_.latency_samples(); }

 private:
  friend class WrapperGuiContext<P>;
  friend class WrapperInitContext<P>;
  template <ClapPlugin>
  friend struct WrapperTestAccess;

  enum class UpdateKind : std::uint8_t { set, modulate };

  struct SplitPoint {
    std::uint32_t time = 0;
    std::uint32_t index = 0;
  };

  explicit Wrapper(const clap_host* host);

  static Wrapper* from(const clap_plugin* plugin) noexcept {
    if (plugin == nullptr || plugin->plugin_data == nullptr) {
      return nullptr;
    }
    return static_cast<Wrapper*>(plugin->plugin_data);
  }

  // Runs `work` on the instance behind `plugin` through the entry guard; `fallback` answers a null
  // plug-in record and a host that broke the contract (logged once).
  template <class R, class F>
  static R with(const clap_plugin* plugin, R fallback, F&& work) noexcept {
    return guard_entry([&]() -> R {
      Wrapper* self = from(plugin);
      if (self == nullptr) {
        return fallback;
      }
      try {
        return work(*self);
      } catch (const HostContractError& error) {
        self->report_host_fault(error.message());
        return fallback;
      }
    });
  }
  template <class F>
  static void with_void(const clap_plugin* plugin, F&& work) noexcept {
    guard_entry([&] {
      if (Wrapper* self = from(plugin)) {
        try {
          work(*self);
        } catch (const HostContractError& error) {
          self->report_host_fault(error.message());
        }
      }
    });
  }

  // Logs a host's breach of the contract at error level, once per instance for each message, so
  // that a host repeating it every block does not flood the log. Lock-free after the first time.
  // Thread: any
  void report_host_fault(std::string_view message) noexcept;

  // Marks the audio road (process or flush) busy for one call. A second call while it is busy is a
  // host calling out of order: it is refused, never run alongside the first.
  class AudioCall {
   public:
    explicit AudioCall(std::atomic<bool>& busy) noexcept
        : busy_(busy), entered_(!busy.exchange(true, std::memory_order_acquire)) {}
    ~AudioCall() {
      if (entered_) busy_.store(false, std::memory_order_release);
    }
    AudioCall(const AudioCall&) = delete;
    AudioCall& operator=(const AudioCall&) = delete;
    explicit operator bool() const noexcept { return entered_; }

   private:
    std::atomic<bool>& busy_;
    bool entered_;
  };

  // The host functions this wrapper calls, checked once at `init`: nothing when all are there, else
  // the message for the first one missing.
  std::optional<std::string> missing_host_function() const;
  // An event list's functions, checked before the call reads any event. Thread: audio or main
  static std::optional<std::string> missing_event_function(const clap_input_events* in,
                                                           const clap_output_events* out);

  // Lifecycle. Thread: main (init, activate, deactivate, destroy, on_main_thread, get_extension),
  // audio (start/stop_processing, reset, process).
  static bool c_init(const clap_plugin* plugin) noexcept;
  static void c_destroy(const clap_plugin* plugin) noexcept;
  static bool c_activate(const clap_plugin* plugin, double sample_rate, std::uint32_t min_frames,
                         std::uint32_t max_frames) noexcept;
  static void c_deactivate(const clap_plugin* plugin) noexcept;
  static bool c_start_processing(const clap_plugin* plugin) noexcept;
  static void c_stop_processing(const clap_plugin* plugin) noexcept;
  static void c_reset(const clap_plugin* plugin) noexcept;
  static clap_process_status c_process(const clap_plugin* plugin,
                                       const clap_process* process) noexcept;
  static const void* c_get_extension(const clap_plugin* plugin, const char* id) noexcept;
  static void c_on_main_thread(const clap_plugin* plugin) noexcept;

  bool init();
  bool activate(double sample_rate, std::uint32_t min_frames, std::uint32_t max_frames);
  bool is_main_thread() const;

  // Processing (wrapper_process.hpp). Thread: audio, or main for flush
  clap_process_status process(const clap_process& process);
  ProcessResult process_sub_block(const HostAudioBlock& host_block, std::uint32_t block_start,
                                  std::uint32_t block_end, const Transport& transport);
  static void silence_outputs(const clap_process& process) noexcept;
  std::optional<SplitPoint> handle_in_events_until(const clap_input_events& events,
                                                   const clap_event_transport** transport,
                                                   std::uint32_t block_start,
                                                   std::uint32_t total_length,
                                                   std::uint32_t first_index);
  void handle_in_event(const clap_event_header& event, const clap_event_transport** transport);
  bool update_plain_value_by_hash(std::uint32_t hash, UpdateKind kind, double value);
  void handle_out_events(const clap_output_events& events, std::uint32_t block_start);
  Transport make_transport(const clap_event_transport* host_transport, std::uint32_t block_start,
                           float sample_rate) const;
  bool splits_block(const clap_event_header& event, std::uint32_t block_start,
                    std::uint32_t total_length) const;

  // Parameter extension (wrapper_params.hpp). Thread: main unless noted
  static std::uint32_t ext_params_count(const clap_plugin* plugin) noexcept;
  static bool ext_params_get_info(const clap_plugin* plugin, std::uint32_t index,
                                  clap_param_info* info) noexcept;
  // Thread: any
  static bool ext_params_get_value(const clap_plugin* plugin, clap_id id, double* value) noexcept;
  static bool ext_params_value_to_text(const clap_plugin* plugin, clap_id id, double value,
                                       char* buffer, std::uint32_t capacity) noexcept;
  static bool ext_params_text_to_value(const clap_plugin* plugin, clap_id id, const char* text,
                                       double* value) noexcept;
  // Thread: main while not processing, or audio
  static void ext_params_flush(const clap_plugin* plugin, const clap_input_events* in,
                               const clap_output_events* out) noexcept;

  // State, GUI, ports and the small extensions (wrapper_extensions.hpp). Thread: main unless noted
  static bool ext_state_save(const clap_plugin* plugin, const clap_ostream* stream) noexcept;
  static bool ext_state_load(const clap_plugin* plugin, const clap_istream* stream) noexcept;
  static bool ext_gui_is_api_supported(const clap_plugin* plugin, const char* api,
                                       bool is_floating) noexcept;
  static bool ext_gui_get_preferred_api(const clap_plugin* plugin, const char** api,
                                        bool* is_floating) noexcept;
  static bool ext_gui_create(const clap_plugin* plugin, const char* api, bool is_floating) noexcept;
  static void ext_gui_destroy(const clap_plugin* plugin) noexcept;
  static bool ext_gui_set_scale(const clap_plugin* plugin, double scale) noexcept;
  static bool ext_gui_get_size(const clap_plugin* plugin, std::uint32_t* width,
                               std::uint32_t* height) noexcept;
  static bool ext_gui_can_resize(const clap_plugin* plugin) noexcept;
  static bool ext_gui_get_resize_hints(const clap_plugin* plugin,
                                       clap_gui_resize_hints* hints) noexcept;
  static bool ext_gui_adjust_size(const clap_plugin* plugin, std::uint32_t* width,
                                  std::uint32_t* height) noexcept;
  static bool ext_gui_set_size(const clap_plugin* plugin, std::uint32_t width,
                               std::uint32_t height) noexcept;
  static bool ext_gui_set_parent(const clap_plugin* plugin, const clap_window* window) noexcept;
  static bool ext_gui_set_transient(const clap_plugin* plugin, const clap_window* window) noexcept;
  static void ext_gui_suggest_title(const clap_plugin* plugin, const char* title) noexcept;
  static bool ext_gui_show(const clap_plugin* plugin) noexcept;
  static bool ext_gui_hide(const clap_plugin* plugin) noexcept;
  static std::uint32_t ext_audio_ports_count(const clap_plugin* plugin, bool is_input) noexcept;
  static bool ext_audio_ports_get(const clap_plugin* plugin, std::uint32_t index, bool is_input,
                                  clap_audio_port_info* info) noexcept;
  static std::uint32_t ext_audio_ports_config_count(const clap_plugin* plugin) noexcept;
  static bool ext_audio_ports_config_get(const clap_plugin* plugin, std::uint32_t index,
                                         clap_audio_ports_config* config) noexcept;
  static bool ext_audio_ports_config_select(const clap_plugin* plugin, clap_id id) noexcept;
  static std::uint32_t ext_latency_get(const clap_plugin* plugin) noexcept;
  // Thread: any
  static std::uint32_t ext_tail_get(const clap_plugin* plugin) noexcept;
  static bool ext_render_has_hard_realtime_requirement(const clap_plugin* plugin) noexcept;
  // Thread: any
  static bool ext_render_set(const clap_plugin* plugin, clap_plugin_render_mode mode) noexcept;
  static std::uint32_t ext_remote_controls_count(const clap_plugin* plugin) noexcept;
  static bool ext_remote_controls_get(const clap_plugin* plugin, std::uint32_t index,
                                      clap_remote_controls_page* page) noexcept;
  static std::uint32_t ext_note_ports_count(const clap_plugin* plugin, bool is_input) noexcept;
  static bool ext_note_ports_get(const clap_plugin* plugin, std::uint32_t index, bool is_input,
                                 clap_note_port_info* info) noexcept;
  static bool ext_voice_info_get(const clap_plugin* plugin, clap_voice_info* info) noexcept;

  static constexpr clap_plugin_params PARAMS_EXTENSION{
      &ext_params_count,         &ext_params_get_info,      &ext_params_get_value,
      &ext_params_value_to_text, &ext_params_text_to_value, &ext_params_flush};
  static constexpr clap_plugin_state STATE_EXTENSION{&ext_state_save, &ext_state_load};
  static constexpr clap_plugin_gui GUI_EXTENSION{&ext_gui_is_api_supported,
                                                 &ext_gui_get_preferred_api,
                                                 &ext_gui_create,
                                                 &ext_gui_destroy,
                                                 &ext_gui_set_scale,
                                                 &ext_gui_get_size,
                                                 &ext_gui_can_resize,
                                                 &ext_gui_get_resize_hints,
                                                 &ext_gui_adjust_size,
                                                 &ext_gui_set_size,
                                                 &ext_gui_set_parent,
                                                 &ext_gui_set_transient,
                                                 &ext_gui_suggest_title,
                                                 &ext_gui_show,
                                                 &ext_gui_hide};
  static constexpr clap_plugin_audio_ports AUDIO_PORTS_EXTENSION{&ext_audio_ports_count,
                                                                 &ext_audio_ports_get};
  static constexpr clap_plugin_audio_ports_config AUDIO_PORTS_CONFIG_EXTENSION{
      &ext_audio_ports_config_count, &ext_audio_ports_config_get, &ext_audio_ports_config_select};
  static constexpr clap_plugin_latency LATENCY_EXTENSION{&ext_latency_get};
  static constexpr clap_plugin_tail TAIL_EXTENSION{&ext_tail_get};
  static constexpr clap_plugin_render RENDER_EXTENSION{&ext_render_has_hard_realtime_requirement,
                                                       &ext_render_set};
  static constexpr clap_plugin_remote_controls REMOTE_CONTROLS_EXTENSION{&ext_remote_controls_count,
                                                                         &ext_remote_controls_get};
  // Kept for completeness of the instance's tables; never handed to hosts.
  static constexpr clap_plugin_note_ports NOTE_PORTS_EXTENSION{&ext_note_ports_count,
                                                               &ext_note_ports_get};
  static constexpr clap_plugin_voice_info VOICE_INFO_EXTENSION{&ext_voice_info_get};

  // The host's reference, released by `destroy`.
  std::shared_ptr<Wrapper> host_reference_;

  core::InstanceCore<P> core_;
  MainThreadQueue<Task> tasks_;
  MpmcQueue<OutgoingParamEvent> output_param_events_{OUTPUT_PARAM_QUEUE_CAPACITY};

  // Hashes of the host faults logged so far (0: free slot).
  std::array<std::atomic<std::uint64_t>, 16> logged_host_faults_{};
  std::atomic<bool> audio_call_busy_{false};

  const clap_host* host_;
  std::unique_ptr<PluginDescriptor> descriptor_;
  clap_plugin plugin_record_{};

  const clap_host_gui* host_gui_ = nullptr;
  const clap_host_latency* host_latency_ = nullptr;
  const clap_host_params* host_params_ = nullptr;
  const clap_host_voice_info* host_voice_info_ = nullptr;
  const clap_host_thread_check* host_thread_check_ = nullptr;

  std::thread::id main_thread_id_;
  std::optional<BackgroundThread<Task>> background_thread_;
};

}  // namespace vessimor::clap

// The member definitions, in dependency order.
// clang-format off
#include "wrapper/clap/wrapper_lifecycle.hpp"
#include "wrapper/clap/wrapper_process.hpp"
#include "wrapper/clap/wrapper_params.hpp"
#include "wrapper/clap/wrapper_extensions.hpp"
// clang-format on
