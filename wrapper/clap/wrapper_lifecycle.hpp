// Creation, the CLAP lifecycle calls, main-thread tasks and whole-state application.
// Included by wrapper.hpp only.
#pragma once

#include <chrono>

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
  AsyncExecutor executor{
      [weak](BackgroundTask) {},
      [weak](BackgroundTask) {},
  };
  {
    std::lock_guard lock(wrapper->plugin_mutex_);
    wrapper->editor_ = wrapper->plugin_->editor(std::move(executor));
  }
  wrapper->background_thread_.emplace(
      BackgroundThread<Task>::get_or_create(std::weak_ptr<MainThreadExecutor<Task>>(
          std::static_pointer_cast<MainThreadExecutor<Task>>(wrapper))));
  return wrapper;
}

template <ClapPlugin P>
Wrapper<P>::Wrapper(const clap_host* host)
    : plugin_(std::make_unique<P>()),
      buffer_manager_(BufferManager::for_audio_io_layout(0, P::AUDIO_LAYOUTS[0])),
      host_(host),
      descriptor_(PluginDescriptor::for_plugin<P>()),
      main_thread_id_(std::this_thread::get_id()) {
  // Every host call goes through this record; the factory refuses a null one before we get here.
  if (host_ == nullptr) {
    fatal("assertion failed: !host_callback.is_null()");
  }
  task_executor_ = plugin_->task_executor();
  params_ = plugin_->params();

  for (auto& entry : params_->param_map()) {
    const std::uint32_t hash = hash_param_id(entry.id);
    index_by_hash_.emplace(hash, params_by_index_.size());
    hash_by_id_.emplace(entry.id, hash);
    param_by_hash_.emplace(hash, entry.param);
    hash_by_param_.emplace(entry.param, hash);
    params_by_index_.push_back(ParamEntry{hash, entry.id, entry.group, entry.param});
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
  return true;
}

template <ClapPlugin P>
void Wrapper<P>::c_destroy(const clap_plugin* plugin) noexcept {
  // A host breaking the contract with a null record gets nothing done rather than a crash.
  with_void(plugin, [](Wrapper& self) {
    // An open editor's GUI context holds the instance: close the editor first, and let go of the
    // editor itself (which may keep its last context), so that the instance and its threads go
    // now instead of leaking with the editor.
    self.close_editor();
    std::shared_ptr<Wrapper> last = std::move(self.host_reference_);
    std::unique_ptr<Editor> editor;
    {
      std::lock_guard lock(self.editor_mutex_);
      editor = std::move(self.editor_);
    }
    editor.reset();
    last.reset();
  });
}

template <ClapPlugin P>
void Wrapper<P>::close_editor() {
  std::unique_ptr<EditorHandle> handle;
  {
    std::lock_guard lock(editor_handle_mutex_);
    handle = std::move(editor_handle_);
  }
  // Dropped outside the slot's lock: closing may call back into the instance.
  handle.reset();
}

template <ClapPlugin P>
bool Wrapper<P>::c_activate(const clap_plugin* plugin, double sample_rate, std::uint32_t min_frames,
                            std::uint32_t max_frames) noexcept {
  return with(plugin, false,
              [&](Wrapper& self) { return self.activate(sample_rate, min_frames, max_frames); });
}

template <ClapPlugin P>
bool Wrapper<P>::activate(double sample_rate, std::uint32_t min_frames, std::uint32_t max_frames) {
  const AudioIOLayout& layout = current_layout();
  ProcessingConfig config;
  config.sample_rate = static_cast<float>(sample_rate);
  config.min_buffer_size = min_frames;
  config.max_buffer_size = max_frames;
  config.process_mode = current_process_mode_.load(std::memory_order_relaxed);

  for (const ParamEntry& entry : params_by_index_) {
    entry.param.update_smoother(config.sample_rate, true);
  }

  {
    WrapperInitContext<P> context(*this);
    std::lock_guard lock(plugin_mutex_);
    if (!plugin_->initialize(layout, config, context)) {
      return false;
    }
    buffer_manager_ = BufferManager::for_audio_io_layout(max_frames, layout);
    config_sample_rate_.store(config.sample_rate, std::memory_order_relaxed);
    config_min_buffer_size_.store(min_frames, std::memory_order_relaxed);
    config_max_buffer_size_.store(max_frames, std::memory_order_relaxed);
    config_process_mode_.store(config.process_mode, std::memory_order_relaxed);
    has_config_.store(true, std::memory_order_release);
  }
  return true;
}

template <ClapPlugin P>
WrapperInitContext<P>::~WrapperInitContext() {
  if (requested_) {
    const std::uint32_t previous =
        wrapper_.current_latency_.exchange(*requested_, std::memory_order_relaxed);
    if (previous != *requested_) {
      wrapper_.schedule_gui(Task::latency_changed());
    }
  }
}

template <ClapPlugin P>
void Wrapper<P>::c_deactivate(const clap_plugin* plugin) noexcept {
  with_void(plugin, [](Wrapper& self) {
    std::lock_guard lock(self.plugin_mutex_);
    self.plugin_->deactivate();
  });
}

template <ClapPlugin P>
bool Wrapper<P>::c_start_processing(const clap_plugin* plugin) noexcept {
  return with(plugin, false, [](Wrapper& self) {
    self.last_process_status_.store(0, std::memory_order_relaxed);
    self.is_processing_.store(true, std::memory_order_release);
    self.reset_plugin();
    return true;
  });
}

template <ClapPlugin P>
void Wrapper<P>::c_stop_processing(const clap_plugin* plugin) noexcept {
  with_void(plugin,
            [](Wrapper& self) { self.is_processing_.store(false, std::memory_order_release); });
}

template <ClapPlugin P>
void Wrapper<P>::c_reset(const clap_plugin* plugin) noexcept {
  with_void(plugin, [](Wrapper& self) { self.reset_plugin(); });
}

template <ClapPlugin P>
void Wrapper<P>::reset_plugin() {
  util::process_wrapper([&] {
    std::lock_guard lock(plugin_mutex_);
    plugin_->reset();
  });
}

template <ClapPlugin P>
void Wrapper<P>::c_on_main_thread(const clap_plugin* plugin) noexcept {
  with_void(plugin, [](Wrapper& self) {
    while (std::optional<Task> task = self.tasks_.try_pop()) {
      self.execute(*task, true);
    }
  });
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
    if (name == CLAP_EXT_GUI) return self.editor_ ? &GUI_EXTENSION : nullptr;
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
  if (is_main_thread()) {
    execute(task, true);
    return true;
  }
  if (!tasks_.try_push(task)) {
    return false;
  }
  require_function(host_->request_callback, "clap_host", "request_callback")(host_);
  return true;
}

template <ClapPlugin P>
void Wrapper<P>::execute(Task task, bool /*is_gui_thread*/) {
  const auto notify_editor = [&](auto&& call) {
    if (!editor_is_open()) {
      return;
    }
    std::lock_guard lock(editor_mutex_);
    if (editor_) {
      call(*editor_);
    }
  };
  const auto id_of = [&](std::uint32_t hash) -> const std::string& {
    const auto found = index_by_hash_.find(hash);
    if (found == index_by_hash_.end()) {
      fatal("no entry found for key");
    }
    return params_by_index_[found->second].id;
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
        if (is_processing_.load(std::memory_order_acquire)) {
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
bool Wrapper<P>::editor_is_open() const {
  std::lock_guard lock(editor_handle_mutex_);
  return editor_handle_ != nullptr;
}

template <ClapPlugin P>
std::optional<EditorSize> Wrapper<P>::scaled_editor_size() const {
  if (!editor_) {
    return std::nullopt;
  }
  EditorSize size;
  {
    std::lock_guard lock(editor_mutex_);
    size = editor_->size();
  }
  const auto scale = [this](std::uint32_t side) {
    return static_cast<std::uint32_t>(
        std::lround(static_cast<double>(side) * static_cast<double>(editor_scaling_factor_)));
  };
  return EditorSize{scale(size.width), scale(size.height)};
}

template <ClapPlugin P>
bool Wrapper<P>::request_resize() {
  if (host_gui_ == nullptr || !editor_) {
    return false;
  }
  const EditorSize size = *scaled_editor_size();
  const auto request =
      require_function(host_gui_->request_resize, "clap_host_gui", "request_resize");
  return request(host_, size.width, size.height);
}

template <ClapPlugin P>
std::optional<ProcessingConfig> Wrapper<P>::current_config() const {
  if (!has_config_.load(std::memory_order_acquire)) {
    return std::nullopt;
  }
  ProcessingConfig config;
  config.sample_rate = config_sample_rate_.load(std::memory_order_relaxed);
  const std::int64_t min = config_min_buffer_size_.load(std::memory_order_relaxed);
  if (min >= 0) {
    config.min_buffer_size = static_cast<std::uint32_t>(min);
  }
  config.max_buffer_size = config_max_buffer_size_.load(std::memory_order_relaxed);
  config.process_mode = config_process_mode_.load(std::memory_order_relaxed);
  return config;
}

template <ClapPlugin P>
std::optional<float> Wrapper<P>::current_sample_rate() const noexcept {
  if (!has_config_.load(std::memory_order_acquire)) {
    return std::nullopt;
  }
  return config_sample_rate_.load(std::memory_order_relaxed);
}

template <ClapPlugin P>
std::optional<std::uint32_t> Wrapper<P>::hash_of(const ParamPtr& param) const {
  const auto found = hash_by_param_.find(param);
  if (found == hash_by_param_.end()) {
    return std::nullopt;
  }
  return found->second;
}

template <ClapPlugin P>
std::optional<ParamPtr> Wrapper<P>::param_of(std::uint32_t hash) const {
  const auto found = param_by_hash_.find(hash);
  if (found == param_by_hash_.end()) {
    return std::nullopt;
  }
  return found->second;
}

template <ClapPlugin P>
PluginState Wrapper<P>::state_object() const {
  return state::serialize_object(*params_, state::make_params_iter(hash_by_id_, param_by_hash_),
                                 P::VERSION);
}

template <ClapPlugin P>
bool Wrapper<P>::set_state_inner(const PluginState& state) {
  const AudioIOLayout& layout = current_layout();
  const std::optional<ProcessingConfig> config = current_config();
  state::deserialize_object(state, *params_, state::lookup_in_tables(hash_by_id_, param_by_hash_),
                            config ? std::optional<float>(config->sample_rate) : std::nullopt);
  if (config) {
    WrapperInitContext<P> context(*this);
    std::lock_guard lock(plugin_mutex_);
    plugin_->initialize(layout, *config, context);
    util::process_wrapper([&] { plugin_->reset(); });
  }
  schedule_gui(Task::all_values_changed());
  if (editor_is_open()) {
    request_resize();
  }
  return true;
}

template <ClapPlugin P>
void Wrapper<P>::set_state_object_from_gui(PluginState state) {
  // A state the audio thread returned after an earlier hand-over gave up waiting is freed here.
  while (state_outbox_.try_pop()) {
  }
  if (is_processing_.load(std::memory_order_acquire)) {
    auto boxed = std::make_unique<PluginState>(std::move(state));
    if (state_inbox_.try_push(std::move(boxed))) {
      if (wait_for_returned_state()) {
        schedule_gui(Task::rescan_values());
        return;
      }
      // Not taken within the time limit: take it back unless the audio thread has it by now.
      if (std::optional<std::unique_ptr<PluginState>> back = state_inbox_.try_pop()) {
        boxed = std::move(*back);
      } else {
        // The audio thread took it just now and applies it within the current block.
        (void)wait_for_returned_state();
        schedule_gui(Task::rescan_values());
        return;
      }
    }
    if (boxed == nullptr) {
      return;
    }
    // The host holds the processing flag but calls no `process`: apply the state here.
    VESSIMOR_LOG_WARN("The host did not process for {} ms; applying the editor's state directly",
                      STATE_HANDOVER_TIMEOUT.count());
    state = std::move(*boxed);
  }
  set_state_inner(state);
  schedule_gui(Task::rescan_values());
}

template <ClapPlugin P>
bool Wrapper<P>::wait_for_returned_state() {
  const auto deadline = std::chrono::steady_clock::now() + STATE_HANDOVER_TIMEOUT;
  while (std::chrono::steady_clock::now() < deadline) {
    if (state_outbox_.try_pop()) {
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return state_outbox_.try_pop().has_value();
}

}  // namespace vessimor::clap
