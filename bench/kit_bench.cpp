// Per-sample cost of each DSP kit block.
#include <benchmark/benchmark.h>

#include "engine/kit/carrier.hpp"
#include "engine/kit/filter/comb.hpp"
#include "engine/kit/formant.hpp"
#include "engine/kit/oscillator.hpp"
#include "engine/kit/saturation.hpp"
#include "engine/kit/vector_path.hpp"

namespace {

using namespace quorvane_dsp_kit;

constexpr float kRate = 48000.0f;

// Each iteration is one sample, so the time column is the time per sample; the counter repeats
// it explicitly for readers of the JSON output.
void per_sample(benchmark::State& state) {
  state.counters["time_per_sample"] =
      benchmark::Counter(static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_OscillatorBank(benchmark::State& state) {
  OscillatorBank bank(static_cast<std::size_t>(state.range(0)), kRate);
  bank.set_spread(0.5f);
  bank.drift = 1.0f;
  for (auto _ : state) benchmark::DoNotOptimize(bank.process());
  per_sample(state);
}
BENCHMARK(BM_OscillatorBank)->Arg(4)->Arg(16);

// 16 oscillators whose pitch and spread move every sample, on the four-lane (arg 4) or the
// eight-lane path (arg 8; skipped where the processor lacks it).
void BM_OscillatorBankMoving(benchmark::State& state) {
  const VectorPath path = state.range(0) == 8 ? VectorPath::Lanes8 : VectorPath::Lanes4;
  const VectorPath initial = vector_path();
  if (!use_vector_path(path)) {
    state.SkipWithError("this processor lacks the path");
    return;
  }
  OscillatorBank bank(16, kRate);
  bank.drift = 1.0f;
  float f = 220.0f;
  for (auto _ : state) {
    f = f < 880.0f ? f * 1.0001f : 220.0f;
    benchmark::DoNotOptimize(bank.process_at(f, f * 0.001f));
  }
  per_sample(state);
  use_vector_path(initial);
}
BENCHMARK(BM_OscillatorBankMoving)->Arg(4)->Arg(8);

void BM_FormantFilter(benchmark::State& state) {
  FormantFilter filter(kRate);
  filter.set_position(0.3f);
  float x = 0.1f;
  for (auto _ : state) {
    x = filter.process(x) * 0.5f + 0.25f;
    benchmark::DoNotOptimize(x);
  }
  per_sample(state);
}
BENCHMARK(BM_FormantFilter);

void BM_CarrierFormantMorph(benchmark::State& state) {
  Carrier carrier(kRate);
  carrier.set_morph_rate(2.0f);
  for (auto _ : state) benchmark::DoNotOptimize(carrier.process());
  per_sample(state);
}
BENCHMARK(BM_CarrierFormantMorph);

void BM_CombFilter(benchmark::State& state) {
  CombFilter comb(kRate);
  comb.feedback = 0.9f;
  comb.mix = 0.5f;
  float x = 0.1f;
  for (auto _ : state) {
    x = comb.process(x) * 0.5f + 0.01f;
    benchmark::DoNotOptimize(x);
  }
  per_sample(state);
}
BENCHMARK(BM_CombFilter);

void BM_Saturator(benchmark::State& state) {
  Saturator sat{0.8f, 1.0f, static_cast<SaturationMode>(state.range(0))};
  float x = 0.1f;
  for (auto _ : state) {
    x = sat.process(x) * 0.9f + 0.05f;
    benchmark::DoNotOptimize(x);
  }
  per_sample(state);
}
BENCHMARK(BM_Saturator)->DenseRange(0, 3);

void BM_Wavefolder(benchmark::State& state) {
  Wavefolder folder{0.8f, 1, 1.0f};
  folder.set_stages(static_cast<std::uint32_t>(state.range(0)));
  float x = 0.1f;
  for (auto _ : state) {
    x = folder.process(x) * 0.9f + 0.05f;
    benchmark::DoNotOptimize(x);
  }
  per_sample(state);
}
BENCHMARK(BM_Wavefolder)->Arg(1)->Arg(4);

}  // namespace
