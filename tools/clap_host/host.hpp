#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/clap/clap.hpp"
#include "tools/clap_host/events.hpp"
#include "tools/clap_host/host_error.hpp"

namespace vessimor::tools {

// One loaded .clap file: dlopen with RTLD_NOW | RTLD_LOCAL (every symbol resolved at load, none
// leaked into the host), `clap_entry` read and initialised, the plug-in factory fetched.
// Unloading calls `deinit` and closes the handle; the image itself stays mapped.
class PluginModule {
 public:
  // Throws HostError naming the path and the loader's message when any step fails.
  explicit PluginModule(const std::string& path);
  ~PluginModule();
  PluginModule(const PluginModule&) = delete;
  PluginModule& operator=(const PluginModule&) = delete;

  const std::string& path() const { return path_; }
  const clap_plugin_entry& entry() const { return *entry_; }
  const clap_plugin_factory& factory() const { return *factory_; }
  // dlsym on the loaded library (null when the symbol is not exported).
  void* symbol(const char* name) const;
  std::vector<const clap_plugin_descriptor*> descriptors() const;

 private:
  std::string path_;
  void* handle_ = nullptr;
  const clap_plugin_entry* entry_ = nullptr;
  const clap_plugin_factory* factory_ = nullptr;
};

// The null-terminated feature list of a descriptor as texts.
std::vector<std::string> descriptor_features(const clap_plugin_descriptor& descriptor);

// Which host extensions our host record offers (voice info is absent by default, as in many
// hosts, so that the plug-in's handling of a missing extension is exercised).
struct HostOptions {
  bool offer_gui = true;
  bool offer_latency = true;
  bool offer_params = true;
  bool offer_thread_check = true;
  bool offer_voice_info = false;
};

// How often the plug-in called each host function, and how many calls came from a thread where
// CLAP does not allow them (for example a parameter rescan off the main thread).
struct HostCallCounts {
  std::atomic<int> request_restart{0};
  std::atomic<int> request_process{0};
  std::atomic<int> request_callback{0};
  std::atomic<int> params_rescan{0};
  std::atomic<std::uint32_t> params_rescan_flags{0};  // of the last rescan
  std::atomic<int> params_clear{0};
  std::atomic<int> params_request_flush{0};
  std::atomic<int> latency_changed{0};
  std::atomic<int> gui_resize_hints_changed{0};
  std::atomic<int> gui_request_resize{0};
  std::atomic<int> gui_request_show{0};
  std::atomic<int> gui_request_hide{0};
  std::atomic<int> gui_closed{0};
  std::atomic<int> voice_info_changed{0};
  std::atomic<int> thread_check_calls{0};
  std::atomic<int> wrong_thread{0};
};

// Runs work on a thread of its own, the host's audio thread. `run` hands one job over and waits
// for it; while it waits, the calling (main) thread runs the host's main loop step every
// millisecond, so main-thread callbacks requested during processing are served meanwhile.
class AudioThread {
 public:
  AudioThread();
  ~AudioThread();
  AudioThread(const AudioThread&) = delete;
  AudioThread& operator=(const AudioThread&) = delete;

  std::thread::id id() const { return thread_.get_id(); }
  // Exceptions thrown by `work` are rethrown on the calling thread.
  void run(const std::function<void()>& work, const std::function<void()>& main_loop_step = {});

 private:
  void loop();

  std::mutex mutex_;
  std::condition_variable wake_;
  const std::function<void()>* job_ = nullptr;
  bool job_done_ = false;
  bool stopping_ = false;
  std::exception_ptr failure_;
  std::thread thread_;
};

// One plug-in instance with a host record of its own. The constructing thread is the main
// thread; audio-thread calls (start/stop processing, reset, process) hop to the instance's
// AudioThread. The destructor winds the instance down in CLAP order: stop processing,
// deactivate, destroy.
class PluginInstance {
 public:
  // Creates the plug-in with the given id (default: the factory's first descriptor). Throws
  // HostError when the factory refuses.
  explicit PluginInstance(const PluginModule& module, HostOptions options = {},
                          std::optional<std::string> plugin_id = std::nullopt);
  ~PluginInstance();
  PluginInstance(const PluginInstance&) = delete;
  PluginInstance& operator=(const PluginInstance&) = delete;

