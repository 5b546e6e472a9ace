// Creation, the lifecycle calls, the extension table and main-thread tasks.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "tests/support/wait.hpp"
#include "tests/wrapper/clap/instance.hpp"

namespace vessimor::test {
namespace {

TEST(ClapLifecycle, EveryLegalOrderRunsAndFreesTheInstance) {
  {
    Instance instance;
    ASSERT_NE(instance.plugin, nullptr);
    EXPECT_EQ(probe().live_plugins.load(), 1);
    for (int cycle = 0; cycle < 2; ++cycle) {
      ASSERT_TRUE(instance.activate(44100.0 * (cycle + 1), 256));
      EXPECT_FLOAT_EQ(probe().initialized_rate.load(), static_cast<float>(44100.0 * (cycle + 1)));
      for (int run = 0; run < 2; ++run) {
        const int resets = probe().reset_calls.load();
        ASSERT_TRUE(instance.plugin->start_processing(instance.plugin));
        EXPECT_EQ(probe().reset_calls.load(), resets + 1);
        EXPECT_TRUE(probe().reset_flushed_to_zero.load());
        StereoBlock block(256);
        EXPECT_EQ(instance.process(block, 256), CLAP_PROCESS_CONTINUE_IF_NOT_QUIET);
        ASSERT_FALSE(probe().records.empty());
        EXPECT_TRUE(probe().records.back().flush_to_zero);
        EXPECT_FALSE(ScopedFlushToZero::active());
        instance.plugin->reset(instance.plugin);
        EXPECT_EQ(probe().reset_calls.load(), resets + 2);
        instance.plugin->stop_processing(instance.plugin);
      }
      instance.plugin->deactivate(instance.plugin);
    }
  }
  EXPECT_EQ(probe().live_plugins.load(), 0);

  // Destroyed right after creation, without init.
  Instance bare(true, false);
  bare.destroy();
  EXPECT_EQ(probe().live_plugins.load(), 0);
}

TEST(ClapLifecycle, NullRecordsGetNeutralAnswers) {
  Instance instance;
  clap_plugin broken = *instance.plugin;
  broken.plugin_data = nullptr;
  EXPECT_FALSE(broken.init(&broken));
  EXPECT_FALSE(broken.activate(&broken, 48000.0, 1, 64));
  EXPECT_FALSE(broken.start_processing(&broken));
  EXPECT_EQ(broken.process(&broken, nullptr), CLAP_PROCESS_ERROR);
  EXPECT_EQ(broken.get_extension(&broken, CLAP_EXT_PARAMS), nullptr);
  broken.destroy(&broken);
  broken.destroy(nullptr);
  broken.on_main_thread(nullptr);
  EXPECT_EQ(instance.plugin->process(instance.plugin, nullptr), CLAP_PROCESS_ERROR);
  EXPECT_EQ(probe().live_plugins.load(), 1);
}

TEST(ClapLifecycle, ExtensionTableAnswersExactIdsOnly) {
  Instance instance;
  const auto ask = [&](const char* id) {
    return instance.plugin->get_extension(instance.plugin, id);
  };
  for (const char* id :
       {"clap.audio-ports-config", "clap.audio-ports", "clap.gui", "clap.latency", "clap.params",
        "clap.remote-controls/2", "clap.render", "clap.state", "clap.tail"}) {
    EXPECT_NE(ask(id), nullptr) << id;
  }
  for (const char* id : {"clap.note-ports", "clap.voice-info", "clap.remote-controls",
                         "clap.audio-ports-configx", "", "clap.remote-controls.draft/2"}) {
    EXPECT_EQ(ask(id), nullptr) << id;
  }
  EXPECT_EQ(ask(nullptr), nullptr);

  Instance without_editor(false);
  EXPECT_EQ(without_editor.plugin->get_extension(without_editor.plugin, "clap.gui"), nullptr);
}

TEST(ClapLifecycle, TwoInstancesShareOneWorkerThatEndsWithTheLast) {
  // The worker's thread is found by name through the kernel's task list.
  const auto count_workers = [] {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) {
      std::ifstream comm(entry.path() / "comm");
      std::string name;
      std::getline(comm, name);
      count += name == "bg-worker" ? 1 : 0;
    }
    return count;
  };
  // The worker names itself once it runs, and a joined thread may still be listed for a moment
  // while the kernel finishes its exit: wait, bounded, for the count to settle.
  const auto settle_at = [&](int expected) {
    for (int tries = 0; tries < 1000 && count_workers() != expected; ++tries) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return count_workers();
  };
  const int before = count_workers();
  {
    Instance first;
    Instance second;
    EXPECT_EQ(settle_at(before + 1), before + 1);
  }
  EXPECT_EQ(settle_at(before), before);
}

TEST(ClapLifecycle, DestroyWithAnOpenEditorClosesItAndFreesTheInstance) {
  Instance instance;
  const auto* gui = instance.extension<clap_plugin_gui>(CLAP_EXT_GUI);
  ASSERT_NE(gui, nullptr);
  ASSERT_TRUE(gui->create(instance.plugin, CLAP_WINDOW_API_COCOA, false));
  clap_window window{};
  window.api = CLAP_WINDOW_API_COCOA;
  window.cocoa = &window;
  ASSERT_TRUE(gui->set_parent(instance.plugin, &window));
  EXPECT_EQ(editor_log().open_handles, 1);
  instance.destroy();
  EXPECT_EQ(editor_log().open_handles, 0);
  EXPECT_EQ(probe().live_plugins.load(), 0);

  // Also when the editor object itself keeps the context after closing.
  editor_log().editors_keep_context = true;
  Instance keeping;
  const auto* keeping_gui = keeping.extension<clap_plugin_gui>(CLAP_EXT_GUI);
  ASSERT_TRUE(keeping_gui->set_parent(keeping.plugin, &window));
  keeping.destroy();
  editor_log().editors_keep_context = false;
  EXPECT_EQ(editor_log().open_handles, 0);
  EXPECT_EQ(probe().live_plugins.load(), 0);
}

TEST(ClapLifecycle, OffMainThreadTasksWaitForTheHostCallback) {
  Instance instance;
  ASSERT_TRUE(instance.activate());
  EventList events;
  events.param_value(0, GAIN_ID, 0.25);
  run_on_another_thread("a block on the audio thread", [&] {
    StereoBlock block(64);
    instance.process(block, 64, &events);
  });
  EXPECT_EQ(instance.host.request_callback_calls, 1);

  // Editor open: the queued notice reaches it at the host's callback.
  const auto* gui = instance.extension<clap_plugin_gui>(CLAP_EXT_GUI);
  clap_window window{CLAP_WINDOW_API_COCOA, {nullptr}};
  ASSERT_TRUE(gui->set_parent(instance.plugin, &window));
  editor_log().values.clear();
  instance.plugin->on_main_thread(instance.plugin);
  ASSERT_EQ(editor_log().values.size(), 1u);
  EXPECT_EQ(editor_log().values[0].first, "gain");
  EXPECT_FLOAT_EQ(editor_log().values[0].second, 0.25F);

  // On the creating thread the notice runs at once, without a callback.
  StereoBlock block(64);
  EventList later;
  later.param_value(0, GAIN_ID, 0.75);
  instance.process(block, 64, &later);
  EXPECT_EQ(instance.host.request_callback_calls, 1);
  EXPECT_EQ(editor_log().values.size(), 2u);
}

TEST(ClapLifecycle, HostThreadCheckDecidesWhereTasksRun) {
  Instance instance(true, false);
  instance.host.offer_thread_check = true;
  instance.host.is_main_thread_answer = false;
  ASSERT_TRUE(instance.plugin->init(instance.plugin));
  ASSERT_TRUE(instance.activate());
  EventList events;
  events.param_value(0, GAIN_ID, 0.25);
  StereoBlock block(64);
  instance.process(block, 64, &events);
  EXPECT_EQ(instance.host.request_callback_calls, 1);
}

TEST(ClapLifecycle, FullTaskQueueDropsTheNewestTask) {
  Instance instance;
  ASSERT_TRUE(instance.activate());
  run_on_another_thread("4097 blocks on the audio thread", [&] {
    StereoBlock block(8);
    for (int i = 0; i < 4097; ++i) {
      EventList events;
      events.param_value(0, GAIN_ID, (i % 2 == 0) ? 0.25 : 0.75);
      instance.process(block, 8, &events);
    }
  });
  EXPECT_EQ(instance.host.request_callback_calls, 4096);
}

TEST(ClapLifecycle, LatencyChangeTellsTheHostOrAsksForARestart) {
  Instance instance;
  probe().latency_to_request = 32;
  ASSERT_TRUE(instance.activate());
  const auto* latency = instance.extension<clap_plugin_latency>(CLAP_EXT_LATENCY);
  EXPECT_EQ(latency->get(instance.plugin), 32u);
  EXPECT_EQ(instance.host.latency_changed_calls, 1);

  // While processing, a loaded state initialises the plug-in again on the audio thread.
  instance.plugin->start_processing(instance.plugin);
  probe().latency_to_request = 64;
  std::atomic<bool> stop{false};
  std::thread audio([&] {
    StereoBlock block(8);
    while (!stop.load()) {
      instance.process(block, 8);
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
  });
  ChunkedOutStream saved(4096);
  ASSERT_TRUE(instance.state().save(instance.plugin, saved.get()));
  ChunkedInStream loaded(saved.bytes, 4096);
  const int initialized = probe().initialize_calls.load();
  ASSERT_TRUE(instance.state().load(instance.plugin, loaded.get()));
  EXPECT_TRUE(wait_until([&] { return probe().initialize_calls.load() != initialized; },
                         "the audio thread's initialisation after the load"));
  stop = true;
  bounded_wait("the audio thread's end", [&] { audio.join(); });
  instance.plugin->on_main_thread(instance.plugin);
  EXPECT_EQ(latency->get(instance.plugin), 64u);
  EXPECT_EQ(instance.host.request_restart_calls, 1);
  EXPECT_EQ(instance.host.latency_changed_calls, 1);
  probe().latency_to_request.reset();
}

}  // namespace
}  // namespace vessimor::test
