// One wrapper instance of the test plug-in, created through the factory like a host would.
#pragma once

#include <memory>

#include "tests/wrapper/clap/fake_host.hpp"
#include "tests/wrapper/clap/test_plugin.hpp"
#include "wrapper/clap/entry.hpp"

namespace vessimor::test {

using TestFactory = clap::Factory<TestPlugin>;

inline const clap_plugin* create_test_plugin(const clap_host* host) {
  return TestFactory::create_plugin(&TestFactory::RECORD, host, "com.quorvane.wrapper-test");
}

// Host-side view of one instance; destroys it when it goes.
struct Instance {
  explicit Instance(bool with_editor = true, bool init = true) {
    probe().with_editor = with_editor;
    probe().clear_records();
    plugin = create_test_plugin(&host.host);
    if (init && plugin != nullptr) {
      plugin->init(plugin);
    }
  }
  ~Instance() { destroy(); }
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  void destroy() {
    if (plugin != nullptr) {
      plugin->destroy(plugin);
      plugin = nullptr;
    }
  }

  template <class T>
  const T* extension(const char* id) const {
    return static_cast<const T*>(plugin->get_extension(plugin, id));
  }
  const clap_plugin_params& params() const {
    return *extension<clap_plugin_params>(CLAP_EXT_PARAMS);
  }
  const clap_plugin_state& state() const { return *extension<clap_plugin_state>(CLAP_EXT_STATE); }

  bool activate(double rate = 48000.0, std::uint32_t max_frames = 1024) {
    return plugin->activate(plugin, rate, 1, max_frames);
  }

  clap_process_status process(StereoBlock& block, std::uint32_t frames,
                              const EventList* in = nullptr, const OutputList* out = nullptr,
                              const clap_event_transport* transport = nullptr) {
    return process_lists(block, frames, in != nullptr ? in->get() : nullptr,
                         out != nullptr ? out->get() : nullptr, transport);
  }
  // The same with the host's own event lists, which may be broken.
  clap_process_status process_lists(StereoBlock& block, std::uint32_t frames,
                                    const clap_input_events* in,
                                    const clap_output_events* out = nullptr,
                                    const clap_event_transport* transport = nullptr) {
    clap_process record{};
    record.frames_count = frames;
    record.transport = transport;
    record.audio_inputs = &block.buffer;
    record.audio_outputs = &block.buffer;
    record.audio_inputs_count = 1;
    record.audio_outputs_count = 1;
    record.in_events = in;
    record.out_events = out;
    return plugin->process(plugin, &record);
  }

  double value_of(clap_id id) const {
    double value = -1.0;
    params().get_value(plugin, id, &value);
    return value;
  }

  FakeHost host;
  const clap_plugin* plugin = nullptr;
};

// Host ids: the 31-bit hashes of the string ids.
inline constexpr clap_id GAIN_ID = 3165055;
inline constexpr clap_id COUNT_ID = 94851343;
inline constexpr clap_id ENABLED_ID = 537889601;
inline constexpr clap_id SHAPE_ID = 109399969;

}  // namespace vessimor::test
