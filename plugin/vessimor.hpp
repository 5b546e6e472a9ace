#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <thread>

#include "editor/param_message.hpp"
#include "editor/web_view_state.hpp"
#include "engine/processor.hpp"
#include "framework/plugin.hpp"
#include "plugin/identity.hpp"
#include "plugin/params.hpp"
#include "plugin/preset_worker.hpp"

namespace vessimor {

// The plug-in object both wrappers create and drive: it joins the audio engine, the parameter
// set, the editor state shared with the page and the instance's preset worker thread.
class Vessimor final : public Plugin, public VessimorIdentity {
 public:
  static constexpr float kDefaultSampleRate = 44100.0F;
  static constexpr float kDefaultTempo = 120.0F;
  static constexpr std::uint32_t kEditorWidth = 900;
  static constexpr std::uint32_t kEditorHeight = 600;

  // Starts the preset worker "vessimor-presets"; a thread that cannot start is a fatal failure.
  // Thread: main
  Vessimor();
  // Closes the preset worker's queue and waits for the worker to finish what it holds.
  // Thread: whichever releases the instance
  ~Vessimor() override;
  Vessimor(const Vessimor&) = delete;
  Vessimor& operator=(const Vessimor&) = delete;

  // Thread: any
  std::shared_ptr<Params> params() const override { return params_; }
  // A new editor showing the embedded page over this object's editor state and parameter set, or
  // none where the build carries no editor (defined in plugin/editor_handout/); the executor is
  // dropped unused. Thread: main
  std::unique_ptr<Editor> editor(AsyncExecutor executor) override;
  // Sets the engine's sample rate. Thread: main
  bool initialize(const AudioIOLayout& layout, const ProcessingConfig& config,
                  InitContext& context) override;
  // Thread: audio, or main while not processing
  void reset() override;
  // Thread: audio
  ProcessResult process(Buffer& buffer, AuxiliaryBuffers& aux, ProcessContext& context) override;

  // Acts on one page request where it arrives, on the main thread, so that the page is answered
  // whether or not the host is processing: a transport request is answered from the tempo and
  // playing state the audio thread last published, preset requests go straight to the preset
  // worker (a save takes the parameter values as they are now), everything else is dropped.
  // Never waits for the audio thread.
  // Thread: main
  void dispatch_webview_message(ParamMessage message) { page_requests_(std::move(message)); }

  // Thread: any
  const std::shared_ptr<WebViewState>& webview_state() const noexcept { return webview_state_; }
  // Thread: any
  float tempo() const noexcept { return bpm_->load(std::memory_order_relaxed); }
  // Thread: any
  bool playing() const noexcept { return playing_->load(std::memory_order_relaxed); }
  // Thread: audio (or main while not processing)
  VessimorProcessor& processor() noexcept { return processor_; }
  // Thread: any
  float sample_rate() const noexcept { return sample_rate_; }

 private:
  // What answers the page's requests. It holds shares of what it needs, so that an editor may
  // keep it however long its web view lives.
  struct PageRequests {
    // Thread: main
    void operator()(ParamMessage&& message) const;

    std::shared_ptr<WebViewState> webview_state;
    std::shared_ptr<PresetCommandQueue> preset_commands;
    std::shared_ptr<VessimorParams> params;
    std::shared_ptr<std::atomic<float>> bpm;
    std::shared_ptr<std::atomic<bool>> playing;
  };

  // Declared in construction order; the worker thread is started last (see the constructor).
  std::shared_ptr<WebViewState> webview_state_;
  std::shared_ptr<PresetCommandQueue> preset_commands_;
  std::shared_ptr<VessimorParams> params_;
  std::shared_ptr<std::atomic<float>> bpm_;
  std::shared_ptr<std::atomic<bool>> playing_;
  PageRequests page_requests_;
  VessimorProcessor processor_;
  float sample_rate_ = kDefaultSampleRate;
  std::optional<std::thread> preset_thread_;
};

}  // namespace vessimor
