// Time per stereo frame of the whole effect.
#include <benchmark/benchmark.h>

#include <cstddef>

#include "bench/processor_cases.hpp"

namespace {

// Blocks of noise through the block path the plug-in takes, the input scan included.
void run_case(benchmark::State& state, const char* name) {
  vessimor::VessimorProcessor p(vessimor::bench::kSampleRate);
  vessimor::bench::make_case(name, p);
  vessimor::bench::InputNoise noise;
  constexpr std::size_t kBlock = 512;
  float left[kBlock];
  float right[kBlock];
  for (auto _ : state) {
    for (std::size_t i = 0; i < kBlock; ++i) {
      left[i] = noise.next();
      right[i] = noise.next();
    }
    p.process_block(left, right, kBlock);
    benchmark::DoNotOptimize(left);
    benchmark::DoNotOptimize(right);
  }
  state.counters["time_per_frame"] =
      benchmark::Counter(static_cast<double>(state.iterations() * kBlock),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_Processor_default(benchmark::State& state) {
  run_case(state, "default");
}
void BM_Processor_worst(benchmark::State& state) {
  run_case(state, "worst");
}
BENCHMARK(BM_Processor_default);
BENCHMARK(BM_Processor_worst);

}  // namespace
