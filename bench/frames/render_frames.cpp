// vessimor-frames <case> <frames>: renders noise through a processor set up as the named
// benchmark case; run under callgrind by scripts/instructions-per-frame.
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
  vessimor::bench::InputNoise noise;
  float checksum = 0.0f;
  for (long i = 0; i < frames; ++i) {
    const float l = noise.next();
    const float r = noise.next();
    const vessimor::StereoSample out = p.process(l, r);
    checksum += out.left - out.right;
  }
  // Printing the checksum keeps the render from being optimised away.
  std::printf("%g\n", static_cast<double>(checksum));
  return 0;
}
