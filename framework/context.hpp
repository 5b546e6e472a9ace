#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "framework/transport.hpp"

namespace vessimor {

enum class ProcessMode : std::uint8_t {
  realtime,
  // A VST3 host that renders ahead of playback (prefetch).
  buffered,
  offline,
};

// The host's processing set-up, given to `Plugin::initialize` and kept by the wrappers.
struct ProcessingConfig {
  float sample_rate = 0.0F;
  std::optional<std::uint32_t> min_buffer_size;
  std::uint32_t max_buffer_size = 0;
  ProcessMode process_mode = ProcessMode::realtime;
};

// The outcome of one `Plugin::process` call. Trivially copyable so that wrappers can keep the
// last one in an atomic cell.
struct ProcessResult {
  enum class Status : std::uint8_t {
    normal,
    tail,
    keep_alive,
    error,
  };

  Status status = Status::normal;
  // Samples of tail still to come, for `Status::tail`.
  std::uint32_t tail_samples = 0;
  // Static text, for `Status::error`.
  const char* error_message = nullptr;

  static constexpr ProcessResult normal() noexcept { return {}; }
  static constexpr ProcessResult tail(std::uint32_t samples) noexcept {
    return {Status::tail, samples, nullptr};
  }
  static constexpr ProcessResult keep_alive() noexcept { return {Status::keep_alive, 0, nullptr}; }
  static constexpr ProcessResult error(const char* message) noexcept {
    return {Status::error, 0, message};
  }
};

// A plug-in's background task. This plug-in defines none: the type has no values, so nothing
// can ever be scheduled through it.
struct BackgroundTask {
  BackgroundTask() = delete;
};

// Runs one background task; `Plugin::task_executor` gives it once per wrapper.
using TaskExecutor = std::function<void(BackgroundTask)>;

// Given to `Plugin::editor` so that the editor can run background tasks. Each wrapper builds both
// functions on weak references to itself, so holding the executor never keeps an instance alive.
struct AsyncExecutor {
  // Runs the task on the shared background worker; dropped when its queue is full.
  // Thread: any
  std::function<void(BackgroundTask)> execute_background;
  // Runs the task on the main thread. Thread: any
  std::function<void(BackgroundTask)> execute_gui;
};

// Runs a wrapper's queued tasks. `Task` is the wrapper's own task type.
template <class Task>
class MainThreadExecutor {
 public:
  virtual ~MainThreadExecutor() = default;

  // Runs one task; `is_gui_thread` tells whether the caller runs on the GUI thread.
  // Thread: main, or the background worker for background tasks
  virtual void execute(Task task, bool is_gui_thread) = 0;
};

// Hands tasks to the main thread.
template <class Task>
class EventLoop {
 public:
  virtual ~EventLoop() = default;

  // Runs the task at once on the main thread, else queues it for the main thread. False when
  // the task was dropped (full queue). Never blocks, so the audio thread may call it.
  // Thread: any
  virtual bool schedule_gui(Task task) = 0;
};

// Given to `Plugin::initialize`.
class InitContext {
 public:
  virtual ~InitContext() = default;

  // Requests a new latency; the wrapper applies it once initialisation ends. Thread: main
  virtual void set_latency_samples(std::uint32_t samples) = 0;
};

// Given to `Plugin::process` for one (sub-)block.
class ProcessContext {
 public:
  virtual ~ProcessContext() = default;

  // Thread: audio
  virtual const Transport& transport() const = 0;
};

}  // namespace vessimor
