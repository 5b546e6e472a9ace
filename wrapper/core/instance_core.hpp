// What every plug-in format's instance holds besides its own host records: the plug-in object, its
// parameter tables, the editor slot, the buffer configuration and buffers, the processing flag, the
// last process result and latency, the re-initialisation a state load leaves for whichever
// thread next holds the plug-in, and which loads came after which editor edits. A format's wrapper
// owns one, turns its host's calls into these operations and adds what only its host needs (events,
// streams, main-thread notifications).
#pragma once

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "framework/audio/buffer_manager.hpp"
#include "framework/log.hpp"
#include "framework/mutex.hpp"
#include "framework/plugin.hpp"
#include "framework/state/state.hpp"
#include "wrapper/core/buffer_config.hpp"
#include "wrapper/core/editor_slot.hpp"
#include "wrapper/core/flush_to_zero.hpp"
#include "wrapper/core/load_order.hpp"
#include "wrapper/core/param_tables.hpp"
#include "wrapper/core/pending_reinit.hpp"
#include "wrapper/core/plugin_access.hpp"

namespace vessimor::core {

template <PluginType P>
class InstanceCore {
 public:
  // Builds the plug-in object, the parameter tables and the buffer manager for the first layout
  // and blocks of zero samples. Thread: main
  InstanceCore()
      : plugin_(std::make_unique<P>()),
        task_executor_(plugin_->task_executor()),
        params_(plugin_->params()),
        tables_(params_->param_map()),
        buffer_manager_(BufferManager::for_audio_io_layout(0, P::AUDIO_LAYOUTS[0])) {}

  InstanceCore(const InstanceCore&) = delete;
  InstanceCore& operator=(const InstanceCore&) = delete;

  // Asks the plug-in for its editor, once per instance. Thread: main
  void create_editor(AsyncExecutor executor) {
    std::unique_ptr<Editor> editor;
    {
      const PluginAccess::Scope access(access_, PluginAccess::Scope::Mode::wait);
      editor = plugin_->editor(std::move(executor));
    }
    editor_.set_editor(std::move(editor));
  }

  // Runs `work(P&)` holding the plug-in, waiting for the audio thread's current call to end.
  // Thread: main
  template <class F>
  decltype(auto) with_plugin(F&& work) {
    const PluginAccess::Scope access(access_, PluginAccess::Scope::Mode::wait);
    return std::forward<F>(work)(*plugin_);
  }

  // Holds the plug-in for one host call on the audio thread without ever waiting; false (and the
  // plug-in untouched for this call) in the rare moment the main thread holds it. The core's
  // audio-thread operations inside the scope use the hold instead of taking the plug-in again.
  // Thread: audio
  PluginAccess::Scope audio_scope() noexcept {
    return PluginAccess::Scope(access_, PluginAccess::Scope::Mode::try_only);
  }

  // Thread: main, or the background worker
  void run_background_task(BackgroundTask task) {
    std::lock_guard lock(task_executor_mutex_);
    task_executor_(std::move(task));
  }

  // Thread: any
  Params& params() const noexcept { return *params_; }
  // Thread: any
  const ParamTables& tables() const noexcept { return tables_; }
  // Thread: main
  EditorSlot& editor() noexcept { return editor_; }
  const EditorSlot& editor() const noexcept { return editor_; }

  // Thread: any
  const AudioIOLayout& layout() const noexcept {
    return P::AUDIO_LAYOUTS[layout_index_.load(std::memory_order_relaxed)];
  }
  // False for an index past the plug-in's layouts. Thread: main, while not active
  bool select_layout(std::size_t index) noexcept {
    if (index >= std::size(P::AUDIO_LAYOUTS)) return false;
    layout_index_.store(index, std::memory_order_relaxed);
    return true;
  }

  // The mode the next activation hands the plug-in. Thread: any
  void set_process_mode(ProcessMode mode) noexcept {
    process_mode_.store(mode, std::memory_order_relaxed);
  }
  // Thread: any
  ProcessMode process_mode() const noexcept {
    return process_mode_.load(std::memory_order_relaxed);
  }

  // Thread: any (store: main, while not processing)
  BufferConfig& buffer_config() noexcept { return config_; }
  const BufferConfig& buffer_config() const noexcept { return config_; }
  // Thread: audio
  BufferManager& buffer_manager() noexcept { return buffer_manager_; }

