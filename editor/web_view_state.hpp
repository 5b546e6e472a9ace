#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <variant>

#include "editor/param_message.hpp"
#include "framework/editor.hpp"
#include "framework/mpmc_queue.hpp"
#include "framework/mutex.hpp"

namespace vessimor {

// A typed message for the page. Nothing sends one yet; the queue for them is part of the state so
// that the page-facing side has a typed road beside the script queue.
struct PluginToPageMessage {};

// A sending end of the page-to-plugin queue. It shares the queue, so it stays valid however long
// the holder keeps it; copies are further sending ends.
class JsMessageSender {
 public:
  explicit JsMessageSender(std::shared_ptr<MpmcQueue<ParamMessage>> queue)
      : queue_(std::move(queue)) {}

  // False when the queue is full (the audio thread has not taken the older messages); the message
  // is then left with the caller. Never waits. A custom message travels without its texts: the
  // plug-in takes no action on them, and the audio thread, which drops the message, would free
  // them there; they are freed on this thread instead.
  // Thread: any
  bool try_send(ParamMessage&& message) const noexcept;

 private:
  std::shared_ptr<MpmcQueue<ParamMessage>> queue_;
};

// What the plug-in object, the editor, its page message handler and the preset worker share about
// the editor: the queues between page and plug-in, the editor's size and scale factor, the name of
// the current preset and whether an editor is open. Created once per plug-in instance and shared
// by reference counting; it outlives every editor opened on it.
//
// Queue operations never wait and never lock, so the audio thread may use them; the two locks
// (scale factor, preset name) are never taken on the audio thread.
class WebViewState {
 public:
  static constexpr std::size_t kPluginToPageCapacity = 64;
  static constexpr std::size_t kPageToPluginCapacity = 256;
  static constexpr std::size_t kScriptCapacity = 64;

  // Thread: main
  WebViewState(std::uint32_t width, std::uint32_t height);
  WebViewState(const WebViewState&) = delete;
  WebViewState& operator=(const WebViewState&) = delete;

  // Thread: main
  static std::shared_ptr<WebViewState> from_size(std::uint32_t width, std::uint32_t height);

  // Queues an _updateParam call; dropped when 64 scripts are waiting already.
  // Thread: main
  void push_param_update(std::string_view param_id, float normalized_value);

  // Queues an _updateTransport call; dropped when 64 scripts are waiting already. Only the two
  // values are queued: the statement is written when the page takes it, so this neither
  // allocates nor locks.
  // Thread: any (the audio thread, and the main thread answering the page)
  void push_transport(float tempo, bool playing) noexcept;

  // Queues a _handleCustomMessage call with the payload quoted for a JavaScript string, and logs
  // the action and the payload's length; dropped when 64 scripts are waiting already.
  // Thread: any (the preset worker)
  void push_custom(std::string action, std::string payload);

  // The oldest queued statement, or nothing. Never waits; writes a queued transport call's text.
  // Thread: main
  std::optional<std::string> try_recv_script();

  // A new sending end of the page-to-plugin queue.
  // Thread: main
  JsMessageSender js_message_sender() const { return JsMessageSender(page_to_plugin_); }

  // The oldest forwarded page message, or nothing. Lock-free and allocation-free.
  // Thread: audio
  std::optional<ParamMessage> try_recv_js_message() noexcept;

  // Thread: any (the preset worker)
  void set_current_preset_name(std::string_view name);
  // Thread: main
  std::string current_preset_name() const;

  // Thread: main
  void set_scale_factor(float factor);
  // Thread: main
  float scale_factor() const;

  // Thread: any
  EditorSize size() const noexcept { return EditorSize{width_, height_}; }

  // Thread: main
  void set_open(bool open) noexcept { open_.store(open, std::memory_order_relaxed); }
  // Thread: main
  bool is_open() const noexcept { return open_.load(std::memory_order_relaxed); }

  // The typed plug-in-to-page queue (unused by the plug-in so far).
  // Thread: any
  MpmcQueue<PluginToPageMessage>& plugin_to_page() noexcept { return *plugin_to_page_; }

 private:
  // A queued _updateTransport call, written out when the page takes it.
  struct TransportCall {
    float tempo;
    bool playing;
  };
  // One entry of the script queue: a finished statement, or a call still to be written.
  using Script = std::variant<std::string, TransportCall>;

  void offer_script(std::string&& script) noexcept;

  std::shared_ptr<MpmcQueue<PluginToPageMessage>> plugin_to_page_;
  std::shared_ptr<MpmcQueue<ParamMessage>> page_to_plugin_;
  std::shared_ptr<MpmcQueue<Script>> scripts_;
  mutable std::shared_mutex scale_factor_mutex_;
  float scale_factor_ = 1.0f;
  mutable Mutex current_preset_name_mutex_;
  std::string current_preset_name_ = "Init";
  const std::uint32_t width_;
  const std::uint32_t height_;
  std::atomic<bool> open_{false};
};

}  // namespace vessimor
