#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <variant>

#include "framework/mpmc_queue.hpp"
#include "plugin/preset.hpp"

namespace vessimor {

class WebViewState;

// A request for the preset worker, sent by the plug-in as the page asks.
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

// The preset worker's commands: a bounded lock-free queue, so that a sender never waits for the
// worker, and a wake-up word the idle worker sleeps on. Waking a sleeping worker is one futex
// wake; nothing waits on the sending side.
class PresetCommandQueue {
 public:
  // Far more than the page can ask for between two of the worker's turns.
  static constexpr std::size_t kCapacity = 256;

  explicit PresetCommandQueue(std::size_t capacity = kCapacity) : commands_(capacity) {}

  // False, and the command dropped, when the queue is full or closed.
  // Thread: any. Never waits, allocates or locks.
  bool try_send(PresetCommand&& command) noexcept;

  // The next command, waiting for it as long as it takes; nothing once the queue is closed and
  // every command sent before has been taken.
  // Thread: preset worker
  std::optional<PresetCommand> recv() noexcept;

  // Refuses further commands and wakes the worker, which carries out what is queued and returns.
  // Thread: any
  void close() noexcept;

 private:
  MpmcQueue<PresetCommand> commands_;
  std::atomic<std::uint32_t> wake_{0};
  std::atomic<bool> closed_{false};
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
// order sent. Returns once the queue is closed and no command is left, so commands queued before
// the plug-in closes it still run. An unexpected exception is logged and the loop goes on.
// Thread: preset worker
void run_preset_worker(PresetCommandQueue& commands, PresetAnswers& answers);

// The thread body of an instance's preset worker: `run_preset_worker` answering through the
// editor state's `push_custom` and `set_current_preset_name`. Releases its shares of the queue
// and of the state when it returns.
// Thread: preset worker
void preset_worker(std::shared_ptr<PresetCommandQueue> commands,
                   std::shared_ptr<WebViewState> state);

// Starts an instance's preset worker on its own thread named "vessimor-presets". Throws
// std::system_error when the system cannot start a thread.
// Thread: main
std::thread start_preset_worker(std::shared_ptr<PresetCommandQueue> commands,
                                std::shared_ptr<WebViewState> state);

// The name the worker thread runs under (the platform may shorten it).
inline constexpr std::string_view kPresetWorkerThreadName = "vessimor-presets";

// Starts a thread named "vessimor-presets" that runs `body`. Throws std::system_error when the
// system cannot start a thread.
// Thread: main
std::thread spawn_preset_thread(std::function<void()> body);

}  // namespace vessimor
