#include "plugin/vessimor.hpp"

#include <algorithm>
#include <cmath>
#include <system_error>
#include <utility>

#include "framework/panic.hpp"
#include "plugin/preset.hpp"
#include "plugin/processor_settings.hpp"

namespace vessimor {

Vessimor::Vessimor()
    : webview_state_(WebViewState::from_size(kEditorWidth, kEditorHeight)),
      preset_commands_(std::make_shared<PresetCommandQueue>()),
      params_(std::make_shared<VessimorParams>()),
      bpm_(std::make_shared<std::atomic<float>>(kDefaultTempo)),
      playing_(std::make_shared<std::atomic<bool>>(false)),
      page_requests_{webview_state_, preset_commands_, params_, bpm_, playing_},
      processor_(kDefaultSampleRate) {
  // The worker starts last: a construction step failing after it would leave a running thread
  // that nothing joins.
  try {
    preset_thread_.emplace(start_preset_worker(preset_commands_, webview_state_));
  } catch (const std::system_error& error) {
    VESSIMOR_PANIC("failed to spawn preset worker thread: {}", error.what());
  }
}

Vessimor::~Vessimor() {
  // The worker's receive ends once it has carried out every command still queued.
  preset_commands_->close();
  if (preset_thread_) {
    std::thread worker = std::move(*preset_thread_);
    preset_thread_.reset();
    if (worker.joinable()) worker.join();
  }
}

bool Vessimor::initialize(const AudioIOLayout& /*layout*/, const ProcessingConfig& config,
                          InitContext& /*context*/) {
  processor_.set_sample_rate(config.sample_rate);
  sample_rate_ = config.sample_rate;
  return true;
}

void Vessimor::reset() {
  processor_.reset();
}

ProcessResult Vessimor::process(Buffer& buffer, AuxiliaryBuffers& /*aux*/,
                                ProcessContext& context) {
  const Transport& transport = context.transport();
  const bool is_playing = transport.playing;
  playing_->store(is_playing, std::memory_order_relaxed);

  if (transport.tempo) {
    const auto tempo = static_cast<float>(*transport.tempo);
    // A tempo that is not a finite number would poison every tempo-synced rate: keep the last.
    if (std::isfinite(tempo)) {
      const float previous = bpm_->exchange(tempo, std::memory_order_relaxed);
      if (std::fabs(tempo - previous) > 0.01F) webview_state_->push_transport(tempo, is_playing);
    }
  }

  if (!processor_.playing && is_playing) {
    processor_.grid_counter = 0;  // the grid restarts with the transport
  } else if (processor_.playing && !is_playing &&
             processor_.pending_character_mode != CharacterMode::None) {
    processor_.character_mode = processor_.pending_character_mode;
    processor_.pending_character_mode = CharacterMode::None;
  }
  processor_.playing = is_playing;

  update_processor_params(*params_, bpm_->load(std::memory_order_relaxed), processor_);

  if (buffer.channels() >= 2) {
    const std::span<float> left = buffer.channel(0);
    const std::span<float> right = buffer.channel(1);
    // Slots may be shorter than the block when the host gave no memory for them.
    std::size_t frames = buffer.samples();
    frames = std::min({frames, left.size(), right.size()});
    processor_.process_block(left.data(), right.data(), frames);
    // Only custom messages travel this way, and they need nothing here: taking one per block
    // keeps their queue from filling. (The page's requests are answered on the main thread.)
    (void)webview_state_->try_recv_js_message();
  }
  // A ringing comb goes on sounding after the input stops: hosts read how long from the tail.
  const std::uint32_t tail = processor_.comb_tail_samples();
  return tail > 0 ? ProcessResult::tail(tail) : ProcessResult::normal();
}

void Vessimor::PageRequests::operator()(ParamMessage&& message) const {
  // A full or closed queue drops the command, as a worker that is gone would.
  const auto send = [this](PresetCommand&& command) {
    (void)preset_commands->try_send(std::move(command));
  };
  if (message.is<ParamMessage::RequestTransport>()) {
    webview_state->push_transport(bpm->load(std::memory_order_relaxed),
                                  playing->load(std::memory_order_relaxed));
  } else if (message.is<ParamMessage::RequestPresets>()) {
    send(PresetCommand{PresetCommand::List{}});
  } else if (auto* load = std::get_if<ParamMessage::LoadPreset>(&message.variant)) {
    send(PresetCommand{PresetCommand::Load{std::move(load->name), load->is_factory}});
  } else if (auto* save = std::get_if<ParamMessage::SavePreset>(&message.variant)) {
    // The values are read now, as the page asked.
    PresetCommand::Save command{VessimorPreset::from_params(*params, {})};
    command.preset.name = std::move(save->name);
    send(PresetCommand{std::move(command)});
  } else if (auto* remove = std::get_if<ParamMessage::DeletePreset>(&message.variant)) {
    send(PresetCommand{PresetCommand::Delete{std::move(remove->name)}});
  }
  // Parameter edits are applied by the page message handler itself; custom messages, polls and
  // parameter requests need nothing here.
}

}  // namespace vessimor
