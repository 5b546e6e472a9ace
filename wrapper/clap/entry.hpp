// The library's face towards a CLAP host: the entry record, the one factory and its descriptor.
#pragma once

#include <cstring>
#include <string_view>

#include "framework/panic.hpp"
#include "framework/plugin.hpp"
#include "platform/clap/core.hpp"
#include "wrapper/clap/descriptor.hpp"
#include "wrapper/clap/wrapper.hpp"

namespace vessimor::clap {

// Installs the process-wide logger; the plug-in path is not used. Always true. Thread: main
bool init(const char* plugin_path) noexcept;
// Thread: main
void deinit() noexcept;

template <ClapPlugin P>
struct Factory {
  // Built on first use under a one-time guard, read-only afterwards. Thread: any
  static const PluginDescriptor& descriptor() {
    static const std::unique_ptr<PluginDescriptor> descriptor = PluginDescriptor::for_plugin<P>();
    return *descriptor;
  }

  // Thread: any
  static std::uint32_t get_plugin_count(const clap_plugin_factory* /*factory*/) noexcept {
    return guard_entry([] {
      (void)descriptor();
      return std::uint32_t{1};
    });
  }

  // Thread: any
  static const clap_plugin_descriptor* get_plugin_descriptor(const clap_plugin_factory* /*factory*/,
                                                             std::uint32_t index) noexcept {
    return guard_entry([index]() -> const clap_plugin_descriptor* {
      const PluginDescriptor& built = descriptor();
      return index == 0 ? built.clap_plugin_descriptor() : nullptr;
    });
  }

  // Thread: main
  static const clap_plugin* create_plugin(const clap_plugin_factory* /*factory*/,
                                          const clap_host* host, const char* plugin_id) noexcept {
    return guard_entry([host, plugin_id]() -> const clap_plugin* {
      if (plugin_id == nullptr || std::string_view(plugin_id) != descriptor().id()) {
        return nullptr;
      }
      // A host without its host record cannot be served; refuse instead of ending the process.
      if (host == nullptr) {
        return nullptr;
      }
      return Wrapper<P>::create(host)->clap_plugin_record();
    });
  }

  static constexpr clap_plugin_factory RECORD{&get_plugin_count, &get_plugin_descriptor,
                                              &create_plugin};

  // Thread: any
  static const void* get_factory(const char* factory_id) noexcept {
    if (factory_id == nullptr || std::strcmp(factory_id, CLAP_PLUGIN_FACTORY_ID) != 0) {
      return nullptr;
    }
    return &RECORD;
  }
};

// The entry record for plug-in type P, fit for a constant-initialised exported `clap_entry`.
template <ClapPlugin P>
constexpr clap_plugin_entry make_entry() noexcept {
  return clap_plugin_entry{CLAP_VERSION_DECLARED, &init, &deinit, &Factory<P>::get_factory};
}

}  // namespace vessimor::clap
