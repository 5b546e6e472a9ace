// The component and audio-processor faces over the small test plug-in: buses, set-up,
// sample-accurate processing with its transport, and the tail.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/wait.hpp"
#include "tests/wrapper/vst3/test_instance.hpp"
#include "wrapper/vst3/buses.hpp"

namespace vessimor::test {
namespace {

using tools::vst3::ParameterChanges;

TEST(Vst3Buses, OneStereoBusEachWayWithItsNameArrangementAndRouting) {
  Vst3TestInstance instance;
  auto* component = instance.component();
  const auto& c = instance.c();
  EXPECT_EQ(c.getBusCount(component, abi::kAudio, abi::kInput), 1);
  EXPECT_EQ(c.getBusCount(component, abi::kAudio, abi::kOutput), 1);
  EXPECT_EQ(c.getBusCount(component, abi::kEvent, abi::kInput), 0);
  EXPECT_EQ(c.getBusCount(component, abi::kAudio, 2), 0);

  abi::BusInfo info{};
  ASSERT_EQ(c.getBusInfo(component, abi::kAudio, abi::kOutput, 0, &info), abi::kResultOk);
  EXPECT_EQ(info.mediaType, abi::kAudio);
  EXPECT_EQ(info.direction, abi::kOutput);
  EXPECT_EQ(info.channelCount, 2);
  EXPECT_EQ(info.busType, abi::kMain);
  EXPECT_EQ(info.flags, abi::kDefaultActive);
  EXPECT_EQ(std::u16string(info.name), u"Output");
  ASSERT_EQ(c.getBusInfo(component, abi::kAudio, abi::kInput, 0, &info), abi::kResultOk);
  EXPECT_EQ(std::u16string(info.name), u"Input");
  for (const auto& [type, direction, index] :
       {std::tuple{abi::kAudio, abi::kInput, 1}, std::tuple{abi::kAudio, abi::kInput, -1},
        std::tuple{abi::kAudio, 2, 0}, std::tuple{abi::kEvent, abi::kInput, 0}}) {
    EXPECT_EQ(c.getBusInfo(component, type, direction, index, &info), abi::kInvalidArgument);
    EXPECT_EQ(c.activateBus(component, type, direction, index, 1), abi::kInvalidArgument);
  }
  EXPECT_EQ(c.getBusInfo(component, abi::kAudio, abi::kInput, 0, nullptr), abi::kInvalidArgument);
  EXPECT_EQ(c.activateBus(component, abi::kAudio, abi::kOutput, 0, 0), abi::kResultOk);

  abi::RoutingInfo in{abi::kAudio, 0, 1};
  abi::RoutingInfo out{7, 7, 7};
  ASSERT_EQ(c.getRoutingInfo(component, &in, &out), abi::kResultOk);
  EXPECT_EQ(out.mediaType, abi::kAudio);
  EXPECT_EQ(out.busIndex, 0);
  EXPECT_EQ(out.channel, 1);
  in.busIndex = 1;
  out = {7, 7, 7};
  EXPECT_EQ(c.getRoutingInfo(component, &in, &out), abi::kResultFalse);
  EXPECT_EQ(out.mediaType + out.busIndex + out.channel, 0);
  EXPECT_EQ(c.getRoutingInfo(component, &in, nullptr), abi::kInvalidArgument);

  char class_id[16] = {};
  EXPECT_EQ(c.getControllerClassId(component, class_id), abi::kNoInterface);
  EXPECT_EQ(c.setIoMode(component, abi::kAdvanced), abi::kResultOk);
}

TEST(Vst3Buses, ArrangementsNameTheSpeakersAndOnlyStereoIsTaken) {
  for (const auto& [channels, arrangement] :
       {std::pair{1u, 0x80000ull}, std::pair{2u, 0x3ull}, std::pair{3u, 0x7ull},
        std::pair{4u, 0xFull}, std::pair{5u, 0x37ull}, std::pair{6u, 0x3Full},
        std::pair{7u, 0xF7ull}, std::pair{8u, 0xFFull}, std::pair{9u, 0x1FFull},
        std::pair{0u, 0x0ull}}) {
    EXPECT_EQ(vst3::arrangement_for(channels), arrangement) << channels;
  }

  Vst3TestInstance instance;
  auto* processor = instance.processor();
  const auto& p = instance.p();
  abi::SpeakerArrangement arrangement = 0;
  ASSERT_EQ(p.getBusArrangement(processor, abi::kOutput, 0, &arrangement), abi::kResultOk);
  EXPECT_EQ(arrangement, abi::kStereo);
  EXPECT_EQ(p.getBusArrangement(processor, abi::kOutput, 1, &arrangement), abi::kInvalidArgument);
  EXPECT_EQ(p.getBusArrangement(processor, 2, 0, &arrangement), abi::kInvalidArgument);
  EXPECT_EQ(p.getBusArrangement(processor, abi::kInput, 0, nullptr), abi::kInvalidArgument);

  abi::SpeakerArrangement mono = abi::kMono;
  abi::SpeakerArrangement stereo = abi::kStereo;
  abi::SpeakerArrangement surround_pair = abi::kSpeakerLs | abi::kSpeakerRs;
  abi::SpeakerArrangement two[2] = {abi::kStereo, abi::kStereo};
  EXPECT_EQ(p.setBusArrangements(processor, &mono, 1, &stereo, 1), abi::kResultFalse);
  EXPECT_EQ(p.setBusArrangements(processor, two, 2, &stereo, 1), abi::kResultFalse);
  EXPECT_EQ(p.setBusArrangements(processor, &stereo, 1, &stereo, 1), abi::kResultOk);
  EXPECT_EQ(p.setBusArrangements(processor, &surround_pair, 1, &stereo, 1), abi::kResultOk);
  EXPECT_EQ(p.setBusArrangements(processor, nullptr, 0, &stereo, 1), abi::kInvalidArgument);
  EXPECT_EQ(p.setBusArrangements(processor, &stereo, -1, &stereo, 1), abi::kInvalidArgument);

  EXPECT_EQ(p.canProcessSampleSize(processor, abi::kSample32), abi::kResultOk);
  EXPECT_EQ(p.canProcessSampleSize(processor, abi::kSample64), abi::kResultFalse);
  EXPECT_EQ(p.getLatencySamples(processor), 0u);
}

TEST(Vst3Setup, ActivationNeedsTheSetUpAndHandsItToThePlugIn) {
  Vst3TestInstance instance;
  auto* component = instance.component();
  EXPECT_EQ(instance.c().setActive(component, 1), abi::kResultFalse);
  EXPECT_EQ(probe().initialize_calls.load(), 0);
  EXPECT_EQ(instance.p().setupProcessing(instance.processor(), nullptr), abi::kInvalidArgument);
  EXPECT_EQ(instance.setup(0.0), abi::kInvalidArgument);
  EXPECT_EQ(instance.setup(std::nan("")), abi::kInvalidArgument);
  EXPECT_EQ(instance.setup(48000.0, -1), abi::kInvalidArgument);

  for (const auto& [mode, expected] : {std::pair{abi::kOffline, ProcessMode::offline},
                                       std::pair{abi::kPrefetch, ProcessMode::buffered},
                                       std::pair{abi::kRealtime, ProcessMode::realtime}}) {
    ASSERT_EQ(instance.setup(44100.0, 256, mode), abi::kResultOk);
    ASSERT_EQ(instance.c().setActive(component, 1), abi::kResultOk);
    EXPECT_EQ(probe().initialized_rate.load(), 44100.0F);
    EXPECT_EQ(probe().initialized_max_block.load(), 256u);
    EXPECT_EQ(probe().initialized_mode.load(), expected);
    EXPECT_EQ(instance.c().setActive(component, 0), abi::kResultOk);
  }

  ASSERT_EQ(instance.c().setActive(component, 1), abi::kResultOk);
  probe().reset_flushed_to_zero = false;
  EXPECT_EQ(instance.p().setProcessing(instance.processor(), 1), abi::kResultOk);
  EXPECT_EQ(probe().reset_calls.load(), 1);
  EXPECT_TRUE(probe().reset_flushed_to_zero.load());
  EXPECT_TRUE(instance.inner().core().is_processing());
  EXPECT_EQ(instance.p().setProcessing(instance.processor(), 0), abi::kResultOk);
  EXPECT_FALSE(instance.inner().core().is_processing());
}

class Vst3Process : public ::testing::Test {
 protected:
  void SetUp() override { instance.start(); }
  Vst3TestInstance instance;
  ParameterChanges changes;
};

TEST_F(Vst3Process, PointsSplitTheBlockAndApplyAtTheirOwnSample) {
  changes.add(GAIN, 0, 0.25);    // gain 0.5
  changes.add(GAIN, 100, 0.75);  // gain 1.5
  changes.add(COUNT, 100, 1.0);
  ASSERT_EQ(instance.process(256, &changes), abi::kResultOk);
  const auto& records = probe().records;
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].samples, 100u);
  EXPECT_FLOAT_EQ(records[0].gain, 0.5F);
  EXPECT_EQ(records[1].samples, 156u);
  EXPECT_FLOAT_EQ(records[1].gain, 1.5F);
  EXPECT_TRUE(records[0].flush_to_zero);
  EXPECT_FLOAT_EQ(instance.left[99], 0.5F);
  EXPECT_FLOAT_EQ(instance.right[100], 1.5F);
}

