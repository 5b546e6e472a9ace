// One VST3 plug-in instance driven as a host drives it: set-up, activation, processing on an
// audio thread of its own (while the calling, main thread turns the main run loop), and the
// saved state through memory streams.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "tools/clap_host/host.hpp"
#include "tools/vst3_host/host.hpp"
#include "tools/vst3_host/host_objects.hpp"

namespace vessimor::tools::vst3 {

// A ProcessContext for a host that plays at a fixed tempo in 4/4; `position_frames` is the
// sample position of the block start, from which the beat and bar positions follow.
abi::ProcessContext make_process_context(double tempo, bool playing, std::int64_t position_frames,
                                         double sample_rate);

class Vst3Processor {
 public:
  // Creates the instance; the constructing thread is the main thread. Throws HostError when the
  // factory refuses.
  Vst3Processor(const Vst3Module& module, const char* class_id);
  // Winds the instance down in VST3 order: stop processing, deactivate, release.
  ~Vst3Processor();
  Vst3Processor(const Vst3Processor&) = delete;
  Vst3Processor& operator=(const Vst3Processor&) = delete;

  const Vst3Instance& instance() const { return instance_; }
  abi::IComponent* component() const { return instance_.component().get(); }
  abi::IAudioProcessor* processor() const { return instance_.processor().get(); }

  // Thread: main. `setup` also sizes the stereo buffers for the largest block.
  abi::tresult setup(double sample_rate, std::int32_t max_block,
                     std::int32_t process_mode = abi::kRealtime);
  abi::tresult set_active(bool active);

  // Thread: main; each runs on the audio thread and returns when it is done.
  abi::tresult set_processing(bool processing);
  // One block over the instance's own stereo buffers (`input`, `output`).
  abi::tresult process(std::int32_t frames, ParameterChanges* changes = nullptr,
                       const abi::ProcessContext* context = nullptr);
  // Runs any work on the audio thread, turning the main run loop meanwhile; `also_on_main` runs
  // after each turn.
  void run_on_audio_thread(const std::function<void()>& work,
                           const std::function<void()>& also_on_main = {});
  // Thread: audio (inside run_on_audio_thread). Same as `process`, without the thread hop.
  abi::tresult process_here(std::int32_t frames, ParameterChanges* changes,
                            const abi::ProcessContext* context);

  std::vector<float>& input(std::size_t channel) { return inputs_.at(channel); }
  std::vector<float>& output(std::size_t channel) { return outputs_.at(channel); }

  // The component's state through a memory stream. Thread: main
  std::optional<std::vector<std::uint8_t>> save_state(StreamOptions options = {}) const;
  abi::tresult load_state(const std::vector<std::uint8_t>& bytes, StreamOptions options = {});

  // Thread: any
  std::uint32_t tail_samples() const;

 private:
  Vst3Instance instance_;
  AudioThread audio_;
  bool active_ = false;
  bool processing_ = false;
  std::vector<std::vector<float>> inputs_{2};
  std::vector<std::vector<float>> outputs_{2};
};

}  // namespace vessimor::tools::vst3