  // Jumps every smoother to its value at the new rate, initialises the plug-in and rebuilds the
  // buffers; the configuration is kept only when the plug-in accepted it. Thread: main
  bool activate(const ProcessingConfig& config, InitContext& context) {
    for (const ParamTableEntry& entry : tables_.entries()) {
      entry.param.update_smoother(config.sample_rate, true);
    }
    const PluginAccess::Scope access(access_, PluginAccess::Scope::Mode::wait);
    if (!plugin_->initialize(layout(), config, context)) return false;
    buffer_manager_ = BufferManager::for_audio_io_layout(config.max_buffer_size, layout());
    config_.store(config);
    // Every smoother jumped and the plug-in is initialised: nothing of an earlier load is due.
    reinit_.clear();
    return true;
  }

  // Resets the plug-in, or re-initialises and resets it when a state load left that to be done.
  // Never waits: when the other thread holds the plug-in, both are left out (the main thread
  // holds it only to initialise the plug-in itself). `Context` is the format's init context,
  // built from `owner` only when initialisation is due. Thread: audio, or main while not
  // processing
  template <class Context, class Owner>
  void reset_plugin(Owner& owner) {
    if (serve_reinit<Context>(owner)) return;
    util::process_wrapper([&] {
      if (const PluginAccess::Scope access{access_, PluginAccess::Scope::Mode::try_only}) {
        plugin_->reset();
      }
    });
  }

  // Thread: main, or audio for the format's processing calls
  void set_processing(bool processing) noexcept {
    is_processing_.store(processing, std::memory_order_release);
  }
  // Thread: any
  bool is_processing() const noexcept { return is_processing_.load(std::memory_order_acquire); }

  // One (sub-)block through the plug-in; its result becomes the last process result. Without the
  // plug-in (the main thread holds it) the block passes untouched with the normal result, which is
  // not recorded. Thread: audio, best inside `audio_scope`
  ProcessResult process(Buffer& buffer, AuxiliaryBuffers& aux, ProcessContext& context) {
    const PluginAccess::Scope access(access_, PluginAccess::Scope::Mode::try_only);
    if (!access) return ProcessResult::normal();
    const ProcessResult result = plugin_->process(buffer, aux, context);
    last_result_.store(pack(result), std::memory_order_relaxed);
    return result;
  }
  // Thread: any
  void clear_last_result() noexcept { last_result_.store(0, std::memory_order_relaxed); }
  // From the last process result: its tail, "infinite" for keep-alive, else 0. Thread: any
  std::uint32_t tail_samples() const noexcept {
    const std::uint64_t packed = last_result_.load(std::memory_order_relaxed);
    switch (static_cast<ProcessResult::Status>(packed & 0xFF)) {
      case ProcessResult::Status::tail:
        return static_cast<std::uint32_t>(packed >> 8);
      case ProcessResult::Status::keep_alive:
        return std::numeric_limits<std::uint32_t>::max();
      case ProcessResult::Status::normal:
      case ProcessResult::Status::error:
        break;
    }
    return 0;
  }

  // Thread: any
  std::uint32_t latency_samples() const noexcept {
    return latency_.load(std::memory_order_relaxed);
  }
  // True when the latency changed. Thread: main, or audio (re-initialising for a loaded state)
  bool set_latency_samples(std::uint32_t samples) noexcept {
    return latency_.exchange(samples, std::memory_order_relaxed) != samples;
  }

  // Sets (or modulates) a parameter's normalised value; with a buffer configuration its smoother
  // follows. A non-finite value is ignored: it would poison everything the parameter feeds. True
  // when the value changed. Thread: main, or audio
  bool update_value(const ParamPtr& param, float normalized, bool modulate = false) {
    if (!std::isfinite(normalized)) return false;
    const bool changed =
        modulate ? param.modulate_value(normalized) : param.set_normalized_value(normalized);
    if (changed) {
      if (const std::optional<float> rate = config_.sample_rate()) {
        param.update_smoother(*rate, false);
      }
    }
    return changed;
  }

