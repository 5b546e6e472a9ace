// The built Vessimor.clap as a CLAP host finds it: one exported entry, one factory, one plug-in.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "plugin/identity.hpp"
#include "tests/tools/clap_fixture.hpp"
#include "tests/tools/command.hpp"

namespace vessimor::test {
namespace {

using tools::PluginModule;

TEST(ClapModule, ExportsOnlyTheEntryRecordAsData) {
  // "D" (initialised data) or "R" (read-only data): a record, never code run at load.
  const auto symbols = exported_symbols(vessimor_clap_path());
  ASSERT_EQ(symbols.size(), 1u) << "exported: " << ::testing::PrintToString(symbols);
  EXPECT_TRUE(symbols[0] == "clap_entry:D" || symbols[0] == "clap_entry:R") << symbols[0];
}

TEST(ClapModule, LoadsWithEveryReferenceResolvedAndHidesItsInternals) {
  void* handle = dlopen(vessimor_clap_path().c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();
  EXPECT_NE(dlsym(handle, "clap_entry"), nullptr);
  EXPECT_EQ(dlsym(handle, "GetPluginFactory"), nullptr);
  EXPECT_EQ(dlsym(handle, "clap_init"), nullptr);
  const auto* entry = static_cast<const clap_plugin_entry*>(dlsym(handle, "clap_entry"));
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->clap_version.major, 1u);
  EXPECT_EQ(entry->clap_version.minor, 2u);
  EXPECT_EQ(entry->clap_version.revision, 2u);
  EXPECT_NE(entry->init, nullptr);
  EXPECT_NE(entry->deinit, nullptr);
  EXPECT_NE(entry->get_factory, nullptr);
  dlclose(handle);
}

TEST(ClapModule, InitDeinitPairsMayRepeat) {
  for (int round = 0; round < 3; ++round) {
    PluginModule module(vessimor_clap_path());
    EXPECT_EQ(module.factory().get_plugin_count(&module.factory()), 1u);
  }
  // Two modules loaded at once share the library; each pairs its own init and deinit.
  PluginModule first(vessimor_clap_path());
  PluginModule second(vessimor_clap_path());
  EXPECT_EQ(&first.factory(), &second.factory());
}

TEST(ClapModule, FactoryAnswersOnlyItsExactId) {
  PluginModule module(vessimor_clap_path());
  const clap_plugin_entry& entry = module.entry();
  EXPECT_NE(entry.get_factory("clap.plugin-factory"), nullptr);
  EXPECT_EQ(entry.get_factory(nullptr), nullptr);
  EXPECT_EQ(entry.get_factory(""), nullptr);
  EXPECT_EQ(entry.get_factory("clap.plugin-factory2"), nullptr);
  EXPECT_EQ(entry.get_factory("clap.plugin-factor"), nullptr);
  EXPECT_EQ(entry.get_factory("clap.preset-discovery-factory"), nullptr);
}

TEST(ClapModule, OffersOneDescribedPlugin) {
  PluginModule module(vessimor_clap_path());
  const clap_plugin_factory& factory = module.factory();
  ASSERT_EQ(factory.get_plugin_count(&factory), 1u);
  EXPECT_EQ(factory.get_plugin_descriptor(&factory, 1), nullptr);
  const clap_plugin_descriptor* descriptor = factory.get_plugin_descriptor(&factory, 0);
  ASSERT_NE(descriptor, nullptr);
  EXPECT_EQ(descriptor, factory.get_plugin_descriptor(&factory, 0));

  EXPECT_EQ(descriptor->clap_version.major, 1u);
  EXPECT_EQ(descriptor->clap_version.minor, 2u);
  EXPECT_EQ(descriptor->clap_version.revision, 2u);
  EXPECT_EQ(std::string(descriptor->id), VessimorIdentity::CLAP_ID);
  EXPECT_STREQ(descriptor->name, "Vessimor");
  EXPECT_STREQ(descriptor->vendor, "Quorvane");
  EXPECT_EQ(std::string(descriptor->url), VessimorIdentity::URL);
  EXPECT_EQ(descriptor->manual_url, nullptr);
  EXPECT_EQ(descriptor->support_url, nullptr);
  EXPECT_STREQ(descriptor->version, "0.1.0");
  EXPECT_STREQ(descriptor->description, "Ring modulator with granular-inspired carrier modes");
  EXPECT_EQ(tools::descriptor_features(*descriptor),
            (std::vector<std::string>{"audio-effect", "stereo", "distortion"}));
  EXPECT_EQ(descriptor->features[3], nullptr);
}

TEST(ClapModule, CreatesOnlyForTheExactPluginId) {
  PluginModule module(vessimor_clap_path());
  const clap_plugin_factory& factory = module.factory();
  const std::string id(VessimorIdentity::CLAP_ID);
  tools::PluginInstance probe(module);  // supplies a valid host record
  for (const std::string& wrong :
       {id + "x", id + " ", id.substr(0, id.size() - 1), std::string()}) {
    EXPECT_EQ(factory.create_plugin(&factory, probe.host(), wrong.c_str()), nullptr) << wrong;
  }
  EXPECT_EQ(factory.create_plugin(&factory, probe.host(), nullptr), nullptr);
  EXPECT_EQ(factory.create_plugin(&factory, nullptr, id.c_str()), nullptr);

  const clap_plugin* plugin = factory.create_plugin(&factory, probe.host(), id.c_str());
  ASSERT_NE(plugin, nullptr);
  EXPECT_EQ(std::string(plugin->desc->id), id);
  plugin->destroy(plugin);
}

}  // namespace
}  // namespace vessimor::test
