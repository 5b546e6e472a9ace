// The GUI context an open editor receives from the VST3 view: parameter gestures become the host
// component handler's edits, and whole states are applied between audio blocks.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>

#include "framework/gui_context.hpp"
#include "framework/params/param_ptr.hpp"
#include "framework/state/plugin_state.hpp"
#include "wrapper/vst3/inner.hpp"

namespace vessimor::vst3 {

template <Vst3Plugin P>
class WrapperGuiContext final : public GuiContext {
 public:
  explicit WrapperGuiContext(std::shared_ptr<WrapperInner<P>> inner) : inner_(std::move(inner)) {}

  // Thread: main
  HostApi plugin_api() const override { return HostApi::vst3; }

  // Passed on to the open view from the main run loop. Thread: main
  bool request_resize() override {
    (void)inner_->schedule_gui(Task::resize());
    return true;
  }

  // Thread: main
  void raw_begin_set_parameter(ParamPtr param) override {
    with_handler(param, [](abi::IComponentHandler* handler, std::uint32_t hash) {
      handler->vtbl->beginEdit(handler, hash);
    });
  }

  // Sets the value at once unless the host processes (the host then hands it back in the next
  // process call, so that the audio thread stays the only writer), and tells the host. Only
  // values a host can record are sent: NaN is dropped, others are clamped to [0, 1].
  // Thread: main
  void raw_set_parameter_normalized(ParamPtr param, float normalized) override {
    if (std::isnan(normalized)) return;
    const float value = std::clamp(normalized, 0.0F, 1.0F);
    with_handler(param, [&](abi::IComponentHandler* handler, std::uint32_t hash) {
      if (!inner_->core().is_processing()) {
        (void)inner_->set_normalized_value_by_hash(hash, value);
      }
      handler->vtbl->performEdit(handler, hash, static_cast<abi::ParamValue>(value));
    });
  }

  // Thread: main
  void raw_end_set_parameter(ParamPtr param) override {
    with_handler(param, [](abi::IComponentHandler* handler, std::uint32_t hash) {
      handler->vtbl->endEdit(handler, hash);
    });
  }

  // Thread: any
  PluginState get_state() override { return inner_->core().state_object(); }

  // Thread: main
  void set_state(PluginState state) override { inner_->set_state_object_from_gui(state); }

 private:
  // Runs `call(handler, hash)` when the host has set a handler and the parameter is this
  // instance's; otherwise nothing happens.
  template <class Call>
  void with_handler(const ParamPtr& param, Call&& call) {
    const HostRef<abi::IComponentHandler> handler = inner_->component_handler();
    if (!handler) return;
    const std::optional<std::uint32_t> hash = inner_->core().tables().hash_of(param);
    if (!hash) return;
    std::forward<Call>(call)(handler.get(), *hash);
  }

  std::shared_ptr<WrapperInner<P>> inner_;
};

}  // namespace vessimor::vst3
