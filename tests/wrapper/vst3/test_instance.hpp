// One VST3 instance of the small test plug-in as a host holds it, with in-place stereo buffers for
// its process calls.
#pragma once

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <thread>
#include <vector>

#include "framework/params/range.hpp"
#include "tests/support/audio_thread.hpp"
#include "tests/wrapper/clap/test_plugin.hpp"
#include "tools/vst3_host/host_objects.hpp"
#include "wrapper/vst3/factory.hpp"

namespace vessimor::test {

namespace abi = vst3::abi;

inline constexpr std::array<Vst3SubCategory, 1> TEST_SUBCATEGORIES = {Vst3SubCategory::Fx};

class Vst3TestPlugin final : public TestPlugin {
 public:
  static constexpr std::array<std::uint8_t, 16> VST3_CLASS_ID = {
      'Q', 'u', 'o', 'W', 'r', 'a', 'p', 'p', 'e', 'r', 'T', 'e', 's', 't', '3', 0};
  static constexpr std::span<const Vst3SubCategory> VST3_SUBCATEGORIES = TEST_SUBCATEGORIES;
};

using TestWrapper = vst3::Wrapper<Vst3TestPlugin>;
using TestInner = vst3::WrapperInner<Vst3TestPlugin>;

inline const std::uint32_t GAIN = hash_param_id("gain");
inline const std::uint32_t COUNT = hash_param_id("count");

struct Vst3TestInstance {
  explicit Vst3TestInstance(bool with_editor = true) {
    probe().with_editor = with_editor;
    probe().result = ProcessResult::normal();
    probe().clear_records();
    probe().initialize_calls = 0;
    probe().reset_calls = 0;
    editor_log() = TestEditorLog{};
    wrapper = TestWrapper::create(TestInner::create());
  }
  ~Vst3TestInstance() { wrapper->release(); }
  Vst3TestInstance(const Vst3TestInstance&) = delete;
  Vst3TestInstance& operator=(const Vst3TestInstance&) = delete;

  abi::IComponent* component() const {
    return static_cast<abi::IComponent*>(wrapper->face(TestWrapper::COMPONENT));
  }
  abi::IAudioProcessor* processor() const {
    return static_cast<abi::IAudioProcessor*>(wrapper->face(TestWrapper::AUDIO_PROCESSOR));
  }
  abi::IEditController* controller() const {
    return static_cast<abi::IEditController*>(wrapper->face(TestWrapper::EDIT_CONTROLLER));
  }
  const abi::IComponentVtbl& c() const { return *component()->vtbl; }
  const abi::IEditControllerVtbl& e() const { return *controller()->vtbl; }
  const abi::IAudioProcessorVtbl& p() const { return *processor()->vtbl; }
  TestInner& inner() const { return wrapper->inner(); }
  float gain() const { return probe_params().gain.value(); }

  abi::tresult setup(double rate = 48000.0, std::int32_t max_block = 1024,
                     std::int32_t mode = abi::kRealtime) {
    abi::ProcessSetup setup{mode, abi::kSample32, max_block, rate};
    return p().setupProcessing(processor(), &setup);
  }
  // Set up, activated and processing.
  void start(double rate = 48000.0) {
    ASSERT_EQ(setup(rate), abi::kResultOk);
    ASSERT_EQ(c().setActive(component(), 1), abi::kResultOk);
    ASSERT_EQ(p().setProcessing(processor(), 1), abi::kResultOk);
  }

  // One block in place over `samples` frames of `left` and `right` (1.0 each at first).
  abi::tresult process(std::int32_t samples, tools::vst3::ParameterChanges* changes = nullptr,
                       abi::ProcessContext* context = nullptr) {
    left.assign(static_cast<std::size_t>(std::max(samples, 0)), 1.0F);
    right.assign(left.size(), 1.0F);
    channels[0] = left.data();
    channels[1] = right.data();
    bus.numChannels = 2;
    bus.channelBuffers32 = channels;
    data.numSamples = samples;
    data.inputParameterChanges = changes != nullptr ? changes->changes() : nullptr;
    data.processContext = context;
    return p().process(processor(), &data);
  }

  TestWrapper* wrapper = nullptr;
  std::vector<float> left;
  std::vector<float> right;
  float* channels[2] = {nullptr, nullptr};
  abi::AudioBusBuffers bus{};
  abi::ProcessData data = [this] {
    abi::ProcessData d{};
    d.symbolicSampleSize = abi::kSample32;
    d.numInputs = 1;
    d.numOutputs = 1;
    d.inputs = &bus;
    d.outputs = &bus;
    return d;
  }();

 private:
  const TestParams& probe_params() const {
    return static_cast<const TestParams&>(inner().core().params());
  }
};

// A host audio thread that processes 64-frame blocks in place until stopped, measuring each whole
// call, optionally with the host's automation of "count" in every block. Starts processing before
// the constructor returns.
class Vst3AudioThread : public MeasuredAudioThread {
 public:
  explicit Vst3AudioThread(Vst3TestInstance& instance, bool automate_count = false)
      : MeasuredAudioThread(
            [&instance, host = std::make_shared<HostSide>(automate_count)] {
              instance.p().process(instance.processor(), &host->data);
            },
            std::chrono::microseconds(0)) {}

 private:
  struct HostSide {
    explicit HostSide(bool automate_count) {
      data.symbolicSampleSize = abi::kSample32;
      data.numSamples = 64;
      data.numInputs = 1;
      data.numOutputs = 1;
      data.inputs = &bus;
      data.outputs = &bus;
      if (automate_count) {
        automation.add(COUNT, 32, 0.5);
        data.inputParameterChanges = automation.changes();
      }
    }
    HostSide(const HostSide&) = delete;
    HostSide& operator=(const HostSide&) = delete;
    std::vector<float> left = std::vector<float>(64, 1.0F);
    std::vector<float> right = std::vector<float>(64, 1.0F);
    float* channels[2] = {left.data(), right.data()};
    abi::AudioBusBuffers bus{2, 0, {channels}};
    tools::vst3::ParameterChanges automation;
    abi::ProcessData data{};
  };
};

}  // namespace vessimor::test
