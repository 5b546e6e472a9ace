#include "tools/clap_host/host.hpp"

#include <dlfcn.h>

#include <chrono>
#include <cstring>
#include <utility>

#include "tools/clap_host/streams.hpp"

namespace vessimor::tools {

// ---------------------------------------------------------------------------------------------
// Module

PluginModule::PluginModule(const std::string& path) : path_(path) {
  // RTLD_NODELETE: closing never unmaps the code. A plug-in's process-wide objects (logger,
  // descriptor, worker registry) live as long as the library's image, and threads it started may
  // still be finishing when the host lets go; like most hosts we keep the image for the process.
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (handle_ == nullptr) {
    const char* why = dlerror();
    throw HostError("cannot load plug-in '" + path + "': " + (why ? why : "unknown error"));
  }
  entry_ = static_cast<const clap_plugin_entry*>(dlsym(handle_, "clap_entry"));
  if (entry_ == nullptr) {
    dlclose(handle_);
    throw HostError("'" + path + "' is not a CLAP plug-in (no clap_entry)");
  }
  if (entry_->clap_version.major < 1 || entry_->init == nullptr || entry_->deinit == nullptr ||
      entry_->get_factory == nullptr) {
    dlclose(handle_);
    throw HostError("'" + path + "' has an incompatible or incomplete clap_entry");
  }
  if (!entry_->init(path.c_str())) {
    dlclose(handle_);
    throw HostError("'" + path + "' refused to initialise");
  }
  factory_ = static_cast<const clap_plugin_factory*>(entry_->get_factory(CLAP_PLUGIN_FACTORY_ID));
  if (factory_ == nullptr || factory_->get_plugin_count == nullptr ||
      factory_->get_plugin_descriptor == nullptr || factory_->create_plugin == nullptr) {
    entry_->deinit();
    dlclose(handle_);
    throw HostError("'" + path + "' offers no plug-in factory");
  }
}

PluginModule::~PluginModule() {
  entry_->deinit();
  dlclose(handle_);
}

void* PluginModule::symbol(const char* name) const {
  return dlsym(handle_, name);
}

std::vector<const clap_plugin_descriptor*> PluginModule::descriptors() const {
  std::vector<const clap_plugin_descriptor*> result;
  const std::uint32_t count = factory_->get_plugin_count(factory_);
  for (std::uint32_t i = 0; i < count; ++i) {
    result.push_back(factory_->get_plugin_descriptor(factory_, i));
  }
  return result;
}

std::vector<std::string> descriptor_features(const clap_plugin_descriptor& descriptor) {
  std::vector<std::string> features;
  for (const char* const* feature = descriptor.features; feature && *feature; ++feature) {
    features.emplace_back(*feature);
  }
  return features;
}

// ---------------------------------------------------------------------------------------------
// Audio thread

AudioThread::AudioThread() : thread_([this] { loop(); }) {}

AudioThread::~AudioThread() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void AudioThread::loop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || job_ != nullptr; });
    if (job_ == nullptr) return;
    const std::function<void()>* job = job_;
    lock.unlock();
    std::exception_ptr failure;
    try {
      (*job)();
    } catch (...) {
      failure = std::current_exception();
    }
    lock.lock();
    job_ = nullptr;
    job_done_ = true;
    failure_ = failure;
    wake_.notify_all();
  }
}