TEST_F(Vst3Process, OffsetsOutsideTheBlockAreClampedIntoIt) {
  changes.add(GAIN, 1000, 0.25);  // past the end: the last sample
  changes.add(COUNT, -20, 1.0);   // before the start: the first
  ASSERT_EQ(instance.process(256, &changes), abi::kResultOk);
  const auto& records = probe().records;
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].samples, 255u);
  EXPECT_FLOAT_EQ(records[0].gain, 1.0F);
  EXPECT_EQ(records[1].samples, 1u);
  EXPECT_FLOAT_EQ(records[1].gain, 0.5F);

  // Points at one offset apply in the host's order, whatever their queue.
  changes.clear();
  changes.add(GAIN, 10, 0.25);
  changes.add(COUNT, 3, 0.0);
  changes.add(GAIN, 10, 0.75);
  probe().clear_records();
  ASSERT_EQ(instance.process(64, &changes), abi::kResultOk);
  ASSERT_EQ(probe().records.size(), 3u);
  EXPECT_FLOAT_EQ(probe().records[2].gain, 1.5F);
}

TEST_F(Vst3Process, FlushesApplyEveryPointAndCallNoPlugIn) {
  changes.add(GAIN, 0, 0.25);
  changes.add(GAIN, 40, 0.5);
  ASSERT_EQ(instance.process(0, &changes), abi::kResultOk);
  EXPECT_FLOAT_EQ(instance.gain(), 1.0F);
  changes.clear();
  changes.add(GAIN, 3, 0.75);
  ASSERT_EQ(instance.process(-16, &changes), abi::kResultOk);
  EXPECT_FLOAT_EQ(instance.gain(), 1.5F);

  // A block without output buffers is a flush too, its points applied over its length.
  changes.clear();
  changes.add(GAIN, 0, 0.0);
  changes.add(GAIN, 30, 0.25);
  instance.data.numOutputs = 0;
  ASSERT_EQ(instance.process(64, &changes), abi::kResultOk);
  EXPECT_FLOAT_EQ(instance.gain(), 0.5F);
  instance.data.numOutputs = 1;
  instance.data.outputs = nullptr;
  ASSERT_EQ(instance.process(64, &changes), abi::kResultOk);
  EXPECT_TRUE(probe().records.empty());
}

