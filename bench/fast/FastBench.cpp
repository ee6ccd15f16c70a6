// Chain throughput at x1 and x16 with a synthetic valid model set, and the cost of one tone-position
// selection on block 4 with a 3375-position file. items_per_second counts chain steps (four block
// steps each); the real-time factor at 44.1 kHz is items_per_second / 44100 at x1 and
// items_per_second / 705600 at x16.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "ChainTestSupport.h"

using namespace ravlin;
using namespace ravlin::synthetic;

static void ChainStepsX1(benchmark::State& state)
{
    auto chain = std::make_unique<ChannelChain>();
    if (!loadSyntheticChain(*chain, 8, "bench1"))
        state.SkipWithError("synthetic model files did not load");
    double phase = 0.0, sink = 0.0;
    for (auto _ : state)
    {
        for (int n = 0; n < 256; ++n)
        {
            sink += chain->processSample(0.3 * std::sin(phase));
            phase += 0.01;
        }
    }
    benchmark::DoNotOptimize(sink);
    state.SetItemsProcessed(state.iterations() * 256);
    state.counters["realtime_x"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * 256 / 44100.0, benchmark::Counter::kIsRate);
}
BENCHMARK(ChainStepsX1);

static void ChainStepsX16(benchmark::State& state)
{
    auto chain = std::make_unique<ChannelChain>();
    if (!loadSyntheticChain(*chain, 8, "bench16"))
        state.SkipWithError("synthetic model files did not load");
    chain->setSampleRate(705600.0);
    double phase = 0.0, sink = 0.0;
    for (auto _ : state)
    {
        for (int n = 0; n < 64; ++n)
        {
            sink += chain->processOversampled<16>(0.3 * std::sin(phase));
            phase += 0.01;
        }
    }
    benchmark::DoNotOptimize(sink);
    state.SetItemsProcessed(state.iterations() * 64 * 16);
    state.counters["realtime_x"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * 64 / 44100.0, benchmark::Counter::kIsRate);
}
BENCHMARK(ChainStepsX16);

static void SelectPositionBlock4(benchmark::State& state)
{
    auto chain = std::make_unique<ChannelChain>();
    if (!loadSyntheticChain(*chain, 3375, "bench_tone"))
        state.SkipWithError("synthetic model files did not load");
    unsigned index = 0;
    for (auto _ : state)
    {
        chain->selectPosition(4, index);
        index = (index + 1237) % 3375; // spread over the file, including the last positions
    }
    benchmark::DoNotOptimize(chain->block4().position);
}
BENCHMARK(SelectPositionBlock4);
