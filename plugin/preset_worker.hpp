#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <variant>

#include "framework/channel.hpp"
#include "plugin/preset.hpp"

namespace vessimor {

class WebViewState;

// A request for the preset worker, sent by the audio thread's editor-message dispatch.
struct PresetCommand {
  struct List {};
  struct Load {
    std::string name;
    bool is_factory = false;
  };
  struct Save {
    VessimorPreset preset;
  };
  struct Delete {
    std::string name;
  };
  std::variant<List, Load, Save, Delete> request;
};

// Where the worker's answers go: the editor state's queued page calls and its current preset name.
class PresetAnswers {
 public:
  virtual ~PresetAnswers() = default;
  // Thread: preset worker. Queues ("action", payload) for the page; never blocks.
  virtual void push_custom(std::string action, std::string payload) = 0;
  // Thread: preset worker
  virtual void set_current_preset_name(std::string_view name) = 0;
};

// Carries out one command with the preset files, folder and factory table, and answers through
// `answers`: "presets_list", "preset_values" + "preset_loaded", "preset_saved", "preset_deleted"
// or "preset_error". File errors never escape: they become "preset_error" answers.
// Thread: preset worker
void handle_preset_command(const PresetCommand& command, PresetAnswers& answers);

// The worker loop: waits for each command without a time limit and handles it completely, in the
// order sent. Returns once every sender is gone and no command is left, so commands queued before
// the plug-in drops its sender still run. An unexpected exception is logged and the loop goes on.
// Thread: preset worker
void run_preset_worker(const Receiver<PresetCommand>& commands, PresetAnswers& answers);

// The thread body of an instance's preset worker: `run_preset_worker` answering through the
// editor state's `push_custom` and `set_current_preset_name`. Releases the receiver and its share
// of the state when it returns.
// Thread: preset worker
void preset_worker(Receiver<PresetCommand> commands, std::shared_ptr<WebViewState> state);

// Starts an instance's preset worker on its own thread named "vessimor-presets". Throws
// std::system_error when the system cannot start a thread.
// Thread: main
std::thread start_preset_worker(Receiver<PresetCommand> commands,
                                std::shared_ptr<WebViewState> state);

// The name the worker thread runs under (the platform may shorten it).
inline constexpr std::string_view kPresetWorkerThreadName = "vessimor-presets";

// Starts a thread named "vessimor-presets" that runs `body`. Throws std::system_error when the
// system cannot start a thread.
// Thread: main
std::thread spawn_preset_thread(std::function<void()> body);

}  // namespace vessimor
