// The sound, pinned: every factory preset on a fixed noise and a fixed sine, rendered through the
// plug-in object and hashed over the samples' bit patterns. The hashes hold on every processor
// and vector path (x86-64 with eight or four lanes, arm64 with four NEON lanes): the build fuses
// no multiply-adds and the paths do the same IEEE operations in the same order. A changed hash
// is a changed sound; only a change of sound made on purpose may change the table.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <numbers>
#include <string>
#include <tuple>
#include <variant>
#include <vector>

#include "engine/kit/vector_path.hpp"
#include "framework/audio/buffer_manager.hpp"
#include "plugin/factory_presets.hpp"
#include "plugin/param_table.hpp"
#include "plugin/vessimor.hpp"

namespace vessimor {
namespace {

using quorvane_dsp_kit::VectorPath;

constexpr float kSampleRate = 48000.0F;
constexpr std::uint32_t kFrames = 24000;  // half a second
constexpr std::uint32_t kFixedBlock = 512;
constexpr std::uint32_t kMaxBlock = 1024;

// FNV-1a (64 bits) over the bit patterns of the samples, left then right, frame by frame.
struct Fnv1a {
  std::uint64_t value = 0xcbf29ce484222325ULL;
  void add(float sample) {
    const auto bits = std::bit_cast<std::uint32_t>(sample);
    for (int shift = 0; shift < 32; shift += 8) {
      value = (value ^ ((bits >> shift) & 0xFFU)) * 0x100000001b3ULL;
    }
  }
};

// xorshift32: the same numbers everywhere, unlike the standard library's distributions.
struct XorShift {
  std::uint32_t state;
  std::uint32_t next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  }
};

using Stereo = std::array<std::vector<float>, 2>;

// White noise at half scale, its own stream in each channel.
Stereo noise_input() {
  Stereo input{std::vector<float>(kFrames), std::vector<float>(kFrames)};
  XorShift random{0x2545F491U};
  for (std::uint32_t i = 0; i < kFrames; ++i) {
    for (auto& channel : input) {
      // An exact scaling of a 32-bit integer, rounded once to float.
      channel[i] = static_cast<float>(static_cast<std::int32_t>(random.next())) * 0x1p-32F;
    }
  }
  return input;
}

// A 220 Hz sine at half scale, the right channel a quarter period ahead. Computed in double and
// rounded once, so a last-bit difference between C libraries cannot reach the float.
Stereo sine_input() {
  Stereo input{std::vector<float>(kFrames), std::vector<float>(kFrames)};
  for (std::uint32_t i = 0; i < kFrames; ++i) {
    const double phase = 2.0 * std::numbers::pi * 220.0 * i / static_cast<double>(kSampleRate);
    input[0][i] = static_cast<float>(0.5 * std::sin(phase));
    input[1][i] = static_cast<float>(0.5 * std::cos(phase));
  }
  return input;
}

class PlayingTransport final : public ProcessContext {
 public:
  PlayingTransport() {
    transport_.playing = true;
    transport_.tempo = 120.0;
  }
  const Transport& transport() const override { return transport_; }