TEST_F(Vst3Process, RefusedCallsTouchNeitherBuffersNorValues) {
  EXPECT_EQ(instance.p().process(instance.processor(), nullptr), abi::kInvalidArgument);
  // A host asking for 64-bit samples: its double buffers are never read as floats.
  changes.add(GAIN, 0, 0.0);
  instance.data.symbolicSampleSize = abi::kSample64;
  EXPECT_EQ(instance.process(32, &changes), abi::kResultFalse);
  EXPECT_FLOAT_EQ(instance.left[0], 1.0F);
  EXPECT_FLOAT_EQ(instance.gain(), 1.0F);
  EXPECT_TRUE(probe().records.empty());
  instance.data.symbolicSampleSize = abi::kSample32;

  probe().result = ProcessResult::error("broken");
  EXPECT_EQ(instance.process(32), abi::kResultFalse);
}

TEST(Vst3ProcessOrder, ProcessBeforeSetUpIsRefusedNotFatal) {
  Vst3TestInstance instance;
  ParameterChanges changes;
  changes.add(GAIN, 0, 0.0);
  for (int call = 0; call < 3; ++call) {
    EXPECT_EQ(instance.process(64, &changes), abi::kResultFalse);
  }
  EXPECT_TRUE(probe().records.empty());
  EXPECT_FLOAT_EQ(instance.gain(), 1.0F);
}

