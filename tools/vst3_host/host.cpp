#include "tools/vst3_host/host.hpp"

#include <dlfcn.h>
#include <sys/utsname.h>

#include <filesystem>

#include "platform/run_loop.hpp"

namespace vessimor::tools::vst3 {

std::string bundle_library_path(const std::string& bundle_path) {
  std::filesystem::path bundle(bundle_path);
  if (!bundle.has_filename()) bundle = bundle.parent_path();  // a trailing "/"
  utsname machine{};
  if (uname(&machine) != 0) throw HostError("cannot tell this machine's architecture");
  return (bundle / "Contents" / (std::string(machine.machine) + "-linux") /
          (bundle.stem().string() + ".so"))
      .string();
}

Vst3Module::Vst3Module(const std::string& bundle_path)
    : library_path_(bundle_library_path(bundle_path)) {
  // RTLD_NODELETE: closing never unmaps the code, since threads the plug-in started may still be
  // finishing when the host lets go; like most hosts we keep the image for the process.
  handle_ = dlopen(library_path_.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (handle_ == nullptr) {
    const char* why = dlerror();
    throw HostError("cannot load plug-in '" + library_path_ +
                    "': " + (why ? why : "unknown error"));
  }
  auto* entry = reinterpret_cast<bool (*)(void*)>(dlsym(handle_, "ModuleEntry"));
  module_exit_ = reinterpret_cast<bool (*)()>(dlsym(handle_, "ModuleExit"));
  auto* get_factory =
      reinterpret_cast<abi::IPluginFactory* (*)()>(dlsym(handle_, "GetPluginFactory"));
  if (entry == nullptr || module_exit_ == nullptr || get_factory == nullptr) {
    dlclose(handle_);
    throw HostError("'" + library_path_ +
                    "' is not a VST3 module (ModuleEntry, ModuleExit or GetPluginFactory missing)");
  }
  if (!entry(handle_)) {
    dlclose(handle_);
    throw HostError("'" + library_path_ + "' refused to initialise");
  }
  factory_ = ComPtr<abi::IPluginFactory>::adopt(get_factory());
  if (!factory_) {
    module_exit_();
    dlclose(handle_);
    throw HostError("'" + library_path_ + "' offers no plug-in factory");
  }
}

Vst3Module::~Vst3Module() {
  factory_.reset();
  module_exit_();
  dlclose(handle_);
}

void* Vst3Module::symbol(const char* name) const {
  return dlsym(handle_, name);
}

abi::PFactoryInfo Vst3Module::factory_info() const {
  abi::PFactoryInfo info{};
  if (call(factory(), factory()->vtbl->getFactoryInfo, &info) != abi::kResultOk) {
    throw HostError("the factory gives no factory information");
  }
  return info;
}

std::vector<ClassInfo> Vst3Module::classes() const {
  const ComPtr<abi::IPluginFactory2> factory2 = factory_.query<abi::IPluginFactory2>();
  // A factory that declares Unicode texts is read through its third face.
  const ComPtr<abi::IPluginFactory3> factory3 = (factory_info().flags & abi::kUnicode) != 0
                                                    ? factory_.query<abi::IPluginFactory3>()
                                                    : ComPtr<abi::IPluginFactory3>();
  std::vector<ClassInfo> classes;
  const std::int32_t count = call(factory(), factory()->vtbl->countClasses);
  for (std::int32_t index = 0; index < count; ++index) {
    ClassInfo entry;
    if (call(factory(), factory()->vtbl->getClassInfo, index, &entry.info) != abi::kResultOk) {
      throw HostError("the factory gives no information on class " + std::to_string(index));
    }
    abi::PClassInfo2 info2{};
    if (factory2 &&
        call(factory2.get(), factory2->vtbl->getClassInfo2, index, &info2) == abi::kResultOk) {
      entry.info2 = info2;
    }
    abi::PClassInfoW info_unicode{};
    if (factory3 && call(factory3.get(), factory3->vtbl->getClassInfoUnicode, index,
                         &info_unicode) == abi::kResultOk) {
      entry.info_unicode = info_unicode;
    }
    classes.push_back(entry);
  }
  return classes;
}

Vst3Instance::Vst3Instance(const Vst3Module& module, const char* class_id) {
  void* component = nullptr;
  abi::IPluginFactory* factory = module.factory();
  if (call(factory, factory->vtbl->createInstance, class_id, abi::IComponent::iid.data(),
           &component) != abi::kResultOk ||
      component == nullptr) {
    throw HostError("the factory refused to create the plug-in");
  }
  component_ = ComPtr<abi::IComponent>::adopt(static_cast<abi::IComponent*>(component));
  processor_ = component_.query<abi::IAudioProcessor>();
  controller_ = component_.query<abi::IEditController>();
  if (!processor_ || !controller_) {
    throw HostError("the plug-in is not a single-component audio effect");
  }
}

void run_main_loop_once() {
  CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, false);
}

}  // namespace vessimor::tools::vst3
