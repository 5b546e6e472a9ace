// vessimor-frames <case> <frames>: renders noise through a processor set up as the named
// benchmark case, in blocks as the plug-in does; run under callgrind by
// scripts/instructions-per-frame.
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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
  constexpr std::size_t kBlock = 512;  // divides the table
  static float input[2][kTable];
  vessimor::bench::InputNoise noise;
  for (std::size_t i = 0; i < kTable; ++i) {
    input[0][i] = noise.next();
    input[1][i] = noise.next();
  }
  static float block[2][kBlock];
  float checksum = 0.0f;
  for (long done = 0; done < frames;) {
    const std::size_t at = static_cast<std::size_t>(done) % kTable;
    const std::size_t n = std::min<std::size_t>(kBlock, static_cast<std::size_t>(frames - done));
    std::memcpy(block[0], input[0] + at, n * sizeof(float));
    std::memcpy(block[1], input[1] + at, n * sizeof(float));
    p.process_block(block[0], block[1], n);
    checksum += block[0][0] - block[1][0];
    done += static_cast<long>(n);
  }
  // Printing the checksum keeps the render from being optimised away.
  std::printf("%g\n", static_cast<double>(checksum));
  return 0;
}
