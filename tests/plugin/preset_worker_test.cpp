#include "plugin/preset_worker.hpp"

#include <gtest/gtest.h>
#include <pthread.h>

#include <chrono>
#include <thread>
#include <vector>

#include "editor/web_view_state.hpp"
#include "plugin/factory_presets.hpp"
#include "plugin/preset_file.hpp"
#include "tests/plugin/preset_test_dir.hpp"
#include "tests/support/wait.hpp"

namespace vessimor {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::write_file;

// Records every answer in order; a set name is recorded as ("name", value).
class Recorder : public PresetAnswers {
 public:
  void push_custom(std::string action, std::string payload) override {
    answers.emplace_back(std::move(action), std::move(payload));
  }
  void set_current_preset_name(std::string_view name) override {
    answers.emplace_back("name", std::string(name));
  }
  std::vector<std::pair<std::string, std::string>> answers;
};

using Answers = std::vector<std::pair<std::string, std::string>>;

class PresetWorker : public ::testing::Test {
 protected:
  Answers run(PresetCommand command) {
    Recorder recorder;
    handle_preset_command(command, recorder);
    return recorder.answers;
  }
  fs::path folder() const { return *presets::get_presets_dir(); }

  TempDir home_;
  test::ScopedHome scoped_{home_.path()};
};

TEST_F(PresetWorker, LoadsAFactoryPreset) {
  const auto answers = run({PresetCommand::Load{"Robot Voice", true}});
  ASSERT_EQ(answers.size(), 3u);
  EXPECT_EQ(answers[0].first, "preset_values");
  EXPECT_EQ(
      answers[0].second.rfind(R"([["input_gain",0.5],["mix",0.85],["output_gain",0.6666667],)", 0),
      0u)
      << answers[0].second;
  EXPECT_NE(answers[0].second.find(R"(["carrier_mode",0.0],)"), std::string::npos);
  EXPECT_EQ(std::count(answers[0].second.begin(), answers[0].second.end(), '['), 30);
  EXPECT_EQ(answers[1], (std::pair<std::string, std::string>{"name", "Robot Voice"}));
  EXPECT_EQ(answers[2], (std::pair<std::string, std::string>{"preset_loaded", "Robot Voice"}));
}

TEST_F(PresetWorker, UnknownOrUnreadablePresetsAreNotFound) {
  const Answers not_found = {{"preset_error", "Preset 'Robot Voice' not found"}};
  EXPECT_EQ(run({PresetCommand::Load{"Robot Voice", false}}), not_found);
  EXPECT_EQ(run({PresetCommand::Load{"robot voice", true}}), (Answers{{"preset_error",
                                                                       "Preset 'robot voice' "
                                                                       "not found"}}));
  fs::create_directories(folder());
  write_file(folder() / "Broken.vessimor", "{ not json");
  write_file(folder() / "Partial.vessimor", R"({"name": "Partial"})");
  EXPECT_EQ(run({PresetCommand::Load{"Broken", false}}),
            (Answers{{"preset_error", "Preset 'Broken' not found"}}));
  EXPECT_EQ(run({PresetCommand::Load{"Partial", false}}),
            (Answers{{"preset_error", "Preset 'Partial' not found"}}));
  // A file over the size cap is refused like any unreadable one; it stays listed and the other
  // presets are unaffected.
  write_file(folder() / "Big.vessimor", std::string(presets::kMaxPresetFileBytes + 1, ' '));
  EXPECT_EQ(run({PresetCommand::Load{"Big", false}}),
            (Answers{{"preset_error", "Preset 'Big' not found"}}));
  EXPECT_NE(run({PresetCommand::List{}}).at(0).second.find(R"({"name":"Big","is_factory":false})"),
            std::string::npos);
  EXPECT_EQ(run({PresetCommand::Load{"Init", true}}).back().first, "preset_loaded");
}

TEST_F(PresetWorker, UserPresetLoadsUnderTheRequestedName) {
  VessimorPreset bass = FACTORY_PRESETS[26];
  bass.name = "Bass";
  auto written = presets::save_preset(bass);
  ASSERT_TRUE(written);
  fs::rename(written.value(), folder() / "Lead.vessimor");

  const auto answers = run({PresetCommand::Load{"Lead", false}});
  ASSERT_EQ(answers.size(), 3u);
  EXPECT_EQ(answers[0].first, "preset_values");
  EXPECT_NE(answers[0].second.find(R"(["mix",0.8],)"), std::string::npos);
  EXPECT_EQ(answers[1], (std::pair<std::string, std::string>{"name", "Lead"}));
  EXPECT_EQ(answers[2], (std::pair<std::string, std::string>{"preset_loaded", "Lead"}));
  // A user file is never found through a factory load.
  EXPECT_EQ(run({PresetCommand::Load{"Lead", true}}),
            (Answers{{"preset_error", "Preset 'Lead' not found"}}));
}

TEST_F(PresetWorker, SaveAnswersWithTheNameAsSentAndListsIt) {
  VessimorPreset preset;
  preset.name = " My: Lead ";
  EXPECT_EQ(run({PresetCommand::Save{preset}}), (Answers{{"preset_saved", " My: Lead "}}));
  EXPECT_TRUE(fs::exists(folder() / "My_ Lead.vessimor"));

  const auto answers = run({PresetCommand::List{}});
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(answers[0].first, "presets_list");
  EXPECT_EQ(answers[0].second.rfind(R"([{"name":"Ambient Wash","is_factory":true},)", 0), 0u);
  EXPECT_NE(answers[0].second.find(R"({"name":"My_ Lead","is_factory":false},)"),
            std::string::npos);
  EXPECT_EQ(answers[0].second.substr(answers[0].second.size() - 41),
            R"({"name":"Warm Chorus","is_factory":true}])");
}

TEST_F(PresetWorker, SaveFailuresAreReported) {
  // A file where the folder belongs stops the folder's creation.
  fs::create_directories(folder().parent_path());
  write_file(folder(), "x");
  VessimorPreset preset;
  preset.name = "Lead";
  auto answers = run({PresetCommand::Save{preset}});
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(answers[0].first, "preset_error");
  EXPECT_EQ(answers[0].second.rfind("IO error: ", 0), 0u) << answers[0].second;

  preset.name = std::string("a\0b", 3);
  EXPECT_EQ(run({PresetCommand::Save{preset}}),
            (Answers{{"preset_error", "IO error: file name contained an unexpected NUL byte"}}));
}

TEST_F(PresetWorker, BlankNamesAreNotSaved) {
  VessimorPreset preset;
  for (const char* blank : {"", " ", "\u00A0"}) {
    preset.name = blank;
    EXPECT_EQ(run({PresetCommand::Save{preset}}),
              (Answers{{"preset_error", "IO error: preset name is empty or only white space"}}));
  }
  EXPECT_FALSE(fs::exists(folder()));
}

TEST_F(PresetWorker, DeleteRemovesOnlyUserFiles) {
  EXPECT_EQ(run({PresetCommand::Delete{"Init"}}),
            (Answers{{"preset_error", "Preset 'Init' not found or is a factory preset"}}));
  ASSERT_TRUE(presets::save_preset(FACTORY_PRESETS[0]));
  EXPECT_EQ(run({PresetCommand::Delete{"Init"}}), (Answers{{"preset_deleted", "Init"}}));
  EXPECT_FALSE(fs::exists(folder() / "Init.vessimor"));
  EXPECT_EQ(run({PresetCommand::Delete{"Init"}}),
            (Answers{{"preset_error", "Preset 'Init' not found or is a factory preset"}}));

  // A listed item that cannot be removed as a file.
  fs::create_directories(folder() / "x.vessimor");
  EXPECT_EQ(run({PresetCommand::Delete{"x"}}),
            (Answers{{"preset_error", "IO error: Is a directory"}}));
}

TEST_F(PresetWorker, ThreadAnswersEveryCommandInOrderAndEndsWhenTheQueueCloses) {
  PresetCommandQueue commands;
  Recorder recorder;
  std::thread worker =
      spawn_preset_thread([&commands, &recorder] { run_preset_worker(commands, recorder); });

  VessimorPreset lead;
  lead.name = "Lead";
  lead.mix = 0.25f;
  EXPECT_TRUE(commands.try_send(PresetCommand{PresetCommand::Save{lead}}));
  EXPECT_TRUE(commands.try_send(PresetCommand{PresetCommand::Load{"Lead", false}}));
  EXPECT_TRUE(commands.try_send(PresetCommand{PresetCommand::Delete{"Lead"}}));
  EXPECT_TRUE(commands.try_send(PresetCommand{PresetCommand::Load{"Lead", false}}));
  EXPECT_TRUE(commands.try_send(PresetCommand{PresetCommand::Load{"Init", true}}));
  // Closing while commands are queued: every one of them still runs, later ones are refused.
  commands.close();
  EXPECT_FALSE(commands.try_send(PresetCommand{PresetCommand::List{}}));
  test::bounded_wait("the worker's end after the queue closed", [&] { worker.join(); });

  std::vector<std::string> order;
  for (const auto& [action, payload] : recorder.answers) order.push_back(action + ":" + payload);
  ASSERT_EQ(order.size(), 9u);
  EXPECT_EQ(order[0], "preset_saved:Lead");
  EXPECT_EQ(order[1].rfind("preset_values:[[\"input_gain\",0.5],[\"mix\",0.25],", 0), 0u);
  EXPECT_EQ(order[2], "name:Lead");
  EXPECT_EQ(order[3], "preset_loaded:Lead");
  EXPECT_EQ(order[4], "preset_deleted:Lead");
  EXPECT_EQ(order[5], "preset_error:Preset 'Lead' not found");
  EXPECT_EQ(order[6].rfind("preset_values:", 0), 0u);
  EXPECT_EQ(order[7], "name:Init");
  EXPECT_EQ(order[8], "preset_loaded:Init");
}

TEST_F(PresetWorker, IdleThreadEndsAtOnceWhenTheQueueCloses) {
  PresetCommandQueue commands;
  Recorder recorder;
  std::string name;
  std::thread worker = spawn_preset_thread([&commands, &recorder, &name] {
    char buffer[64] = {};
    pthread_getname_np(pthread_self(), buffer, sizeof buffer);
    name = buffer;
    run_preset_worker(commands, recorder);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // let it fall asleep first
  commands.close();
  test::bounded_wait("the idle worker's end after the queue closed", [&] { worker.join(); });
  EXPECT_TRUE(recorder.answers.empty());
#if defined(__APPLE__)
  EXPECT_EQ(name, "vessimor-presets");
#else
  EXPECT_EQ(name, "vessimor-preset");  // Linux keeps 15 bytes
#endif
}

TEST_F(PresetWorker, AnswersReachThePageThroughTheEditorState) {
  auto state = WebViewState::from_size(900, 600);
  auto commands = std::make_shared<PresetCommandQueue>();
  std::thread worker = start_preset_worker(commands, state);
  commands->try_send(PresetCommand{PresetCommand::Load{"Robot Voice", true}});
  commands->try_send(PresetCommand{PresetCommand::Load{"Nobody's", true}});
  commands->close();
  test::bounded_wait("the worker's end after the queue closed", [&] { worker.join(); });

  EXPECT_EQ(state->current_preset_name(), "Robot Voice");
  std::vector<std::string> scripts;
  while (auto script = state->try_recv_script()) scripts.push_back(*script);
  ASSERT_EQ(scripts.size(), 3u);
  const std::string call = "if (window._handleCustomMessage) window._handleCustomMessage(";
  EXPECT_EQ(scripts[0].rfind(call + R"('preset_values', '[["input_gain",0.5],["mix",0.85],)", 0),
            0u)
      << scripts[0];
  EXPECT_EQ(scripts[1], call + "'preset_loaded', 'Robot Voice');");
  EXPECT_EQ(scripts[2], call + R"('preset_error', 'Preset \'Nobody\'s\' not found');)");
  // The worker let go of its shares of the state and the queue.
  EXPECT_EQ(state.use_count(), 1);
  EXPECT_EQ(commands.use_count(), 1);
}

}  // namespace
}  // namespace vessimor
