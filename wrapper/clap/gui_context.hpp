// The GUI context an open editor receives: parameter edits go to the host as events (and reach the
// parameter when the host hands them back through process or flush), a whole state is loaded at
// once without waiting for the audio thread.
#pragma once

#include <algorithm>
#include <cmath>
#include <memory>

#include "framework/gui_context.hpp"
#include "framework/params/param_ptr.hpp"
#include "framework/state/state.hpp"
#include "wrapper/clap/host_units.hpp"
#include "wrapper/clap/task.hpp"

namespace vessimor::clap {

template <ClapPlugin P>
class Wrapper;

template <ClapPlugin P>
class WrapperGuiContext final : public GuiContext {
 public:
  explicit WrapperGuiContext(std::shared_ptr<Wrapper<P>> wrapper) : wrapper_(std::move(wrapper)) {}

  // Thread: main
  HostApi plugin_api() const override { return HostApi::clap; }

  // Thread: main
  bool request_resize() override { return wrapper_->request_resize(); }

  // Thread: main
  void raw_begin_set_parameter(ParamPtr param) override {
    if (const std::optional<std::uint32_t> hash = wrapper_->hash_of(param)) {
      wrapper_->queue_parameter_event({OutgoingParamEvent::Kind::gesture_begin, *hash, 0.0});
    }
  }

  // Thread: main
  void raw_set_parameter_normalized(ParamPtr param, float normalized) override {
    // The host records what we send: never a NaN, never a value outside the parameter's range.
    if (std::isnan(normalized)) {
      return;
    }
    const std::optional<std::uint32_t> hash = wrapper_->hash_of(param);
    if (!hash) {
      return;
    }
    const double value = host_value(param, std::clamp(normalized, 0.0F, 1.0F));
    wrapper_->queue_parameter_event({OutgoingParamEvent::Kind::value, *hash, value});
  }

  // Thread: main
  void raw_end_set_parameter(ParamPtr param) override {
    if (const std::optional<std::uint32_t> hash = wrapper_->hash_of(param)) {
      wrapper_->queue_parameter_event({OutgoingParamEvent::Kind::gesture_end, *hash, 0.0});
    }
  }

  // Thread: any
  PluginState get_state() override { return wrapper_->state_object(); }

  // Thread: main
  void set_state(PluginState state) override { wrapper_->set_state_object_from_gui(state); }

 private:
  std::shared_ptr<Wrapper<P>> wrapper_;
};

}  // namespace vessimor::clap
