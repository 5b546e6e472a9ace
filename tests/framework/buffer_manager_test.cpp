#include "framework/audio/buffer_manager.hpp"

#include <gtest/gtest.h>

#include <array>
#include <numeric>
#include <vector>

#include "tests/support/alloc_hook.hpp"

namespace vessimor {
namespace {

constexpr AudioIOLayout kStereo{.main_input_channels = 2, .main_output_channels = 2};

// Host memory for one port: `channels` channels of `length` samples, channel k filled with
// 1000 * (k + 1) + index, so that a copy shows where it came from.
struct HostChannels {
  HostChannels(std::uint32_t channels, std::uint32_t length)
      : samples(channels, std::vector<float>(length)) {
    for (std::uint32_t k = 0; k < channels; ++k) {
      std::iota(samples[k].begin(), samples[k].end(), 1000.0F * static_cast<float>(k + 1));
      pointers.push_back(samples[k].data());
    }
  }
  HostAudioPort port() const {
    return {pointers.data(), static_cast<std::uint32_t>(pointers.size())};
  }

  std::vector<std::vector<float>> samples;
  std::vector<float*> pointers;
};

TEST(BufferManager, MonoInputIntoStereoLayout) {
  auto manager = BufferManager::for_audio_io_layout(256, kStereo);
  HostChannels input(1, 256);
  HostChannels output(2, 256);
  const std::array inputs{input.port()};
  const std::array outputs{output.port()};

  BlockBuffers buffers = manager.create_buffers(0, 256, {inputs, outputs});

  ASSERT_EQ(buffers.main.channels(), 2U);
  EXPECT_EQ(buffers.main.samples(), 256U);
  EXPECT_EQ(buffers.main.channel(0).data(), output.samples[0].data()) << "processing in place";
  EXPECT_EQ(output.samples[0], input.samples[0]);
  EXPECT_EQ(output.samples[1], std::vector<float>(256, 0.0F));
}

TEST(BufferManager, CopiesOnlyWhenOutOfPlace) {
  auto manager = BufferManager::for_audio_io_layout(256, kStereo);
  HostChannels shared(2, 256);
  const std::array ports{shared.port()};
  shared.samples[1][5] = -7.0F;

  BlockBuffers in_place = manager.create_buffers(0, 256, {ports, ports});
  EXPECT_EQ(in_place.main.channel(1)[5], -7.0F);

  HostChannels input(2, 256);
  HostChannels output(2, 256);
  output.samples[0].assign(256, 99.0F);
  const std::array inputs{input.port()};
  const std::array outputs{output.port()};
  BlockBuffers out_of_place = manager.create_buffers(0, 256, {inputs, outputs});
  EXPECT_EQ(out_of_place.main.channel(0)[17], 1017.0F);
  EXPECT_EQ(output.samples, input.samples);
}

TEST(BufferManager, SubBlockAtOffset) {
  auto manager = BufferManager::for_audio_io_layout(256, kStereo);
  HostChannels input(2, 256);
  HostChannels output(2, 256);
  const std::array inputs{input.port()};
  const std::array outputs{output.port()};

  BlockBuffers buffers = manager.create_buffers(64, 192, {inputs, outputs});

  EXPECT_EQ(buffers.main.samples(), 192U);
  for (std::size_t k = 0; k < 2; ++k) {
    EXPECT_EQ(buffers.main.channel(k).data(), output.samples[k].data() + 64);
    EXPECT_EQ(buffers.main.channel(k).size(), 192U);
  }
  EXPECT_EQ(output.samples[1][63], 2063.0F) << "before the sub-block the output is untouched";
  EXPECT_EQ(output.samples[1][64], 2064.0F);
}

TEST(BufferManager, NoHostOutputsGiveEmptySlots) {
  auto manager = BufferManager::for_audio_io_layout(128, kStereo);
  HostChannels input(2, 128);
  const std::array inputs{input.port()};

  BlockBuffers buffers = manager.create_buffers(0, 128, {inputs, {}});
  EXPECT_EQ(buffers.main.samples(), 128U);
  ASSERT_EQ(buffers.main.channels(), 2U);
  EXPECT_TRUE(buffers.main.channel(0).empty());
  EXPECT_TRUE(buffers.main.channel(1).empty());

  const HostAudioPort null_table{nullptr, 2};
  const std::array outputs{null_table};
  BlockBuffers null_outputs = manager.create_buffers(0, 128, {inputs, outputs});
  EXPECT_TRUE(null_outputs.main.channel(0).empty());
}

TEST(BufferManager, ExtraHostChannelsAreIgnored) {
  auto manager = BufferManager::for_audio_io_layout(64, kStereo);
  HostChannels input(4, 64);
  HostChannels output(4, 64);
  output.samples[2].assign(64, 5.0F);
  const std::array inputs{input.port()};
  const std::array outputs{output.port()};

  BlockBuffers buffers = manager.create_buffers(0, 64, {inputs, outputs});
  EXPECT_EQ(buffers.main.channels(), 2U);
  EXPECT_EQ(output.samples[2], std::vector<float>(64, 5.0F));
}

TEST(BufferManager, AuxiliaryPortsFollowTheMainPort) {
  constexpr std::array<std::uint32_t, 1> kSidechain = {2};
  constexpr std::array<std::uint32_t, 1> kAuxOut = {1};
  const AudioIOLayout layout{.main_input_channels = 2,
                             .main_output_channels = 2,
                             .aux_input_ports = kSidechain,
                             .aux_output_ports = kAuxOut};
  auto manager = BufferManager::for_audio_io_layout(32, layout);
  HostChannels main_in(2, 32);
  HostChannels main_out(2, 32);
  HostChannels side(1, 32);  // one channel fewer than the layout's
  HostChannels aux_out(1, 32);
  const std::array inputs{main_in.port(), side.port()};
  const std::array outputs{main_out.port(), aux_out.port()};

  BlockBuffers buffers = manager.create_buffers(8, 16, {inputs, outputs});

  ASSERT_EQ(buffers.aux.inputs.size(), 1U);
  const Buffer& sidechain = buffers.aux.inputs[0];
  ASSERT_EQ(sidechain.channels(), 2U);
  ASSERT_EQ(sidechain.channel(0).size(), 16U);
  EXPECT_EQ(sidechain.channel(0)[0], 1008.0F);
  EXPECT_NE(sidechain.channel(0).data(), side.samples[0].data() + 8) << "a copy, not the host's";
  EXPECT_EQ(sidechain.channel(1)[3], 0.0F);

  ASSERT_EQ(buffers.aux.outputs.size(), 1U);
  EXPECT_EQ(buffers.aux.outputs[0].channel(0).data(), aux_out.samples[0].data() + 8);
  EXPECT_EQ(aux_out.samples[0][8], 0.0F);
  EXPECT_EQ(aux_out.samples[0][7], 1007.0F);

  // A host that leaves out the auxiliary ports: silent sidechain, empty aux outputs.
  const std::array main_only_in{main_in.port()};
  const std::array main_only_out{main_out.port()};
  BlockBuffers main_only = manager.create_buffers(0, 32, {main_only_in, main_only_out});
  EXPECT_EQ(main_only.aux.inputs[0].channel(0)[4], 0.0F);
  EXPECT_TRUE(main_only.aux.outputs[0].channel(0).empty());
}

TEST(BufferManager, NoAllocationWithinPreparedSizeAndNoOverrunBeyondIt) {
  constexpr std::array<std::uint32_t, 1> kSidechain = {2};
  const AudioIOLayout layout{
      .main_input_channels = 2, .main_output_channels = 2, .aux_input_ports = kSidechain};
  auto manager = BufferManager::for_audio_io_layout(128, layout);
  HostChannels main_in(2, 512);
  HostChannels main_out(2, 512);
  HostChannels side(2, 512);
  const std::array inputs{main_in.port(), side.port()};
  const std::array outputs{main_out.port()};

  {
    test::AllocationHook hook;
    manager.create_buffers(0, 128, {inputs, outputs});
    manager.create_buffers(100, 28, {inputs, outputs});
    EXPECT_EQ(hook.count(), 0U);
  }

  // The host announced 128 but sends 512: the copy must still land entirely in owned memory
  // (the sanitizer builds catch an overrun here).
  BlockBuffers buffers = manager.create_buffers(0, 512, {inputs, outputs});
  ASSERT_EQ(buffers.aux.inputs[0].channel(1).size(), 512U);
  EXPECT_EQ(buffers.aux.inputs[0].channel(1)[511], 2511.0F);
}

}  // namespace
}  // namespace vessimor