  // Thread: any
  PluginState state_object() const {
    return state::serialize_object(*params_, tables_.state_pairs(), P::VERSION);
  }
  // Thread: any
  state::SerializedJson state_json() const {
    return state::serialize_json(*params_, tables_.state_pairs(), P::VERSION);
  }

  // Sets every value the state names at once, so that the host reads them and a save holds them
  // as soon as this returns; an editor edit made before, still on its way, no longer overrides
  // them (`edit_outdated`). Once activated, the named parameters' smoothers jump to their new
  // values and the plug-in is initialised and reset again: here when nothing processes, else by
  // the audio thread at the start of its next call (`serve_reinit`), since only the plug-in's
  // holder may touch them. A later load before that call joins the request. Never waits.
  // `Context` is the format's init context, built from `owner` when initialisation runs here.
  // Thread: main
  template <class Context, class Owner>
  void load_state(const PluginState& state, Owner& owner) {
    // Each parameter is marked as this load's just before its value is set, and before the
    // request that the audio thread takes at the start of its next call: the edits it hands to the
    // host after that are checked against this load. An entry the load skips (a wrong-typed value,
    // an unknown choice) leaves an earlier edit standing, as it leaves the value.
    const std::uint64_t load = load_order_.next_load();
    state::deserialize_object(
        state, *params_, tables_.state_lookup(), std::nullopt,
        [&](std::string_view id) { load_order_.set_by(tables_.index_of(id), load); });
    if (!config_.load()) return;  // before activation the values are all there is
    for (const auto& [id, value] : state.params) reinit_.mark(tables_.index_of(id));
    reinit_.request();
    if (!is_processing()) serve_reinit<Context>(owner);
  }

  // What an editor edit made now carries, for `edit_outdated`. Thread: main
  std::uint64_t edit_stamp() const noexcept { return load_order_.loads_so_far(); }
  // Whether a state load made after the edit stamped `stamp` set its parameter: the loaded value
  // then stands and the edit must be neither applied nor reported to the host. Thread: any
  bool edit_outdated(std::uint32_t hash, std::uint64_t stamp) const {
    const std::optional<std::size_t> index = tables_.index_of(hash);
    return index && load_order_.outdated(*index, stamp);
  }

  // Does what a state load left for the plug-in's holder: the marked smoothers jump to their
  // values, then the plug-in is initialised for the configured rate (which allocates and locks
  // nothing at an unchanged rate) and reset. False when nothing was due or the plug-in is held
  // elsewhere (it stays due). Thread: audio at the start of a call, or main while not processing
  template <class Context, class Owner>
  bool serve_reinit(Owner& owner) {
    if (!reinit_.requested()) return false;
    const PluginAccess::Scope access(access_, PluginAccess::Scope::Mode::try_only);
    if (!access || !reinit_.take()) return false;
    const std::optional<ProcessingConfig> config = config_.load();
    if (!config) return false;
    for (std::size_t index = 0; index < tables_.size(); ++index) {
      if (reinit_.take_mark(index)) {
        tables_.entries()[index].param.update_smoother(config->sample_rate, true);
      }
    }
    Context context(owner);
    plugin_->initialize(layout(), *config, context);
    util::process_wrapper([&] { plugin_->reset(); });
    return true;
  }

 private:
  // Status and tail length in one word, so that one atomic cell holds both.
  static std::uint64_t pack(const ProcessResult& result) noexcept {
    return (static_cast<std::uint64_t>(result.tail_samples) << 8) |
           static_cast<std::uint64_t>(result.status);
  }

  PluginAccess access_;
  std::unique_ptr<P> plugin_;
  Mutex task_executor_mutex_;
  TaskExecutor task_executor_;
  std::shared_ptr<Params> params_;
  const ParamTables tables_;
  EditorSlot editor_;

  std::atomic<std::size_t> layout_index_{0};
  std::atomic<ProcessMode> process_mode_{ProcessMode::realtime};
  BufferConfig config_;
  BufferManager buffer_manager_;

  std::atomic<bool> is_processing_{false};
  std::atomic<std::uint64_t> last_result_{0};
  std::atomic<std::uint32_t> latency_{0};
  PendingReinit reinit_{tables_.size()};
  LoadOrder load_order_{tables_.size()};
};

}  // namespace vessimor::core
