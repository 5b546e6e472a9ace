#pragma once

#include <cstdint>

#include "framework/params/param_ptr.hpp"
#include "framework/state/plugin_state.hpp"

namespace vessimor {

// Which wrapper hosts an instance.
enum class HostApi : std::uint32_t {
  clap = 0,
  vst3 = 2,
};

// What an editor may ask of the wrapper that hosts it. Implemented by each wrapper and shared
// with the open editor. Handles that the wrapper does not know are ignored by the three raw
// parameter calls.
class GuiContext {
 public:
  virtual ~GuiContext() = default;

  // Thread: main
  virtual HostApi plugin_api() const = 0;
  // Asks the host to adopt the editor's current size; true when the request was passed on.
  // Thread: main
  virtual bool request_resize() = 0;
  // Starts a user gesture on the parameter. Thread: main
  virtual void raw_begin_set_parameter(ParamPtr param) = 0;
  // Sets the parameter's normalised value and informs the host. Thread: main
  virtual void raw_set_parameter_normalized(ParamPtr param, float normalized) = 0;
  // Ends the gesture started by `raw_begin_set_parameter`. Thread: main
  virtual void raw_end_set_parameter(ParamPtr param) = 0;
  // Thread: any
  virtual PluginState get_state() = 0;
  // Applies a whole state, between audio blocks while processing. Thread: main
  virtual void set_state(PluginState state) = 0;
};

}  // namespace vessimor
