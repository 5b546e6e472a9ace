// vessimor-tone <out.wav>: renders two seconds of a 220 Hz sine through the effect into a stereo
// 32-bit float WAV file, as a quick audible check of the engine without a plug-in host.
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "engine/kit/oscillator.hpp"
#include "engine/processor.hpp"

namespace {

constexpr int kSampleRate = 48000;
constexpr int kFrames = 2 * kSampleRate;
constexpr float kToneHz = 220.0f;
constexpr float kToneLevel = 0.5f;

std::vector<float> render() {
  // The effect as it starts in the plug-in: formant carrier, half wet.
  vessimor::VessimorProcessor processor(static_cast<float>(kSampleRate));
  auto tone = quorvane_dsp_kit::Oscillator::make(static_cast<float>(kSampleRate), kToneHz);
  std::vector<float> interleaved;
  interleaved.reserve(static_cast<std::size_t>(kFrames) * 2);
  for (int i = 0; i < kFrames; ++i) {
    const float x = kToneLevel * tone.tick();
    const vessimor::StereoSample out = processor.process(x, x);
    interleaved.push_back(out.left);
    interleaved.push_back(out.right);
  }
  return interleaved;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vessimor-tone <out.wav>\n");
    return 2;
  }
  const std::vector<float> samples = render();
  SF_INFO info{};
  info.samplerate = kSampleRate;
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(argv[1], SFM_WRITE, &info);
  if (file == nullptr) {
    std::fprintf(stderr, "vessimor-tone: cannot open %s: %s\n", argv[1], sf_strerror(nullptr));
    return 1;
  }
  const sf_count_t written = sf_writef_float(file, samples.data(), kFrames);
  const int close_error = sf_close(file);
  if (written != kFrames || close_error != 0) {
    std::fprintf(stderr, "vessimor-tone: writing %s failed\n", argv[1]);
    return 1;
  }
  return 0;
}
