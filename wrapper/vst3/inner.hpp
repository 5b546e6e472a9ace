// The state one VST3 instance shares between its faces, its plug-in view, the GUI context, the
// main-thread event loop and the background worker: the format-neutral instance core, the unit
// tree, the event loop and the host's component handler.
#pragma once

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
#include "wrapper/vst3/com.hpp"
#include "wrapper/vst3/param_units.hpp"
#include "wrapper/vst3/task.hpp"

namespace vessimor::vst3 {

template <Vst3Plugin P>
class WrapperInner final : public MainThreadExecutor<Task>,
                           public std::enable_shared_from_this<WrapperInner<P>> {
 public:
  // Builds the plug-in object and its tables, the unit tree, the main-thread event loop (which
  // joins the shared background worker) and asks the plug-in for its editor. A parameter map
  // whose groups give no unit tree is a broken invariant. Thread: main
  static std::shared_ptr<WrapperInner> create() {
    auto inner = std::shared_ptr<WrapperInner>(new WrapperInner());
    const std::weak_ptr<WrapperInner> weak = inner;
    inner->event_loop_.emplace(std::weak_ptr<MainThreadExecutor<Task>>(weak));
    // Both functions hold the instance weakly, so that an executor the editor keeps never keeps
    // the instance alive. The task type has no values: neither can be called with a task.
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

  WrapperInner(const WrapperInner&) = delete;
  WrapperInner& operator=(const WrapperInner&) = delete;

  // Thread: any (see the core's operations for each one's thread)
  core::InstanceCore<P>& core() noexcept { return core_; }
  const core::InstanceCore<P>& core() const noexcept { return core_; }
  // Thread: any
  const ParamUnits& param_units() const noexcept { return param_units_; }

  // Runs the task now on the main thread, else queues it for the main run loop; false when the
  // queue was full and the task dropped. Never blocks. Thread: any
  bool schedule_gui(Task task) { return event_loop().schedule_gui(task); }

  // Thread: main, or the background worker for background tasks
  void execute(Task task, bool /*is_gui_thread*/) override {
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
        // Only an open plug-in view can ask the host for a size, and none opens yet.
        break;
    }
  }

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

  // Present for the instance's whole life. Thread: any
  MacOSEventLoop<Task>& event_loop() {
    if (!event_loop_) VESSIMOR_PANIC("The instance has no main-thread event loop");
    return *event_loop_;
  }
  // The instance's handle on the shared background worker, held by its event loop. Thread: any
  BackgroundThread<Task>& background_thread() { return event_loop().background_thread(); }

 private:
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

  // Destroyed in reverse order: the host's handler, then the event loop (no task runs after it),
  // then the plug-in and everything the core holds.
  core::InstanceCore<P> core_;
  const ParamUnits param_units_;
  std::optional<MacOSEventLoop<Task>> event_loop_;
  mutable std::mutex component_handler_mutex_;
  HostRef<abi::IComponentHandler> component_handler_;
};

}  // namespace vessimor::vst3
