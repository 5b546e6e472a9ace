// Time per stereo frame of the whole effect.
#include <benchmark/benchmark.h>

#include "bench/processor_cases.hpp"

namespace {

void run_case(benchmark::State& state, const char* name) {
  vessimor::VessimorProcessor p(vessimor::bench::kSampleRate);
  vessimor::bench::make_case(name, p);
  vessimor::bench::InputNoise noise;
  for (auto _ : state) {
    const float l = noise.next();
    const float r = noise.next();
    benchmark::DoNotOptimize(p.process(l, r));
  }
  state.counters["time_per_frame"] =
      benchmark::Counter(static_cast<double>(state.iterations()),
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
