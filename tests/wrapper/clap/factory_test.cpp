// Entry, factory and descriptor as a host sees them.
#include <gtest/gtest.h>

#include <string>

#include "tests/wrapper/clap/instance.hpp"

namespace vessimor::test {
namespace {

constexpr clap_plugin_entry ENTRY = clap::make_entry<TestPlugin>();

TEST(ClapFactory, OnlyTheExactFactoryIdGivesTheFactory) {
  ASSERT_TRUE(ENTRY.init("/nowhere/Test.clap"));
  EXPECT_EQ(ENTRY.clap_version.major, 1u);
  EXPECT_EQ(ENTRY.clap_version.minor, 2u);
  EXPECT_EQ(ENTRY.clap_version.revision, 2u);
  EXPECT_NE(ENTRY.get_factory("clap.plugin-factory"), nullptr);
  EXPECT_EQ(ENTRY.get_factory("clap.plugin-factoryx"), nullptr);
  EXPECT_EQ(ENTRY.get_factory("clap.plugin-factor"), nullptr);
  EXPECT_EQ(ENTRY.get_factory(""), nullptr);
  EXPECT_EQ(ENTRY.get_factory(nullptr), nullptr);
  ENTRY.deinit();
}

TEST(ClapFactory, OneDescriptorWithThePluginsTexts) {
  const auto* factory =
      static_cast<const clap_plugin_factory*>(ENTRY.get_factory(CLAP_PLUGIN_FACTORY_ID));
  EXPECT_EQ(factory->get_plugin_count(factory), 1u);
  EXPECT_EQ(factory->get_plugin_descriptor(factory, 1), nullptr);
  const clap_plugin_descriptor* descriptor = factory->get_plugin_descriptor(factory, 0);
  ASSERT_NE(descriptor, nullptr);
  EXPECT_EQ(descriptor, factory->get_plugin_descriptor(factory, 0));
  EXPECT_STREQ(descriptor->id, "com.quorvane.wrapper-test");
  EXPECT_STREQ(descriptor->name, "Wrapper Test");
  EXPECT_STREQ(descriptor->vendor, "Quorvane");
  EXPECT_STREQ(descriptor->url, "https://quorvane.com");
  EXPECT_STREQ(descriptor->version, "0.1.0");
  EXPECT_STREQ(descriptor->description, "A gain for testing the wrapper");
  EXPECT_EQ(descriptor->manual_url, nullptr);
  EXPECT_EQ(descriptor->support_url, nullptr);
  EXPECT_EQ(descriptor->clap_version.minor, 2u);
  ASSERT_NE(descriptor->features, nullptr);
  EXPECT_STREQ(descriptor->features[0], "audio-effect");
  EXPECT_STREQ(descriptor->features[1], "stereo");
  EXPECT_STREQ(descriptor->features[2], "distortion");
  EXPECT_EQ(descriptor->features[3], nullptr);
}

TEST(ClapFactory, CreatesOnlyForTheExactIdAndARealHost) {
  FakeHost host;
  const auto* factory = &TestFactory::RECORD;
  EXPECT_EQ(factory->create_plugin(factory, &host.host, "com.quorvane.wrapper-test2"), nullptr);
  EXPECT_EQ(factory->create_plugin(factory, &host.host, "com.quorvane.wrapper-tes"), nullptr);
  EXPECT_EQ(factory->create_plugin(factory, &host.host, ""), nullptr);
  EXPECT_EQ(factory->create_plugin(factory, &host.host, nullptr), nullptr);
  // No host record: refused instead of ending the process.
  EXPECT_EQ(factory->create_plugin(factory, nullptr, "com.quorvane.wrapper-test"), nullptr);
  EXPECT_EQ(probe().live_plugins.load(), 0);

  const clap_plugin* plugin =
      factory->create_plugin(factory, &host.host, "com.quorvane.wrapper-test");
  ASSERT_NE(plugin, nullptr);
  EXPECT_STREQ(plugin->desc->id, "com.quorvane.wrapper-test");
  EXPECT_NE(plugin->plugin_data, nullptr);
  plugin->destroy(plugin);
  EXPECT_EQ(probe().live_plugins.load(), 0);
}

TEST(ClapFactory, AnInstanceWithoutAHostIsABrokenInvariant) {
  try {
    (void)clap::Wrapper<TestPlugin>::create(nullptr);
    FAIL() << "an instance was built without a host";
  } catch (const std::exception& failure) {
    EXPECT_STREQ(failure.what(), "assertion failed: !host_callback.is_null()");
  }
  EXPECT_EQ(probe().live_plugins.load(), 0);
}

struct BadName : TestPlugin {
  static constexpr std::string_view NAME{"Bad\0Name", 8};
};

TEST(ClapDescriptor, TextsWithZeroBytesAreRefused) {
  try {
    (void)clap::PluginDescriptor::for_plugin<BadName>();
    FAIL() << "a zero byte was accepted";
  } catch (const std::exception& failure) {
    EXPECT_STREQ(failure.what(), "`NAME` contained null bytes");
  }
}

}  // namespace
}  // namespace vessimor::test