  const clap_plugin* plugin() const { return plugin_; }
  const clap_host* host() const { return &host_; }
  HostCallCounts& calls() { return calls_; }
  std::thread::id main_thread() const { return main_thread_; }
  std::thread::id audio_thread() const { return audio_.id(); }
  bool active() const { return active_; }
  bool processing() const { return processing_; }
  // Host extension ids the plug-in asked for, in order.
  std::vector<std::string> queried_host_extensions() const;

  template <typename Extension>
  const Extension* extension(const char* id) const {
    return static_cast<const Extension*>(plugin_->get_extension(plugin_, id));
  }

  // Thread: main.
  bool init();
  bool activate(double sample_rate, std::uint32_t min_frames, std::uint32_t max_frames);
  void deactivate();
  void destroy();

  // Thread: main; each runs on the audio thread and returns when it is done.
  bool start_processing();
  void stop_processing();
  void reset();
  // One block over the instance's own stereo buffers (`input`, `output`).
  clap_process_status process(std::uint32_t frames, const InputEvents* in = nullptr,
                              OutputEvents* out = nullptr,
                              const clap_event_transport* transport = nullptr);
  // Runs any work on the audio thread (for example a whole render loop), serving the main loop
  // meanwhile; `also_on_main` runs after each main loop step (progress display, for example).
  void run_on_audio_thread(const std::function<void()>& work,
                           const std::function<void()>& also_on_main = {});
  // Thread: audio (inside run_on_audio_thread). Same as `process`, without the thread hop.
  clap_process_status process_here(std::uint32_t frames, const InputEvents* in, OutputEvents* out,
                                   const clap_event_transport* transport);

  // The stereo buffers `process` uses, sized by `activate` for the largest block.
  std::vector<float>& input(std::size_t channel) { return inputs_.at(channel); }
  std::vector<float>& output(std::size_t channel) { return outputs_.at(channel); }
  // A test host can pass no channel pointers at all.
  void set_null_channel_pointers(bool null_pointers) { null_channels_ = null_pointers; }

  // The host's main loop step. Thread: main. Runs `on_main_thread` when the plug-in asked for a
  // callback, and a parameter flush when it asked for one and is not processing (flushed output
  // events are collected in `flushed_events`). Returns whether anything ran.
  bool main_loop_step();
  OutputEvents& flushed_events() { return flushed_events_; }

  // Parameter extension helpers. Thread: main (values: any).
  const clap_plugin_params& params() const;
  std::vector<clap_param_info> param_infos() const;
  std::optional<clap_param_info> find_param(const std::string& name) const;
  std::optional<double> param_value(clap_id id) const;
  std::optional<std::string> value_to_text(clap_id id, double value) const;
  std::optional<double> text_to_value(clap_id id, const std::string& text) const;
  void flush(const InputEvents* in, OutputEvents* out);

  // State through streams that move `chunk` bytes per call. Thread: main.
  std::optional<std::vector<std::uint8_t>> save_state(std::size_t chunk = 3) const;
  bool load_state(const std::vector<std::uint8_t>& bytes, std::size_t chunk = 3);

 private:
  friend struct HostCallbacks;

  const clap_plugin_params* params_or_null() const;
  void note_main_thread_only();

  HostOptions options_;
  clap_host host_{};
  HostCallCounts calls_;
  std::thread::id main_thread_;
  AudioThread audio_;
  const clap_plugin* plugin_ = nullptr;
  bool active_ = false;
  bool processing_ = false;
  std::atomic<bool> processing_flag_{false};  // read by host callbacks from any thread
  std::atomic<bool> callback_requested_{false};
  std::atomic<bool> flush_requested_{false};
  mutable std::mutex queried_mutex_;
  std::vector<std::string> queried_;
  std::vector<std::vector<float>> inputs_{2};
  std::vector<std::vector<float>> outputs_{2};
  bool null_channels_ = false;
  std::int64_t steady_time_ = 0;
  OutputEvents flushed_events_;
};

}  // namespace vessimor::tools