TEST_F(Vst3Process, TransportFollowsTheContextIntoEverySubBlock) {
  abi::ProcessContext context{};
  context.state = abi::kPlaying | abi::kTempoValid | abi::kProjectTimeMusicValid |
                  abi::kBarPositionValid | abi::kTimeSigValid;
  context.tempo = 120.0;
  context.projectTimeMusic = 7.0;
  context.barPositionMusic = 4.0;
  context.timeSigNumerator = 4;
  context.timeSigDenominator = 4;
  changes.add(GAIN, 1000, 0.5);
  ASSERT_EQ(instance.process(1024, &changes, &context), abi::kResultOk);
  const auto& records = probe().records;
  ASSERT_EQ(records.size(), 2u);
  EXPECT_TRUE(records[0].playing);
  EXPECT_EQ(records[0].tempo, 120.0);
  EXPECT_EQ(records[0].pos_beats, 7.0);
  EXPECT_EQ(records[0].bar_number, 1);
  EXPECT_DOUBLE_EQ(*records[1].pos_beats, 7.0 + 1000.0 / 48000.0 * 2.0);
  EXPECT_FALSE(records[1].pos_seconds.has_value());

  probe().clear_records();
  ASSERT_EQ(instance.process(16), abi::kResultOk);
  ASSERT_EQ(probe().records.size(), 1u);
  EXPECT_FALSE(probe().records[0].playing);
  EXPECT_FALSE(probe().records[0].tempo.has_value());
  EXPECT_FALSE(probe().records[0].pos_beats.has_value());
}

TEST_F(Vst3Process, TailSamplesFollowTheLastBlock) {
  probe().result = ProcessResult::tail(4800);
  ASSERT_EQ(instance.process(32), abi::kResultOk);
  EXPECT_EQ(instance.p().getTailSamples(instance.processor()), 4800u);
  probe().result = ProcessResult::keep_alive();
  ASSERT_EQ(instance.process(32), abi::kResultOk);
  EXPECT_EQ(instance.p().getTailSamples(instance.processor()), abi::kInfiniteTail);
  ASSERT_EQ(instance.p().setProcessing(instance.processor(), 0), abi::kResultOk);
  EXPECT_EQ(instance.p().getTailSamples(instance.processor()), 0u);
}

// A block that finds the main thread holding the plug-in (a host processing while it activates)
// sends silence, as a CLAP call does, never the dry input; its parameter changes still count.
TEST(Vst3Processor, ABlockThatFindsThePlugInHeldSendsSilence) {
  Vst3TestInstance instance;
  instance.start();
  abi::tresult result = abi::kResultFalse;
  const std::size_t records = probe().records.size();
  instance.inner().core().with_plugin([&](Vst3TestPlugin&) {
    run_on_another_thread("a block that finds the plug-in held", [&] {
      ParameterChanges changes;
      changes.add(GAIN, 0, 0.25);
      result = instance.process(64, &changes);
    });
  });
  EXPECT_EQ(result, abi::kResultOk);
  EXPECT_EQ(probe().records.size(), records);
  EXPECT_TRUE(
      std::all_of(instance.left.begin(), instance.left.end(), [](float x) { return x == 0; }));
  EXPECT_TRUE(
      std::all_of(instance.right.begin(), instance.right.end(), [](float x) { return x == 0; }));
  EXPECT_FLOAT_EQ(instance.gain(), 0.5F);
}

}  // namespace
}  // namespace vessimor::test
