// vessimor-frames <case> <frames>: renders noise through a processor set up as the named
// benchmark case; run under callgrind by scripts/instructions-per-frame.
#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include "bench/processor_cases.hpp"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: vessimor-frames <default|worst> <frames>\n");
    return 2;
  }
  vessimor::VessimorProcessor p(vessimor::bench::kSampleRate);
  if (!vessimor::bench::make_case(argv[1], p)) {
    std::fprintf(stderr, "vessimor-frames: unknown case %s\n", argv[1]);
    return 2;
  }
  const long frames = std::strtol(argv[2], nullptr, 10);
  // The input comes from a table made before the render, so that the count per frame is the
  // processor's and not the noise generator's.
  constexpr std::size_t kTable = 4096;
  static float input[kTable][2];
  vessimor::bench::InputNoise noise;
  for (auto& frame : input) {
    frame[0] = noise.next();
    frame[1] = noise.next();
  }
  float checksum = 0.0f;
  for (long i = 0; i < frames; ++i) {
    const float* frame = input[static_cast<std::size_t>(i) % kTable];
    const vessimor::StereoSample out = p.process(frame[0], frame[1]);
    checksum += out.left - out.right;
  }
  // Printing the checksum keeps the render from being optimised away.
  std::printf("%g\n", static_cast<double>(checksum));
  return 0;
}