void AudioThread::run(const std::function<void()>& work,
                      const std::function<void()>& main_loop_step) {
  std::unique_lock lock(mutex_);
  job_ = &work;
  job_done_ = false;
  wake_.notify_all();
  while (!job_done_) {
    if (main_loop_step) {
      wake_.wait_for(lock, std::chrono::milliseconds(1), [this] { return job_done_; });
      if (job_done_) break;
      lock.unlock();
      main_loop_step();
      lock.lock();
    } else {
      wake_.wait(lock, [this] { return job_done_; });
    }
  }
  if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

// ---------------------------------------------------------------------------------------------
// Host callbacks: every one is noexcept and reaches its instance through `host_data`.

struct HostCallbacks {
  static PluginInstance* self(const clap_host* host) noexcept {
    return host ? static_cast<PluginInstance*>(host->host_data) : nullptr;
  }

  static const void* get_extension(const clap_host* host, const char* id) noexcept {
    PluginInstance* instance = self(host);
    if (instance == nullptr || id == nullptr) return nullptr;
    try {
      std::lock_guard lock(instance->queried_mutex_);
      instance->queried_.emplace_back(id);
    } catch (...) {
    }
    const HostOptions& offer = instance->options_;
    if (offer.offer_gui && std::strcmp(id, CLAP_EXT_GUI) == 0) return &kGui;
    if (offer.offer_latency && std::strcmp(id, CLAP_EXT_LATENCY) == 0) return &kLatency;
    if (offer.offer_params && std::strcmp(id, CLAP_EXT_PARAMS) == 0) return &kParams;
    if (offer.offer_thread_check && std::strcmp(id, CLAP_EXT_THREAD_CHECK) == 0) {
      return &kThreadCheck;
    }
    if (offer.offer_voice_info && std::strcmp(id, CLAP_EXT_VOICE_INFO) == 0) return &kVoiceInfo;
    return nullptr;
  }

  static void request_restart(const clap_host* host) noexcept {
    if (auto* i = self(host)) ++i->calls_.request_restart;
  }
  static void request_process(const clap_host* host) noexcept {
    if (auto* i = self(host)) ++i->calls_.request_process;
  }
  // Any thread; the main loop answers with `on_main_thread`.
  static void request_callback(const clap_host* host) noexcept {
    if (auto* i = self(host)) {
      ++i->calls_.request_callback;
      i->callback_requested_.store(true);
    }
  }

  static void gui_resize_hints_changed(const clap_host* host) noexcept {
    if (auto* i = self(host)) ++i->calls_.gui_resize_hints_changed;
  }
  static bool gui_request_resize(const clap_host* host, std::uint32_t, std::uint32_t) noexcept {
    if (auto* i = self(host)) ++i->calls_.gui_request_resize;
    return true;
  }
  static bool gui_request_show(const clap_host* host) noexcept {
    if (auto* i = self(host)) ++i->calls_.gui_request_show;
    return true;
  }
  static bool gui_request_hide(const clap_host* host) noexcept {
    if (auto* i = self(host)) ++i->calls_.gui_request_hide;
    return true;
  }
  static void gui_closed(const clap_host* host, bool) noexcept {
    if (auto* i = self(host)) ++i->calls_.gui_closed;
  }

  static void latency_changed(const clap_host* host) noexcept {
    if (auto* i = self(host)) {
      i->note_main_thread_only();
      ++i->calls_.latency_changed;
    }
  }

  static void params_rescan(const clap_host* host, clap_param_rescan_flags flags) noexcept {
    if (auto* i = self(host)) {
      i->note_main_thread_only();
      i->calls_.params_rescan_flags.store(flags);
      ++i->calls_.params_rescan;
    }
  }
  static void params_clear(const clap_host* host, clap_id, clap_param_clear_flags) noexcept {
    if (auto* i = self(host)) {
      i->note_main_thread_only();
      ++i->calls_.params_clear;
    }
  }
  // Any thread; the main loop flushes when the plug-in is not processing.
  static void params_request_flush(const clap_host* host) noexcept {
    if (auto* i = self(host)) {
      ++i->calls_.params_request_flush;
      i->flush_requested_.store(true);
    }
  }

  static void voice_info_changed(const clap_host* host) noexcept {
    if (auto* i = self(host)) {
      i->note_main_thread_only();
      ++i->calls_.voice_info_changed;
    }
  }

  static bool is_main_thread(const clap_host* host) noexcept {
    auto* i = self(host);
    if (i == nullptr) return false;
    ++i->calls_.thread_check_calls;
    return std::this_thread::get_id() == i->main_thread_;
  }
  static bool is_audio_thread(const clap_host* host) noexcept {
    auto* i = self(host);
    if (i == nullptr) return false;
    ++i->calls_.thread_check_calls;
    return std::this_thread::get_id() == i->audio_.id();
  }

  static constexpr clap_host_gui kGui{&gui_resize_hints_changed, &gui_request_resize,
                                      &gui_request_show, &gui_request_hide, &gui_closed};
  static constexpr clap_host_latency kLatency{&latency_changed};
  static constexpr clap_host_params kParams{&params_rescan, &params_clear, &params_request_flush};
  static constexpr clap_host_thread_check kThreadCheck{&is_main_thread, &is_audio_thread};
  static constexpr clap_host_voice_info kVoiceInfo{&voice_info_changed};
};

// ---------------------------------------------------------------------------------------------
// Instance

PluginInstance::PluginInstance(const PluginModule& module, HostOptions options,
                               std::optional<std::string> plugin_id)
    : options_(options), main_thread_(std::this_thread::get_id()) {
  host_.clap_version = CLAP_VERSION_DECLARED;
  host_.host_data = this;
  host_.name = "vessimor-clap-host";
  host_.vendor = "Quorvane";
  host_.url = "https://quorvane.com";
  host_.version = "0.1.0";
  host_.get_extension = &HostCallbacks::get_extension;
  host_.request_restart = &HostCallbacks::request_restart;
  host_.request_process = &HostCallbacks::request_process;
  host_.request_callback = &HostCallbacks::request_callback;

  const clap_plugin_factory& factory = module.factory();
  if (!plugin_id) {
    const auto descriptors = module.descriptors();
    if (descriptors.empty() || descriptors.front() == nullptr || !descriptors.front()->id) {
      throw HostError("'" + module.path() + "' offers no plug-in");
    }
    plugin_id = descriptors.front()->id;
  }
  plugin_ = factory.create_plugin(&factory, &host_, plugin_id->c_str());
  if (plugin_ == nullptr) {
    throw HostError("'" + module.path() + "' cannot create plug-in '" + *plugin_id + "'");
  }
}

PluginInstance::~PluginInstance() {
  destroy();
}

std::vector<std::string> PluginInstance::queried_host_extensions() const {
  std::lock_guard lock(queried_mutex_);
  return queried_;
}

void PluginInstance::note_main_thread_only() {
  if (std::this_thread::get_id() != main_thread_) ++calls_.wrong_thread;
}

bool PluginInstance::init() {
  return plugin_->init(plugin_);
}

bool PluginInstance::activate(double sample_rate, std::uint32_t min_frames,
                              std::uint32_t max_frames) {
  for (auto& channel : inputs_) channel.assign(max_frames, 0.0f);
  for (auto& channel : outputs_) channel.assign(max_frames, 0.0f);
  active_ = plugin_->activate(plugin_, sample_rate, min_frames, max_frames);
  return active_;
}

void PluginInstance::deactivate() {
  if (processing_) stop_processing();
  if (!active_) return;
  plugin_->deactivate(plugin_);
  active_ = false;
}

void PluginInstance::destroy() {
  if (plugin_ == nullptr) return;
  deactivate();
  plugin_->destroy(plugin_);
  plugin_ = nullptr;
}

void PluginInstance::run_on_audio_thread(const std::function<void()>& work,
                                         const std::function<void()>& also_on_main) {
  audio_.run(work, [&] {
    main_loop_step();
    if (also_on_main) also_on_main();
  });
}

bool PluginInstance::start_processing() {
  bool started = false;
  run_on_audio_thread([&] { started = plugin_->start_processing(plugin_); });
  processing_ = started;
  processing_flag_.store(started);
  return started;
}

void PluginInstance::stop_processing() {
  run_on_audio_thread([&] { plugin_->stop_processing(plugin_); });
  processing_ = false;
  processing_flag_.store(false);
}

void PluginInstance::reset() {
  run_on_audio_thread([&] { plugin_->reset(plugin_); });
}

clap_process_status PluginInstance::process(std::uint32_t frames, const InputEvents* in,
                                            OutputEvents* out,
                                            const clap_event_transport* transport) {
  clap_process_status status = CLAP_PROCESS_ERROR;
  run_on_audio_thread([&] { status = process_here(frames, in, out, transport); });
  return status;
}

clap_process_status PluginInstance::process_here(std::uint32_t frames, const InputEvents* in,
                                                 OutputEvents* out,
                                                 const clap_event_transport* transport) {
  if (frames > inputs_.front().size()) throw HostError("block larger than the activated maximum");
  float* in_channels[2] = {inputs_[0].data(), inputs_[1].data()};
  float* out_channels[2] = {outputs_[0].data(), outputs_[1].data()};
  clap_audio_buffer input{};
  input.data32 = null_channels_ ? nullptr : in_channels;
  input.channel_count = 2;
  clap_audio_buffer output{};
  output.data32 = null_channels_ ? nullptr : out_channels;
  output.channel_count = 2;

  clap_process process{};
  process.steady_time = steady_time_;
  process.frames_count = frames;
  process.transport = transport;
  process.audio_inputs = &input;
  process.audio_outputs = &output;
  process.audio_inputs_count = 1;
  process.audio_outputs_count = 1;
  process.in_events = in ? in->record() : nullptr;
  process.out_events = out ? out->record() : nullptr;
  steady_time_ += frames;
  return plugin_->process(plugin_, &process);
}

bool PluginInstance::main_loop_step() {
  bool ran = false;
  if (callback_requested_.exchange(false)) {
    plugin_->on_main_thread(plugin_);
    ran = true;
  }
  // While processing, the plug-in sends its queued events with the next block itself.
  if (!processing_flag_.load() && flush_requested_.exchange(false)) {
    if (const clap_plugin_params* params = params_or_null()) {
      InputEvents none;
      params->flush(plugin_, none.record(), flushed_events_.record());
      ran = true;
    }
  }
  return ran;
}

const clap_plugin_params* PluginInstance::params_or_null() const {
  return extension<clap_plugin_params>(CLAP_EXT_PARAMS);
}

const clap_plugin_params& PluginInstance::params() const {
  const clap_plugin_params* params = params_or_null();
  if (params == nullptr) throw HostError("the plug-in has no parameter extension");
  return *params;
}

std::vector<clap_param_info> PluginInstance::param_infos() const {
  const clap_plugin_params& p = params();
  std::vector<clap_param_info> infos;
  const std::uint32_t count = p.count(plugin_);
  for (std::uint32_t i = 0; i < count; ++i) {
    clap_param_info info{};
    if (!p.get_info(plugin_, i, &info)) throw HostError("parameter info missing for an index");
    infos.push_back(info);
  }
  return infos;
}

std::optional<clap_param_info> PluginInstance::find_param(const std::string& name) const {
  for (const clap_param_info& info : param_infos()) {
    if (name == info.name) return info;
  }
  return std::nullopt;
}

std::optional<double> PluginInstance::param_value(clap_id id) const {
  double value = 0.0;
  if (!params().get_value(plugin_, id, &value)) return std::nullopt;
  return value;
}

std::optional<std::string> PluginInstance::value_to_text(clap_id id, double value) const {
  char text[256] = {};
  if (!params().value_to_text(plugin_, id, value, text, sizeof(text))) return std::nullopt;
  return std::string(text);
}

std::optional<double> PluginInstance::text_to_value(clap_id id, const std::string& text) const {
  double value = 0.0;
  if (!params().text_to_value(plugin_, id, text.c_str(), &value)) return std::nullopt;
  return value;
}

void PluginInstance::flush(const InputEvents* in, OutputEvents* out) {
  params().flush(plugin_, in ? in->record() : nullptr, out ? out->record() : nullptr);
}

std::optional<std::vector<std::uint8_t>> PluginInstance::save_state(std::size_t chunk) const {
  const auto* state = extension<clap_plugin_state>(CLAP_EXT_STATE);
  if (state == nullptr) throw HostError("the plug-in has no state extension");
  MemoryOutputStream stream(chunk);
  if (!state->save(plugin_, stream.record())) return std::nullopt;
  return stream.bytes();
}

bool PluginInstance::load_state(const std::vector<std::uint8_t>& bytes, std::size_t chunk) {
  const auto* state = extension<clap_plugin_state>(CLAP_EXT_STATE);
  if (state == nullptr) throw HostError("the plug-in has no state extension");
  MemoryInputStream stream(bytes, chunk);
  return state->load(plugin_, stream.record());
}

}  // namespace vessimor::tools