 private:
  Transport transport_{kSampleRate};
};

struct NoLatency final : InitContext {
  void set_latency_samples(std::uint32_t) override {}
};

// The preset's plain values into a fresh plug-in, activated at 48 kHz, then the input processed
// in place in blocks of `block_size` frames, or of random sizes up to kMaxBlock when it is 0.
std::uint64_t render_hash(const VessimorPreset& preset, const Stereo& input,
                          std::uint32_t block_size) {
  Vessimor plugin;
  auto& params = static_cast<VessimorParams&>(*plugin.params());
  for (const ParamDescriptor& d : PARAM_TABLE) {
    std::visit([&](auto b) { (params.*b.param).set_plain_value(preset.*b.field); }, d.fields);
  }
  const AudioIOLayout layout{.main_input_channels = 2, .main_output_channels = 2};
  NoLatency init_context;
  ProcessingConfig config;
  config.sample_rate = kSampleRate;
  config.max_buffer_size = kMaxBlock;
  plugin.initialize(layout, config, init_context);
  plugin.reset();

  Stereo audio = input;
  std::array<float*, 2> pointers{audio[0].data(), audio[1].data()};
  const std::array ports{HostAudioPort{pointers.data(), 2}};
  BufferManager manager = BufferManager::for_audio_io_layout(kMaxBlock, layout);
  PlayingTransport context;
  XorShift random{0x9E3779B9U};
  for (std::uint32_t done = 0; done < kFrames;) {
    std::uint32_t length = block_size != 0 ? block_size : 1 + random.next() % kMaxBlock;
    length = std::min(length, kFrames - done);
    BlockBuffers buffers = manager.create_buffers(done, length, {ports, ports});
    plugin.process(buffers.main, buffers.aux, context);
    done += length;
  }

  Fnv1a hash;
  for (std::uint32_t i = 0; i < kFrames; ++i) {
    hash.add(audio[0][i]);
    hash.add(audio[1][i]);
  }
  return hash.value;
}

struct Golden {
  const char* preset;
  std::uint64_t noise;
  std::uint64_t sine;
};

// One hash per preset and signal: the host's block size is not part of the sound, so a fixed
// and a random block schedule must both give it.
constexpr std::array<Golden, 28> kGolden{{
    {"Init", 0x80bbdf4145017b69, 0xa2c59e8435d53393},
    {"Radio Static", 0x6513f163f9013715, 0x6565efadcf400386},
    {"Robot Voice", 0x390eded1d1d8e946, 0x483003d0aa12b138},
    {"Metallic Shimmer", 0x92086d070126fd4e, 0xf2434c663c040970},
    {"Vowel Sweep", 0x2ad9a9d17fc8e751, 0xa1d37ed2105b7d25},
    {"Talking Synth", 0x6f194831fd79db4a, 0xdcf12e1b06ca49fb},
    {"Synth Vowels", 0xc9e9447e6cd4e990, 0xdeea7e2f4a964821},
    {"Sci-Fi Scanner", 0x651add6916b6efec, 0xd5528f9043873260},
    {"Glitch Rhythm", 0xcd034e6011120b5c, 0x302a9af371f71bd6},
    {"Broken Transmission", 0x2b96dae007c14483, 0x251c3c66f000b095},
    {"Granular Chaos", 0x621a4b25732798f3, 0xcf58d5ee94a6a213},
    {"Stepped Destruction", 0xca24e3bb779af0ae, 0xb835fc5641a47df7},
    {"Spectral Cloud", 0x6046efc88b16ca5f, 0x95498e724299a939},
    {"Warm Chorus", 0x792311f61cc417e9, 0x661a59f892bc7fb5},
    {"Dense Texture", 0x9ebaf7ce49b68d69, 0xf168c036525265be},
    {"Ambient Wash", 0xd6940ce47f1cbe1e, 0xfd879d9a64f678de},
    {"Pad Thickener", 0x8105a90251a004d9, 0xe1c4a41e6fdb741c},
    {"Keys Sparkle", 0x8f3ad6e4f60aefb1, 0x9430bdcea1bb0441},
    {"Organ Swell", 0x8611817e3fbe6291, 0x7139b1cc62717d09},
    {"Gritty Edge", 0xdf3f938dc9f6830f, 0x4ec280327aac3024},
    {"Folded Harmonics", 0x7d754dd185f85a1b, 0xafc80461c39dd1bc},
    {"Lo-Fi Warmth", 0x7da7ab738d7df987, 0xd71efa74ee3c9deb},
    {"Harsh Metallic", 0x86491792910ab153, 0x23121a062d250498},
    {"Slow Drift", 0x5582560892889eba, 0x0527827574404ed1},
    {"Rhythmic Pulse", 0x24bb9609cf4b93e8, 0xe5a897945ba7962f},
    {"Octave Wobble", 0xdd5257f5c8ec04ed, 0x6a441aad58a1c7df},
    {"Bass Transformer", 0xe3e8468aa8e49256, 0x722f1a4ccff4b526},
    {"Combover", 0x2b4d707dbe3dab8f, 0xed0f3ec188fc31e3},
}};

class GoldenRender : public ::testing::TestWithParam<std::size_t> {};

TEST_P(GoldenRender, EveryVectorPathAndBlockScheduleGivesTheStoredHashes) {
  static const Stereo noise = noise_input();
  static const Stereo sine = sine_input();
  ASSERT_EQ(FACTORY_PRESETS.size(), kGolden.size());
  const VessimorPreset& preset = FACTORY_PRESETS[GetParam()];
  const Golden& golden = kGolden[GetParam()];
  EXPECT_EQ(preset.name, golden.preset);

  const VectorPath initial = quorvane_dsp_kit::vector_path();
  for (const VectorPath path : {VectorPath::Lanes4, VectorPath::Lanes8}) {
    if (!quorvane_dsp_kit::use_vector_path(path)) continue;
    for (const std::uint32_t block_size : {kFixedBlock, 0U}) {
      for (const auto& [signal, input, expected] :
           {std::tuple{"noise", &noise, golden.noise}, std::tuple{"sine", &sine, golden.sine}}) {
        const std::uint64_t hash = render_hash(preset, *input, block_size);
        char text[19];
        std::snprintf(text, sizeof text, "0x%016llx", static_cast<unsigned long long>(hash));
        EXPECT_EQ(hash, expected) << preset.name << " on " << signal << ", "
                                  << (path == VectorPath::Lanes8 ? "eight" : "four") << " lanes, "
                                  << (block_size != 0 ? "fixed" : "random") << " blocks: got "
                                  << text;
      }
    }
  }
  quorvane_dsp_kit::use_vector_path(initial);
}

INSTANTIATE_TEST_SUITE_P(AllFactoryPresets, GoldenRender,
                         ::testing::Range<std::size_t>(0, kGolden.size()),
                         [](const ::testing::TestParamInfo<std::size_t>& info) {
                           std::string name;
                           for (const char c : FACTORY_PRESETS[info.param].name) {
                             name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace vessimor
