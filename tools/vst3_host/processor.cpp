#include "tools/vst3_host/processor.hpp"

#include <cmath>

namespace vessimor::tools::vst3 {

abi::ProcessContext make_process_context(double tempo, bool playing, std::int64_t position_frames,
                                         double sample_rate) {
  abi::ProcessContext context{};
  context.state = abi::kTempoValid | abi::kTimeSigValid | abi::kProjectTimeMusicValid |
                  abi::kBarPositionValid | (playing ? abi::kPlaying : 0);
  context.sampleRate = sample_rate;
  context.projectTimeSamples = position_frames;
  const double beats = static_cast<double>(position_frames) / sample_rate * tempo / 60.0;
  context.projectTimeMusic = beats;
  context.barPositionMusic = std::floor(beats / 4.0) * 4.0;
  context.tempo = tempo;
  context.timeSigNumerator = 4;
  context.timeSigDenominator = 4;
  return context;
}

Vst3Processor::Vst3Processor(const Vst3Module& module, const char* class_id)
    : instance_(module, class_id) {}

Vst3Processor::~Vst3Processor() {
  if (processing_) set_processing(false);
  if (active_) set_active(false);
}

abi::tresult Vst3Processor::setup(double sample_rate, std::int32_t max_block,
                                  std::int32_t process_mode) {
  abi::ProcessSetup setup{process_mode, abi::kSample32, max_block, sample_rate};
  const abi::tresult result = call(processor(), processor()->vtbl->setupProcessing, &setup);
  if (result == abi::kResultOk && max_block > 0) {
    for (auto& channel : inputs_) channel.assign(static_cast<std::size_t>(max_block), 0.0F);
    for (auto& channel : outputs_) channel.assign(static_cast<std::size_t>(max_block), 0.0F);
  }
  return result;
}

abi::tresult Vst3Processor::set_active(bool active) {
  const abi::tresult result = call(component(), component()->vtbl->setActive, active ? 1 : 0);
  active_ = active && result == abi::kResultOk;
  return result;
}

abi::tresult Vst3Processor::set_processing(bool processing) {
  abi::tresult result = abi::kResultFalse;
  run_on_audio_thread(
      [&] { result = call(processor(), processor()->vtbl->setProcessing, processing ? 1 : 0); });
  processing_ = processing && result == abi::kResultOk;
  return result;
}

abi::tresult Vst3Processor::process(std::int32_t frames, ParameterChanges* changes,
                                    const abi::ProcessContext* context) {
  abi::tresult result = abi::kResultFalse;
  run_on_audio_thread([&] { result = process_here(frames, changes, context); });
  return result;
}

void Vst3Processor::run_on_audio_thread(const std::function<void()>& work,
                                        const std::function<void()>& also_on_main) {
  audio_.run(work, [&] {
    run_main_loop_once();
    if (also_on_main) also_on_main();
  });
}

abi::tresult Vst3Processor::process_here(std::int32_t frames, ParameterChanges* changes,
                                         const abi::ProcessContext* context) {
  if (frames > 0 && static_cast<std::size_t>(frames) > inputs_.front().size()) {
    throw HostError("block larger than the set-up maximum");
  }
  float* in_channels[2] = {inputs_[0].data(), inputs_[1].data()};
  float* out_channels[2] = {outputs_[0].data(), outputs_[1].data()};
  abi::AudioBusBuffers input{};
  input.numChannels = 2;
  input.channelBuffers32 = in_channels;
  abi::AudioBusBuffers output{};
  output.numChannels = 2;
  output.channelBuffers32 = out_channels;

  abi::ProcessData data{};
  data.processMode = abi::kRealtime;
  data.symbolicSampleSize = abi::kSample32;
  data.numSamples = frames;
  data.numInputs = 1;
  data.numOutputs = 1;
  data.inputs = &input;
  data.outputs = &output;
  data.inputParameterChanges = changes != nullptr ? changes->changes() : nullptr;
  data.processContext = const_cast<abi::ProcessContext*>(context);
  return call(processor(), processor()->vtbl->process, &data);
}

std::optional<std::vector<std::uint8_t>> Vst3Processor::save_state(StreamOptions options) const {
  MemoryStream stream({}, options);
  if (call(component(), component()->vtbl->getState, stream.stream()) != abi::kResultOk) {
    return std::nullopt;
  }
  return stream.bytes();
}

abi::tresult Vst3Processor::load_state(const std::vector<std::uint8_t>& bytes,
                                       StreamOptions options) {
  MemoryStream stream(bytes, options);
  return call(component(), component()->vtbl->setState, stream.stream());
}

std::uint32_t Vst3Processor::tail_samples() const {
  return call(processor(), processor()->vtbl->getTailSamples);
}

}  // namespace vessimor::tools::vst3
