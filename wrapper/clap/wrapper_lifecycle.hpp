// Creation, the CLAP lifecycle calls, main-thread tasks and whole-state application.
// Included by wrapper.hpp only.
#pragma once

#include "wrapper/clap/gui_context.hpp"

namespace vessimor::clap {

template <ClapPlugin P>
std::shared_ptr<Wrapper<P>> Wrapper<P>::create(const clap_host* host) {
  auto wrapper = std::shared_ptr<Wrapper>(new Wrapper(host));
  wrapper->host_reference_ = wrapper;
  wrapper->plugin_record_.plugin_data = wrapper.get();

  // Both functions hold weak references so that an executor kept by the plug-in never keeps the
  // instance alive. The task type has no values: neither can be called with a task.
  const std::weak_ptr<Wrapper> weak = wrapper;
  wrapper->core_.create_editor(AsyncExecutor{
      [weak](BackgroundTask) {},
      [weak](BackgroundTask) {},
  });
  wrapper->background_thread_.emplace(
      BackgroundThread<Task>::get_or_create(std::weak_ptr<MainThreadExecutor<Task>>(
          std::static_pointer_cast<MainThreadExecutor<Task>>(wrapper))));
  return wrapper;
}

template <ClapPlugin P>
Wrapper<P>::Wrapper(const clap_host* host)
    : host_(host),
      descriptor_(PluginDescriptor::for_plugin<P>()),
      main_thread_id_(std::this_thread::get_id()) {
  // Every host call goes through this record; the factory refuses a null one before we get here.
  if (host_ == nullptr) {
    fatal("assertion failed: !host_callback.is_null()");
  }
  plugin_record_.desc = descriptor_->clap_plugin_descriptor();
  plugin_record_.plugin_data = nullptr;
  plugin_record_.init = &c_init;
  plugin_record_.destroy = &c_destroy;
  plugin_record_.activate = &c_activate;
  plugin_record_.deactivate = &c_deactivate;
  plugin_record_.start_processing = &c_start_processing;
  plugin_record_.stop_processing = &c_stop_processing;
  plugin_record_.reset = &c_reset;
  plugin_record_.process = &c_process;
  plugin_record_.get_extension = &c_get_extension;
  plugin_record_.on_main_thread = &c_on_main_thread;
}

template <ClapPlugin P>
bool Wrapper<P>::c_init(const clap_plugin* plugin) noexcept {
  return with(plugin, false, [](Wrapper& self) { return self.init(); });
}

template <ClapPlugin P>
bool Wrapper<P>::init() {
  const auto get_extension = require_function(host_->get_extension, "clap_host", "get_extension");
  host_gui_ = static_cast<const clap_host_gui*>(get_extension(host_, CLAP_EXT_GUI));
  host_latency_ = static_cast<const clap_host_latency*>(get_extension(host_, CLAP_EXT_LATENCY));
  host_params_ = static_cast<const clap_host_params*>(get_extension(host_, CLAP_EXT_PARAMS));
  host_voice_info_ =
      static_cast<const clap_host_voice_info*>(get_extension(host_, CLAP_EXT_VOICE_INFO));
  host_thread_check_ =
      static_cast<const clap_host_thread_check*>(get_extension(host_, CLAP_EXT_THREAD_CHECK));
  // Found now rather than in the middle of a block, a destructor or an editor callback.
  if (std::optional<std::string> missing = missing_host_function()) {
    throw HostContractError(std::move(*missing));
  }
  return true;
}

template <ClapPlugin P>
std::optional<std::string> Wrapper<P>::missing_host_function() const {
  struct Required {
    bool present;
    std::string_view record;
    std::string_view function;
  };
  // Extensions the host does not offer are not needed.
  const Required required[] = {
      {host_->request_callback != nullptr, "clap_host", "request_callback"},
      {host_->request_restart != nullptr, "clap_host", "request_restart"},
      {!host_gui_ || host_gui_->request_resize != nullptr, "clap_host_gui", "request_resize"},
      {!host_latency_ || host_latency_->changed != nullptr, "clap_host_latency", "changed"},
      {!host_params_ || host_params_->rescan != nullptr, "clap_host_params", "rescan"},
      {!host_params_ || host_params_->request_flush != nullptr, "clap_host_params",
       "request_flush"},
      {!host_voice_info_ || host_voice_info_->changed != nullptr, "clap_host_voice_info",
       "changed"},
      {!host_thread_check_ || host_thread_check_->is_main_thread != nullptr,
       "clap_host_thread_check", "is_main_thread"},
  };
  for (const Required& entry : required) {
    if (!entry.present) return null_host_function_message(entry.record, entry.function);
  }
  return std::nullopt;
}

template <ClapPlugin P>
void Wrapper<P>::report_host_fault(std::string_view message) noexcept {
  // FNV-1a; the low bit set keeps 0 free to mark an empty slot.
  std::uint64_t hash = 14695981039346656037ULL;
  for (const char c : message) {
    hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
  }
  hash |= 1;
  for (std::atomic<std::uint64_t>& slot : logged_host_faults_) {
    std::uint64_t seen = slot.load(std::memory_order_relaxed);
    if (seen == 0 && slot.compare_exchange_strong(seen, hash, std::memory_order_relaxed)) break;
    if (seen == hash) return;
  }
  // Reached with a newly claimed slot, or with every slot taken (then each fault is logged).
  try {
    VESSIMOR_LOG_ERROR("{}", message);
  } catch (...) {
    // Logging must not turn a host's mistake into the end of its process either.
  }
}

template <ClapPlugin P>
void Wrapper<P>::c_destroy(const clap_plugin* plugin) noexcept {
  // A host breaking the contract with a null record gets nothing done rather than a crash.
  with_void(plugin, [](Wrapper& self) {
    // An open editor's GUI context holds the instance: close the editor first, and let go of the
    // editor itself (which may keep its last context), so that the instance and its threads go
    // now instead of leaking with the editor.
    self.core_.editor().close();
    std::shared_ptr<Wrapper> last = std::move(self.host_reference_);
    self.core_.editor().release_editor().reset();
    last.reset();
  });
}

template <ClapPlugin P>
bool Wrapper<P>::c_activate(const clap_plugin* plugin, double sample_rate, std::uint32_t min_frames,
                            std::uint32_t max_frames) noexcept {
  return with(plugin, false,
              [&](Wrapper& self) { return self.activate(sample_rate, min_frames, max_frames); });
}

template <ClapPlugin P>
bool Wrapper<P>::activate(double sample_rate, std::uint32_t min_frames, std::uint32_t max_frames) {
  if (core_.is_processing()) {
    // The buffers and the plug-in would be rebuilt under a running audio thread.
    throw HostContractError("activate called while processing; call stop_processing first");
  }
  ProcessingConfig config;
  config.sample_rate = static_cast<float>(sample_rate);
  config.min_buffer_size = min_frames;
  config.max_buffer_size = max_frames;
  config.process_mode = core_.process_mode();
  WrapperInitContext<P> context(*this);
  return core_.activate(config, context);
}

template <ClapPlugin P>
WrapperInitContext<P>::~WrapperInitContext() {
  if (requested_ && wrapper_.core_.set_latency_samples(*requested_)) {
    // A destructor must not throw: a host fault met here is reported and the notice dropped.
    try {
      wrapper_.schedule_gui(Task::latency_changed());
    } catch (const HostContractError& error) {
      wrapper_.report_host_fault(error.message());
    }
  }
}

template <ClapPlugin P>
void Wrapper<P>::c_deactivate(const clap_plugin* plugin) noexcept {
  with_void(plugin, [](Wrapper& self) { self.core_.with_plugin([](P& p) { p.deactivate(); }); });
}

template <ClapPlugin P>
bool Wrapper<P>::c_start_processing(const clap_plugin* plugin) noexcept {
  return with(plugin, false, [](Wrapper& self) {
    self.core_.clear_last_result();
    self.core_.set_processing(true);
    self.core_.template reset_plugin<WrapperInitContext<P>>(self);
    return true;
  });
}

template <ClapPlugin P>
void Wrapper<P>::c_stop_processing(const clap_plugin* plugin) noexcept {
  with_void(plugin, [](Wrapper& self) {
    self.core_.set_processing(false);
    // A load's re-initialisation still due is done now rather than left for a later start.
    self.core_.template serve_reinit<WrapperInitContext<P>>(self);
  });
}

template <ClapPlugin P>
void Wrapper<P>::c_reset(const clap_plugin* plugin) noexcept {
  with_void(plugin,
            [](Wrapper& self) { self.core_.template reset_plugin<WrapperInitContext<P>>(self); });
}

template <ClapPlugin P>
void Wrapper<P>::c_on_main_thread(const clap_plugin* plugin) noexcept {
  with_void(plugin, [](Wrapper& self) { self.tasks_.run_queued(self); });
}

template <ClapPlugin P>
const void* Wrapper<P>::c_get_extension(const clap_plugin* plugin, const char* id) noexcept {
  return with(plugin, static_cast<const void*>(nullptr), [id](Wrapper& self) -> const void* {
    if (id == nullptr) {
      return nullptr;
    }
    const std::string_view name(id);
    if (name == CLAP_EXT_AUDIO_PORTS_CONFIG) return &AUDIO_PORTS_CONFIG_EXTENSION;
    if (name == CLAP_EXT_AUDIO_PORTS) return &AUDIO_PORTS_EXTENSION;
    if (name == CLAP_EXT_GUI) return self.core_.editor().has_editor() ? &GUI_EXTENSION : nullptr;
    if (name == CLAP_EXT_LATENCY) return &LATENCY_EXTENSION;
    if (name == CLAP_EXT_PARAMS) return &PARAMS_EXTENSION;
    if (name == CLAP_EXT_REMOTE_CONTROLS) return &REMOTE_CONTROLS_EXTENSION;
    if (name == CLAP_EXT_RENDER) return &RENDER_EXTENSION;
    if (name == CLAP_EXT_STATE) return &STATE_EXTENSION;
    if (name == CLAP_EXT_TAIL) return &TAIL_EXTENSION;
    return nullptr;
  });
}

template <ClapPlugin P>
bool Wrapper<P>::is_main_thread() const {
  if (host_thread_check_ != nullptr) {
    const auto check = require_function(host_thread_check_->is_main_thread,
                                        "clap_host_thread_check", "is_main_thread");
    return check(host_);
  }
  return std::this_thread::get_id() == main_thread_id_;
}

template <ClapPlugin P>
bool Wrapper<P>::schedule_gui(Task task) {
  return tasks_.schedule(task, is_main_thread(), *this, [this] {
    require_function(host_->request_callback, "clap_host", "request_callback")(host_);
  });
}

template <ClapPlugin P>
void Wrapper<P>::execute(Task task, bool /*is_gui_thread*/) {
  const auto notify_editor = [&](auto&& call) { core_.editor().notify_if_open(call); };
  const auto id_of = [&](std::uint32_t hash) -> const std::string& {
    const std::string* id = core_.tables().id_of(hash);
    if (id == nullptr) {
      fatal("no entry found for key");
    }
    return *id;
  };

  switch (task.kind) {
    case Task::Kind::background_task:
      // The background task type has no values; nothing can arrive here.
      break;
    case Task::Kind::all_values_changed:
      notify_editor([](Editor& editor) { editor.param_values_changed(); });
      break;
    case Task::Kind::value_changed:
      notify_editor(
          [&](Editor& editor) { editor.param_value_changed(id_of(task.param_hash), task.value); });
      break;
    case Task::Kind::modulation_changed:
      notify_editor([&](Editor& editor) {
        editor.param_modulation_changed(id_of(task.param_hash), task.value);
      });
      break;
    case Task::Kind::latency_changed:
      if (host_latency_ != nullptr) {
        if (core_.is_processing()) {
          require_function(host_->request_restart, "clap_host", "request_restart")(host_);
        } else {
          require_function(host_latency_->changed, "clap_host_latency", "changed")(host_);
        }
      }
      break;
    case Task::Kind::voice_info_changed:
      if (host_voice_info_ != nullptr) {
        require_function(host_voice_info_->changed, "clap_host_voice_info", "changed")(host_);
      }
      break;
    case Task::Kind::rescan_values:
      if (host_params_ != nullptr) {
        require_function(host_params_->rescan, "clap_host_params", "rescan")(
            host_, CLAP_PARAM_RESCAN_VALUES);
      }
      break;
  }
}

template <ClapPlugin P>
bool Wrapper<P>::request_resize() {
  const std::optional<EditorSize> size = core_.editor().scaled_size();
  if (host_gui_ == nullptr || !size) {
    return false;
  }
  const auto request =
      require_function(host_gui_->request_resize, "clap_host_gui", "request_resize");
  return request(host_, size->width, size->height);
}

template <ClapPlugin P>
bool Wrapper<P>::set_state_inner(const PluginState& state) {
  core_.template load_state<WrapperInitContext<P>>(state, *this);
  schedule_gui(Task::all_values_changed());
  // Whoever loaded the state (the host or the editor), the host's parameter view and automation
  // lanes must read the new values.
  schedule_gui(Task::rescan_values());
  if (core_.editor().is_open()) {
    request_resize();
  }
  return true;
}

template <ClapPlugin P>
void Wrapper<P>::set_state_object_from_gui(const PluginState& state) {
  set_state_inner(state);
}

}  // namespace vessimor::clap
