// The state one VST3 instance shares between its faces, its plug-in view, the GUI context, the
// main-thread event loop and the background worker: the format-neutral instance core, the unit
// tree, the event loop, the host's component handler, the open view and what the audio road of
// the processor keeps between calls.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "framework/context.hpp"
#include "framework/macos_event_loop.hpp"
#include "framework/panic.hpp"
#include "framework/plugin.hpp"
#include "platform/vst3/vst3.hpp"
#include "wrapper/core/instance_core.hpp"
#include "wrapper/core/transport_context.hpp"
#include "wrapper/vst3/com.hpp"
#include "wrapper/vst3/param_units.hpp"
#include "wrapper/vst3/process_events.hpp"
#include "wrapper/vst3/task.hpp"
#include "wrapper/vst3/view_slot.hpp"

namespace vessimor::vst3 {

template <Vst3Plugin P>
class WrapperInner final : public MainThreadExecutor<Task>,
                           public std::enable_shared_from_this<WrapperInner<P>> {
 public:
  // Builds the plug-in object and its tables, the unit tree, the main-thread event loop (which
  // joins the shared background worker) and asks the plug-in for its editor. A parameter map
  // whose groups give no unit tree is a broken invariant. Thread: main
  static std::shared_ptr<WrapperInner> create();

  WrapperInner(const WrapperInner&) = delete;
  WrapperInner& operator=(const WrapperInner&) = delete;

  // Thread: any (see the core's operations for each one's thread)
  core::InstanceCore<P>& core() noexcept { return core_; }
  const core::InstanceCore<P>& core() const noexcept { return core_; }
  // Thread: any
  const ParamUnits& param_units() const noexcept { return param_units_; }
  // Thread: any (see the slot's operations)
  ViewSlot& view() noexcept { return view_; }

  // Runs the task now on the main thread, else queues it for the main run loop; false when the
  // queue was full and the task dropped. Never blocks and takes no lock: the audio thread queues
  // a value change while the main thread may hold the view slot for as long as an editor takes
  // to open. Thread: any
  bool schedule_gui(Task task) { return event_loop().schedule_gui(task); }

  // Thread: main, or the background worker for background tasks
  void execute(Task task, bool is_gui_thread) override;

  // Sets a parameter from the host or the editor; when the value changed, its smoother follows
  // (once a sample rate is configured) and an open editor hears of it. A non-finite value is
  // ignored. kInvalidArgument for a hash that names no parameter, else kResultOk.
  // Thread: main, or audio
  abi::tresult set_normalized_value_by_hash(std::uint32_t hash, float normalized);

  // Loads a whole state: its values are set at once; once configured, the plug-in is initialised
  // and reset again, here when the host does not process, else by the audio thread at the start
  // of its next call (see the instance core's `load_state`). An open editor reads every value
  // afresh. Never waits for the audio thread. True. Thread: main
  bool set_state_inner(const PluginState& state);
  // A state from the editor: loaded as above, then the host is told to read every value.
  // Thread: main
  void set_state_object_from_gui(const PluginState& state);

  // The host's component handler: holds a reference on the new one, lets go of the old one.
  // Thread: main
  void set_component_handler(abi::IComponentHandler* handler) {
    HostRef<abi::IComponentHandler> replacement(handler);
    std::lock_guard lock(component_handler_mutex_);
    std::swap(component_handler_, replacement);
  }
  // A reference of its own on the handler, so that calling the host never holds our lock.
  // Thread: main
  HostRef<abi::IComponentHandler> component_handler() const {
    std::lock_guard lock(component_handler_mutex_);
    return HostRef<abi::IComponentHandler>(component_handler_.get());
  }

  // IComponent and IAudioProcessor calls (inner_processor.hpp).
  // Thread: main
  abi::tresult set_bus_arrangements(const abi::SpeakerArrangement* inputs, std::int32_t input_count,
                                    const abi::SpeakerArrangement* outputs,
                                    std::int32_t output_count);
  // Thread: main
  abi::tresult setup_processing(const abi::ProcessSetup* setup);
  // Thread: main
  abi::tresult set_active(bool active);
  // Thread: main, or audio
  abi::tresult set_processing(bool processing);
  // Thread: audio
  abi::tresult process(abi::ProcessData* data);
  // Thread: main
  abi::tresult get_state(abi::IBStream* stream);
  // Loaded as `set_state_inner` does, without waiting for the audio thread. Thread: main
  abi::tresult set_state(abi::IBStream* stream);

  // Present for the instance's whole life. Thread: any
  MacOSEventLoop<Task>& event_loop() {
    if (!event_loop_) VESSIMOR_PANIC("The instance has no main-thread event loop");
    return *event_loop_;
  }
  // The instance's handle on the shared background worker, held by its event loop. Thread: any
  BackgroundThread<Task>& background_thread() { return event_loop().background_thread(); }

 private:
  // Given to the plug-in's initialisation: a new latency is kept and the host told to read it
  // once initialisation ends.
  class InitContextImpl final : public InitContext {
   public:
    explicit InitContextImpl(WrapperInner& inner) : inner_(inner) {}
    ~InitContextImpl() override {
      if (requested_ && inner_.core_.set_latency_samples(*requested_)) {
        inner_.schedule_gui(Task::restart(abi::kLatencyChanged));
      }
    }
    InitContextImpl(const InitContextImpl&) = delete;
    InitContextImpl& operator=(const InitContextImpl&) = delete;
    // Thread: main, or audio when a loaded state initialises the plug-in again
    void set_latency_samples(std::uint32_t samples) override { requested_ = samples; }

   private:
    WrapperInner& inner_;
    std::optional<std::uint32_t> requested_;
  };

  WrapperInner() : param_units_(build_units(core_.tables())) {}

  static ParamUnits build_units(const core::ParamTables& tables) {
    std::vector<ParamUnits::Group> groups;
    groups.reserve(tables.size());
    for (const core::ParamTableEntry& entry : tables.entries()) {
      groups.emplace_back(entry.hash, entry.group);
    }
    std::optional<ParamUnits> units = ParamUnits::from_param_groups(groups);
    if (!units) VESSIMOR_PANIC("Inconsistent parameter groups");
    return std::move(*units);
  }

  abi::tresult process_block(const abi::ProcessData& data, float sample_rate);

  // Destroyed in reverse order: the host's handler and the view, then the event loop (no task
  // runs after it), then the plug-in and everything the core holds.
  core::InstanceCore<P> core_;
  const ParamUnits param_units_;
  std::optional<MacOSEventLoop<Task>> event_loop_;
  ProcessEvents process_events_;  // audio thread only
  std::atomic<bool> unconfigured_process_reported_{false};
  ViewSlot view_;
  mutable std::mutex component_handler_mutex_;
  HostRef<abi::IComponentHandler> component_handler_;
};

template <Vst3Plugin P>
std::shared_ptr<WrapperInner<P>> WrapperInner<P>::create() {
  auto inner = std::shared_ptr<WrapperInner>(new WrapperInner());
  const std::weak_ptr<WrapperInner> weak = inner;
  inner->event_loop_.emplace(std::weak_ptr<MainThreadExecutor<Task>>(weak));
  // Both functions hold the instance weakly, so that an executor the editor keeps never keeps the
  // instance alive. The task type has no values: neither can be called with a task.
  inner->core_.create_editor(AsyncExecutor{
      [weak](BackgroundTask) {
        if (auto self = weak.lock()) self->background_thread().schedule(Task::background_task());
      },
      [weak](BackgroundTask) {
        if (auto self = weak.lock()) self->schedule_gui(Task::background_task());
      },
  });
  return inner;
}

template <Vst3Plugin P>
void WrapperInner<P>::execute(Task task, bool /*is_gui_thread*/) {
  switch (task.kind) {
    case Task::Kind::background_task:
      // The plug-in's task type has no values, so there is never a task to hand its executor.
      break;
    case Task::Kind::all_values_changed:
      core_.editor().notify_if_open([](Editor& editor) { editor.param_values_changed(); });
      break;
    case Task::Kind::value_changed:
      core_.editor().notify_if_open([&](Editor& editor) {
        const std::string* id = core_.tables().id_of(task.param_hash);
        if (id == nullptr) VESSIMOR_PANIC("no entry found for key");
        editor.param_value_changed(*id, task.value);
      });
      break;
    case Task::Kind::restart:
      if (HostRef<abi::IComponentHandler> handler = component_handler()) {
        handler.get()->vtbl->restartComponent(handler.get(), task.restart_flags);
      }
      break;
    case Task::Kind::resize:
      (void)view_.request_resize();
      break;
  }
}

template <Vst3Plugin P>
abi::tresult WrapperInner<P>::set_normalized_value_by_hash(std::uint32_t hash, float normalized) {
  const std::optional<ParamPtr> param = core_.tables().param_of(hash);
  if (!param) return abi::kInvalidArgument;
  if (core_.update_value(*param, normalized)) {
    schedule_gui(Task::value_changed(hash, normalized));
  }
  return abi::kResultOk;
}

template <Vst3Plugin P>
bool WrapperInner<P>::set_state_inner(const PluginState& state) {
  core_.template load_state<InitContextImpl>(state, *this);
  schedule_gui(Task::all_values_changed());
  if (view_.view_open()) schedule_gui(Task::resize());
  return true;
}

template <Vst3Plugin P>
void WrapperInner<P>::set_state_object_from_gui(const PluginState& state) {
  set_state_inner(state);
  schedule_gui(Task::restart(abi::kParamValuesChanged));
}

}  // namespace vessimor::vst3

// The component and audio-processor calls.
#include "wrapper/vst3/inner_processor.hpp"  // IWYU pragma: keep
