// Our own VST3 host: loads a .vst3 bundle the way the Linux module rules say, reads its factory and
// class information, and creates, queries and releases plug-in instances.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/vst3/vst3.hpp"
#include "tools/clap_host/host_error.hpp"

namespace vessimor::tools::vst3 {

namespace abi = vessimor::vst3::abi;

// A counted reference on a plug-in object, released when dropped.
template <class Interface>
class ComPtr {
 public:
  ComPtr() = default;
  // Takes over a reference the caller already holds.
  static ComPtr adopt(Interface* object) noexcept {
    ComPtr ptr;
    ptr.object_ = object;
    return ptr;
  }
  ~ComPtr() { reset(); }
  ComPtr(const ComPtr& other) noexcept : object_(other.object_) {
    if (object_ != nullptr) abi::unknown_of(object_).addRef(object_);
  }
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }

  void reset() noexcept {
    if (object_ != nullptr) abi::unknown_of(object_).release(std::exchange(object_, nullptr));
  }
  Interface* get() const noexcept { return object_; }
  Interface* operator->() const noexcept { return object_; }
  explicit operator bool() const noexcept { return object_ != nullptr; }

  // The object's face for another interface, or null when it does not offer it.
  template <class Other>
  ComPtr<Other> query() const {
    void* face = nullptr;
    if (object_ == nullptr || abi::unknown_of(object_).queryInterface(object_, Other::iid.data(),
                                                                      &face) != abi::kResultOk) {
      return {};
    }
    return ComPtr<Other>::adopt(static_cast<Other*>(face));
  }

 private:
  Interface* object_ = nullptr;
};

// Calls a slot of an interface's function table with the object as its first argument.
template <class Interface, class Slot, class... Args>
decltype(auto) call(Interface* object, Slot slot, Args&&... args) {
  return (*slot)(static_cast<void*>(object), std::forward<Args>(args)...);
}

// What a host reads about one class.
struct ClassInfo {
  abi::PClassInfo info{};
  std::optional<abi::PClassInfo2> info2;
  std::optional<abi::PClassInfoW> info_unicode;
};

// The library inside a bundle: <bundle>/Contents/<machine>-linux/<name>.so, <name> being the
// bundle's folder name without ".vst3". Thread: any
std::string bundle_library_path(const std::string& bundle_path);

// One loaded bundle: dlopen with RTLD_NOW | RTLD_LOCAL (every symbol resolved at load, none leaked
// into the host), the three exports looked up (any missing: refused), ModuleEntry called with the
// library handle (false: refused), GetPluginFactory called (null: refused). Unloading releases
// the factory, calls ModuleExit and closes the handle; the image itself stays mapped.
class Vst3Module {
 public:
  // Throws HostError naming the path and the step that failed.
  explicit Vst3Module(const std::string& bundle_path);
  ~Vst3Module();
  Vst3Module(const Vst3Module&) = delete;
  Vst3Module& operator=(const Vst3Module&) = delete;

  const std::string& library_path() const { return library_path_; }
  abi::IPluginFactory* factory() const { return factory_.get(); }
  // dlsym on the loaded library (null when the symbol is not exported).
  void* symbol(const char* name) const;

  // Thread: main
  abi::PFactoryInfo factory_info() const;
  // Every class, with the second and Unicode records when the factory offers them. Thread: main
  std::vector<ClassInfo> classes() const;

 private:
  std::string library_path_;
  void* handle_ = nullptr;
  bool (*module_exit_)() = nullptr;
  ComPtr<abi::IPluginFactory> factory_;
};

// One plug-in instance created as a host creates it: the component first, then the faces a host
// queries from it. Released in the opposite order when dropped.
class Vst3Instance {
 public:
  // Throws HostError when the factory refuses.
  Vst3Instance(const Vst3Module& module, const char* class_id);

  const ComPtr<abi::IComponent>& component() const { return component_; }
  const ComPtr<abi::IAudioProcessor>& processor() const { return processor_; }
  const ComPtr<abi::IEditController>& controller() const { return controller_; }

 private:
  ComPtr<abi::IComponent> component_;
  ComPtr<abi::IAudioProcessor> processor_;
  ComPtr<abi::IEditController> controller_;
};

// Serves the main-thread work that plug-ins queued from other threads: one turn of the main run
// loop, as a macOS host's run loop takes between events. Thread: main
void run_main_loop_once();

}  // namespace vessimor::tools::vst3
