// GUI, audio ports and configurations, render, remote controls and the GUI context.
#include <gtest/gtest.h>

#include "tests/wrapper/clap/instance.hpp"

namespace vessimor::test {
namespace {

TEST(ClapGui, CocoaEmbeddedOnlyOneEditorAtATime) {
  Instance instance;
  const auto* gui = instance.extension<clap_plugin_gui>(CLAP_EXT_GUI);
  ASSERT_NE(gui, nullptr);
  EXPECT_TRUE(gui->is_api_supported(instance.plugin, "cocoa", false));
  EXPECT_FALSE(gui->is_api_supported(instance.plugin, "cocoa", true));
  EXPECT_FALSE(gui->is_api_supported(instance.plugin, "x11", false));
  EXPECT_FALSE(gui->is_api_supported(instance.plugin, nullptr, false));
  const char* api = nullptr;
  bool floating = true;
  ASSERT_TRUE(gui->get_preferred_api(instance.plugin, &api, &floating));
  EXPECT_STREQ(api, "cocoa");
  EXPECT_FALSE(floating);

  EXPECT_FALSE(gui->create(instance.plugin, "x11", false));
  EXPECT_TRUE(gui->create(instance.plugin, "cocoa", false));
  EXPECT_TRUE(gui->create(instance.plugin, "cocoa", false));
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  ASSERT_TRUE(gui->get_size(instance.plugin, &width, &height));
  EXPECT_EQ(width, 900u);
  EXPECT_EQ(height, 600u);
  EXPECT_TRUE(gui->set_size(instance.plugin, 900, 600));
  EXPECT_FALSE(gui->set_size(instance.plugin, 901, 600));
  EXPECT_FALSE(gui->set_scale(instance.plugin, 2.0));
  EXPECT_FALSE(gui->can_resize(instance.plugin));
  EXPECT_FALSE(gui->show(instance.plugin));

  clap_window other{CLAP_WINDOW_API_X11, {nullptr}};
  EXPECT_FALSE(gui->set_parent(instance.plugin, &other));
  EXPECT_FALSE(gui->set_parent(instance.plugin, nullptr));
  clap_window window{CLAP_WINDOW_API_COCOA, {nullptr}};
  ASSERT_TRUE(gui->set_parent(instance.plugin, &window));
  EXPECT_FALSE(gui->set_parent(instance.plugin, &window));
  EXPECT_FALSE(gui->create(instance.plugin, "cocoa", false));
  EXPECT_EQ(editor_log().open_handles, 1);

  auto context = editor_log().context;
  EXPECT_EQ(context->plugin_api(), HostApi::clap);
  EXPECT_TRUE(context->request_resize());
  EXPECT_EQ(instance.host.last_resize_height, 600u);
  context.reset();

  gui->destroy(instance.plugin);
  EXPECT_EQ(editor_log().open_handles, 0);
  gui->destroy(instance.plugin);
  EXPECT_TRUE(gui->create(instance.plugin, "cocoa", false));
}

TEST(ClapGui, EditorHearsHostChangesWhileOpen) {
  Instance instance;
  EventList change;
  change.param_value(0, SHAPE_ID, 1.0);
  editor_log().values.clear();
  instance.params().flush(instance.plugin, change.get(), nullptr);
  EXPECT_TRUE(editor_log().values.empty());  // closed: nothing to tell

  const auto* gui = instance.extension<clap_plugin_gui>(CLAP_EXT_GUI);
  clap_window window{CLAP_WINDOW_API_COCOA, {nullptr}};
  ASSERT_TRUE(gui->set_parent(instance.plugin, &window));
  EventList again;
  again.param_value(0, SHAPE_ID, 2.0);
  again.param_mod(0, GAIN_ID, 0.125);
  instance.params().flush(instance.plugin, again.get(), nullptr);
  ASSERT_EQ(editor_log().values.size(), 1u);
  EXPECT_EQ(editor_log().values[0].first, "shape");
  EXPECT_FLOAT_EQ(editor_log().values[0].second, 0.5F);
  ASSERT_FALSE(editor_log().modulations.empty());
  EXPECT_EQ(editor_log().modulations.back().first, "gain");
}

TEST(ClapPorts, OneStereoPairEachTheOthersInPlacePartner) {
  Instance instance;
  const auto* ports = instance.extension<clap_plugin_audio_ports>(CLAP_EXT_AUDIO_PORTS);
  EXPECT_EQ(ports->count(instance.plugin, true), 1u);
  EXPECT_EQ(ports->count(instance.plugin, false), 1u);
  clap_audio_port_info info{};
  ASSERT_TRUE(ports->get(instance.plugin, 0, true, &info));
  EXPECT_EQ(info.id, 0u);
  EXPECT_STREQ(info.name, "Input");
  EXPECT_EQ(info.flags, CLAP_AUDIO_PORT_IS_MAIN);
  EXPECT_EQ(info.channel_count, 2u);
  EXPECT_STREQ(info.port_type, "stereo");
  EXPECT_EQ(info.in_place_pair, 1u);
  ASSERT_TRUE(ports->get(instance.plugin, 0, false, &info));
  EXPECT_EQ(info.id, 1u);
  EXPECT_STREQ(info.name, "Output");
  EXPECT_EQ(info.in_place_pair, 0u);
  EXPECT_FALSE(ports->get(instance.plugin, 1, false, &info));

  const auto* configs =
      instance.extension<clap_plugin_audio_ports_config>(CLAP_EXT_AUDIO_PORTS_CONFIG);
  EXPECT_EQ(configs->count(instance.plugin), 1u);
  clap_audio_ports_config config{};
  ASSERT_TRUE(configs->get(instance.plugin, 0, &config));
  EXPECT_STREQ(config.name, "Stereo");
  EXPECT_TRUE(config.has_main_input);
  EXPECT_EQ(config.main_output_channel_count, 2u);
  EXPECT_STREQ(config.main_output_port_type, "stereo");
  EXPECT_FALSE(configs->get(instance.plugin, 1, &config));
  EXPECT_TRUE(configs->select(instance.plugin, 0));
  EXPECT_FALSE(configs->select(instance.plugin, 1));
}

TEST(ClapSmallExtensions, RenderRemoteControlsLatencyTail) {
  Instance instance;
  const auto* render = instance.extension<clap_plugin_render>(CLAP_EXT_RENDER);
  EXPECT_FALSE(render->has_hard_realtime_requirement(instance.plugin));
  EXPECT_TRUE(render->set(instance.plugin, CLAP_RENDER_OFFLINE));
  EXPECT_TRUE(render->set(instance.plugin, 7));
  const auto* remote = instance.extension<clap_plugin_remote_controls>(CLAP_EXT_REMOTE_CONTROLS);
  EXPECT_EQ(remote->count(instance.plugin), 0u);
  clap_remote_controls_page page{};
  EXPECT_FALSE(remote->get(instance.plugin, 0, &page));
  EXPECT_EQ(instance.extension<clap_plugin_latency>(CLAP_EXT_LATENCY)->get(instance.plugin), 0u);
  EXPECT_EQ(instance.extension<clap_plugin_tail>(CLAP_EXT_TAIL)->get(instance.plugin), 0u);
}

TEST(ClapSmallExtensions, RenderModeReachesThePluginAtTheNextActivation) {
  Instance instance;
  const auto* render = instance.extension<clap_plugin_render>(CLAP_EXT_RENDER);
  ASSERT_TRUE(render->set(instance.plugin, CLAP_RENDER_OFFLINE));
  ASSERT_TRUE(instance.activate(48000.0, 512));
  EXPECT_EQ(probe().initialized_mode.load(), ProcessMode::offline);
  EXPECT_EQ(probe().initialized_max_block.load(), 512u);

  // Switching back takes effect only when the host activates again.
  instance.plugin->deactivate(instance.plugin);
  ASSERT_TRUE(render->set(instance.plugin, CLAP_RENDER_REALTIME));
  EXPECT_EQ(probe().initialized_mode.load(), ProcessMode::offline);
  ASSERT_TRUE(instance.activate(48000.0, 256));
  EXPECT_EQ(probe().initialized_mode.load(), ProcessMode::realtime);
  EXPECT_EQ(probe().initialized_max_block.load(), 256u);
}

}  // namespace
}  // namespace vessimor::test
