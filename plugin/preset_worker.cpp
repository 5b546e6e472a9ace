#include "plugin/preset_worker.hpp"

#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "editor/web_view_state.hpp"
#include "framework/log.hpp"
#include "platform/thread_name.hpp"
#include "plugin/factory_presets.hpp"
#include "plugin/preset_file.hpp"
#include "plugin/preset_json.hpp"
#include "plugin/preset_list.hpp"

namespace vessimor {
namespace {

class WebViewAnswers final : public PresetAnswers {
 public:
  explicit WebViewAnswers(WebViewState& state) : state_(state) {}
  void push_custom(std::string action, std::string payload) override {
    state_.push_custom(std::move(action), std::move(payload));
  }
  void set_current_preset_name(std::string_view name) override {
    state_.set_current_preset_name(name);
  }

 private:
  WebViewState& state_;
};

void list(PresetAnswers& answers) {
  const auto infos = presets::to_preset_infos(presets::list_all_presets());
  if (auto json = presets::preset_list_json(infos)) answers.push_custom("presets_list", *json);
}

std::optional<VessimorPreset> find_factory(const std::string& name) {
  for (const auto& row : FACTORY_PRESETS) {
    if (row.name == name) return row;
  }
  return std::nullopt;
}

std::optional<VessimorPreset> find_user(const std::string& name) {
  for (const auto& entry : presets::list_all_presets()) {
    const auto* user = entry.user_preset();
    if (user == nullptr || user->name != name) continue;
    // A file that cannot be read or parsed counts as absent; a later one of the name may do.
    if (auto preset = presets::load_preset(user->path)) return std::move(preset.value());
  }
  return std::nullopt;
}

void load(const PresetCommand::Load& request, PresetAnswers& answers) {
  auto preset = request.is_factory ? find_factory(request.name) : find_user(request.name);
  if (!preset) {
    answers.push_custom("preset_error", "Preset '" + request.name + "' not found");
    return;
  }
  if (auto json = presets::param_values_json(preset->to_param_values())) {
    answers.push_custom("preset_values", *json);
  }
  // The requested name, not the file's own "name" member, is what the page asked for.
  answers.set_current_preset_name(request.name);
  answers.push_custom("preset_loaded", request.name);
}

void save(const PresetCommand::Save& request, PresetAnswers& answers) {
  auto saved = presets::save_preset(request.preset);
  if (saved) {
    answers.push_custom("preset_saved", request.preset.name);
  } else {
    answers.push_custom("preset_error", saved.error().text());
  }
}

void remove(const PresetCommand::Delete& request, PresetAnswers& answers) {
  std::optional<std::filesystem::path> path;
  for (const auto& entry : presets::list_all_presets()) {
    const auto* user = entry.user_preset();
    if (user != nullptr && user->name == request.name) {
      path = user->path;
      break;
    }
  }
  if (!path) {
    answers.push_custom("preset_error",
                        "Preset '" + request.name + "' not found or is a factory preset");
    return;
  }
  if (::unlink(path->c_str()) != 0) {
    answers.push_custom(
        "preset_error",
        PresetError::io(std::error_code(errno, std::generic_category()).message()).text());
    return;
  }
  answers.push_custom("preset_deleted", request.name);
}

}  // namespace

bool PresetCommandQueue::try_send(PresetCommand&& command) noexcept {
  if (closed_.load(std::memory_order_acquire)) return false;
  if (!commands_.try_push(std::move(command))) return false;
  wake_.fetch_add(1, std::memory_order_release);
  wake_.notify_one();
  return true;
}

std::optional<PresetCommand> PresetCommandQueue::recv() noexcept {
  for (;;) {
    // Read the wake-up word before looking: a command sent after the look changes the word, so
    // the wait below returns at once instead of missing it.
    const std::uint32_t seen = wake_.load(std::memory_order_acquire);
    if (std::optional<PresetCommand> command = commands_.try_pop()) return command;
    if (closed_.load(std::memory_order_acquire)) return commands_.try_pop();
    wake_.wait(seen, std::memory_order_acquire);
  }
}

void PresetCommandQueue::close() noexcept {
  closed_.store(true, std::memory_order_release);
  wake_.fetch_add(1, std::memory_order_release);
  wake_.notify_all();
}

void handle_preset_command(const PresetCommand& command, PresetAnswers& answers) {
  std::visit(
      [&](const auto& request) {
        using T = std::decay_t<decltype(request)>;
        if constexpr (std::is_same_v<T, PresetCommand::List>) {
          list(answers);
        } else if constexpr (std::is_same_v<T, PresetCommand::Load>) {
          load(request, answers);
        } else if constexpr (std::is_same_v<T, PresetCommand::Save>) {
          save(request, answers);
        } else {
          remove(request, answers);
        }
      },
      command.request);
}

void run_preset_worker(PresetCommandQueue& commands, PresetAnswers& answers) {
  while (std::optional<PresetCommand> command = commands.recv()) {
    try {
      handle_preset_command(*command, answers);
    } catch (const std::exception& e) {
      // Nothing a command meets may end the thread: the plug-in's teardown waits for it.
      VESSIMOR_LOG_ERROR("preset worker: {}", e.what());
    } catch (...) {
      VESSIMOR_LOG_ERROR("preset worker: unknown failure");
    }
  }
}

std::thread spawn_preset_thread(std::function<void()> body) {
  return std::thread([body = std::move(body)] {
    platform::set_current_thread_name(kPresetWorkerThreadName);
    body();
  });
}

void preset_worker(std::shared_ptr<PresetCommandQueue> commands,
                   std::shared_ptr<WebViewState> state) {
  if (!commands || !state) return;
  WebViewAnswers answers(*state);
  run_preset_worker(*commands, answers);
}

std::thread start_preset_worker(std::shared_ptr<PresetCommandQueue> commands,
                                std::shared_ptr<WebViewState> state) {
  return spawn_preset_thread([commands = std::move(commands), state = std::move(state)]() mutable {
    preset_worker(std::move(commands), std::move(state));
  });
}

}  // namespace vessimor
