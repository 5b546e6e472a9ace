// The VST3 module's exported functions. Loading the library runs no code of its own: the factory
// is built on each GetPluginFactory call.
#include "framework/panic.hpp"
#include "plugin/vessimor.hpp"
#include "wrapper/vst3/entry.hpp"
#include "wrapper/vst3/factory.hpp"

#if defined(__APPLE__)
#include <CoreFoundation/CoreFoundation.h>
#endif

#define VESSIMOR_VST3_EXPORT extern "C" __attribute__((visibility("default")))

VESSIMOR_VST3_EXPORT vessimor::vst3::abi::IPluginFactory* GetPluginFactory() noexcept {
  return vessimor::guard_entry(
      [] { return vessimor::vst3::Factory<vessimor::Vessimor>::create(); });
}

#if defined(__APPLE__)
VESSIMOR_VST3_EXPORT bool bundleEntry(CFBundleRef /*bundle*/) noexcept {
  return vessimor::vst3::module_entry();
}
VESSIMOR_VST3_EXPORT bool bundleExit() noexcept {
  return vessimor::vst3::module_exit();
}
#else
VESSIMOR_VST3_EXPORT bool ModuleEntry(void* /*library_handle*/) noexcept {
  return vessimor::vst3::module_entry();
}
VESSIMOR_VST3_EXPORT bool ModuleExit() noexcept {
  return vessimor::vst3::module_exit();
}
#endif
