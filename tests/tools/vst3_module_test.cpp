// The built Vessimor.vst3 as a Linux VST3 host finds it: the bundle's library, its three exports,
// one factory per call, one described class and instances that come and go with their worker.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/apple/cf_run_loop.hpp"
#include "tests/tools/clap_fixture.hpp"
#include "tests/tools/command.hpp"
#include "tools/vst3_host/host.hpp"

namespace vessimor::test {
namespace {

namespace vst3 = tools::vst3;
namespace abi = vessimor::vst3::abi;

const std::string& vessimor_vst3_path() {
  static const std::string path = VESSIMOR_VST3_PATH;
  return path;
}

constexpr char CLASS_ID[16] = "QuoVessimorUnit";

TEST(Vst3Module, BundleHoldsTheLibraryThatExportsOnlyTheModuleFunctions) {
  const std::string library = vst3::bundle_library_path(vessimor_vst3_path());
  EXPECT_EQ(library.rfind(vessimor_vst3_path() + "/Contents/", 0), 0u) << library;
  EXPECT_TRUE(library.ends_with("-linux/Vessimor.so")) << library;
  ASSERT_TRUE(std::filesystem::is_regular_file(library));
  EXPECT_EQ(exported_symbols(library),
            (std::vector<std::string>{"GetPluginFactory:T", "ModuleEntry:T", "ModuleExit:T"}));
}

TEST(Vst3Module, LoadsAndPairsEntryAndExitAgain) {
  for (int round = 0; round < 3; ++round) {
    vst3::Vst3Module module(vessimor_vst3_path());
    EXPECT_EQ(module.symbol("clap_entry"), nullptr);
    EXPECT_EQ(module.symbol("CFRunLoopSourceCreate"), nullptr);
    // Every call builds a factory of its own.
    auto* get_factory =
        reinterpret_cast<abi::IPluginFactory* (*)()>(module.symbol("GetPluginFactory"));
    abi::IPluginFactory* another = get_factory();
    EXPECT_NE(another, module.factory());
    EXPECT_EQ(abi::unknown_of(another).release(another), 0u);
  }
}

TEST(Vst3Module, DescribesOneAudioEffectClassInUnicode) {
  vst3::Vst3Module module(vessimor_vst3_path());
  const abi::PFactoryInfo factory = module.factory_info();
  EXPECT_STREQ(factory.vendor, "Quorvane");
  EXPECT_EQ(factory.flags, abi::kUnicode);
  const std::vector<vst3::ClassInfo> classes = module.classes();
  ASSERT_EQ(classes.size(), 1u);
  EXPECT_EQ(std::memcmp(classes[0].info.cid, CLASS_ID, 16), 0);
  EXPECT_STREQ(classes[0].info.category, "Audio Module Class");
  ASSERT_TRUE(classes[0].info2 && classes[0].info_unicode);
  EXPECT_STREQ(classes[0].info2->subCategories, "Fx|Distortion");
  EXPECT_EQ(std::u16string(classes[0].info_unicode->name), u"Vessimor");
  EXPECT_EQ(std::u16string(classes[0].info_unicode->sdkVersion), u"VST 3.6.14");
}

TEST(Vst3Module, InstancesShareOneWorkerAndAttachToTheHostsRunLoop) {
  vst3::Vst3Module module(vessimor_vst3_path());
  ASSERT_EQ(await_threads_named("bg-worker", 0), 0) << "another instance is still alive";
  const std::size_t sources = platform::apple::main_run_loop_source_count();
  {
    vst3::Vst3Instance first(module, CLASS_ID);
    vst3::Vst3Instance second(module, CLASS_ID);
    // Each instance's main-thread source sits on this process's one main run loop.
    EXPECT_EQ(platform::apple::main_run_loop_source_count(), sources + 2);
    EXPECT_EQ(await_threads_named("bg-worker", 1), 1);
    const auto units = first.component().query<abi::IUnitInfo>();
    ASSERT_TRUE(units);
    EXPECT_EQ(vst3::call(units.get(), units->vtbl->getUnitCount), 0);
    vst3::run_main_loop_once();
  }
  EXPECT_EQ(platform::apple::main_run_loop_source_count(), sources);
  EXPECT_EQ(await_threads_named("bg-worker", 0), 0);
}

// A host's first look at the controller through the bundle: the parameter list, and no view, since
// the Linux module carries no editor.
TEST(Vst3Module, ControllerListsTheParametersAndHasNoView) {
  vst3::Vst3Module module(vessimor_vst3_path());
  vst3::Vst3Instance instance(module, CLASS_ID);
  const vst3::ComPtr<abi::IEditController>& controller = instance.controller();
  ASSERT_TRUE(controller);
  EXPECT_EQ(vst3::call(controller.get(), controller->vtbl->getParameterCount), 29);
  abi::ParameterInfo info{};
  ASSERT_EQ(vst3::call(controller.get(), controller->vtbl->getParameterInfo, 0, &info),
            abi::kResultOk);
  EXPECT_EQ(std::u16string(info.title), u"Input Gain");
  abi::String128 text{};
  ASSERT_EQ(
      vst3::call(controller.get(), controller->vtbl->getParamStringByValue, info.id, 1.0, text),
      abi::kResultOk);
  EXPECT_EQ(std::u16string(text), u"12.0");

  EXPECT_EQ(vst3::call(controller.get(), controller->vtbl->createView, "editor"), nullptr);
}

}  // namespace
}  // namespace vessimor::test
