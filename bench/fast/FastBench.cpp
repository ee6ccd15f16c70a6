// Chain throughput at x1 and x16 with a synthetic valid model set, and the cost of one tone-position
// selection on block 4 with a 3375-position file. items_per_second counts chain steps (four block
// steps each); the real-time factor at 44.1 kHz is items_per_second / 44100 at x1 and
// items_per_second / 705600 at x16.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "ChainTestSupport.h"
#include "fast/ChainKernels.h"

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

// The scalar reference step against the vector step on files shaped like the shipped data (block 1:
// 3 inputs, 16 units, 3 used outputs; block 2: 4 inputs, units fitted per output 8/8/16/16; block 3:
// 2 inputs, 16 units, 3 regions; block 4: 10 units). items_per_second counts chain steps.
namespace {

std::string shapedPca(const std::string& tag, unsigned positions, unsigned networks, unsigned inputs,
                      std::array<std::int32_t, 4> inputFlags, std::array<std::int32_t, 4> outputFlags,
                      const std::vector<int>& unitsPerOutput, unsigned entryLength)
{
    PcaShape shape;
    shape.networksPerPosition.assign(positions, networks);
    shape.networkInputs = inputs;
    shape.inputFlags = inputFlags;
    shape.outputFlags = outputFlags;
    shape.entryLength = entryLength;
    unsigned hidden = 0;
    for (int u : unitsPerOutput)
        hidden += static_cast<unsigned>(u);
    shape.hidden = hidden;
    PCAModelFileF f = makePca(shape);
    if (unitsPerOutput.size() == 4)
        for (auto& pos : f.sets[0].positions)
            for (auto& net : pos.networks)
            {
                const std::size_t start = (inputs + 1) * std::size_t(hidden);
                unsigned first = 0;
                for (int o = 0; o < 4; ++o)
                {
                    for (unsigned h = 0; h < hidden; ++h)
                        if (h < first || h >= first + static_cast<unsigned>(unitsPerOutput[o]))
                            net.weights[start + std::size_t(o) * (hidden + 1) + h] = 0.0f;
                    first += static_cast<unsigned>(unitsPerOutput[o]);
                }
            }
    return writeTempFile(f.encode(), tag);
}

bool loadShapedChain(ChannelChain& chain, double rate)
{
    StdShape tone;
    tone.hidden = 10;
    const bool ok =
        chain.loadModelFile(1, shapedPca("shaped_b1", 17, 1, 3, {1, 1, 1, 0}, {1, 1, 1, 0}, {16}, 14).c_str()).ok
        && chain
               .loadModelFile(2,
                              shapedPca("shaped_b2", 17, 1, 4, {1, 1, 1, 1}, {1, 1, 1, 1}, {8, 8, 16, 16}, 14).c_str())
               .ok
        && chain.loadModelFile(3, shapedPca("shaped_b3", 1, 3, 2, {1, 1, 0, 0}, {1, 1, 1, 0}, {16}, 11).c_str()).ok
        && chain.loadModelFile(4, writeTempFile(stdBytes(tone), "shaped_b4").c_str()).ok;
    chain.setSampleRate(rate);
    chain.selectPosition(1, 8);
    chain.selectPosition(2, 8);
    chain.selectPosition(3, 0);
    chain.selectPosition(4, 1);
    return ok && chain.active();
}

std::vector<double> benchSignal(std::size_t n)
{
    std::vector<double> v(n);
    for (std::size_t k = 0; k < n; ++k)
        v[k] = 0.3 * std::sin(0.01 * static_cast<double>(k));
    return v;
}

} // namespace

static void ShapedScalarX1(benchmark::State& state)
{
    auto chain = std::make_unique<ChannelChain>();
    if (!loadShapedChain(*chain, 44100.0))
        state.SkipWithError("shaped model files did not load");
    const auto in = benchSignal(256);
    double sink = 0.0;
    for (auto _ : state)
        for (double x : in)
            sink += chain->processSample(x);
    benchmark::DoNotOptimize(sink);
    state.SetItemsProcessed(state.iterations() * 256);
}
BENCHMARK(ShapedScalarX1);

static void ShapedVectorX1(benchmark::State& state, const ChainKernels* build)
{
    auto chain = std::make_unique<ChannelChain>();
    if (build == nullptr || !loadShapedChain(*chain, 44100.0))
        state.SkipWithError("no such build, or the shaped model files did not load");
    const auto in = benchSignal(256);
    std::vector<double> out(256);
    for (auto _ : state)
        build->monoDouble[0](chain->kernelView(), in.data(), out.data(), 256);
    benchmark::DoNotOptimize(out.data());
    state.SetItemsProcessed(state.iterations() * 256);
}
BENCHMARK_CAPTURE(ShapedVectorX1, baseline, &baselineChainKernels());
BENCHMARK_CAPTURE(ShapedVectorX1, avx2, avx2ChainKernels());

static void ShapedLockstepX1(benchmark::State& state)
{
    auto left = std::make_unique<ChannelChain>();
    auto right = std::make_unique<ChannelChain>();
    if (!loadShapedChain(*left, 44100.0) || !loadShapedChain(*right, 44100.0))
        state.SkipWithError("shaped model files did not load");
    const auto in = benchSignal(256);
    std::vector<double> outL(256), outR(256);
    for (auto _ : state)
        chainKernels().stereoDouble[0](left->kernelView(), right->kernelView(), in.data(), in.data(), outL.data(),
                                       outR.data(), 256);
    benchmark::DoNotOptimize(outL.data());
    state.SetItemsProcessed(state.iterations() * 512); // chain steps of both channels
}
BENCHMARK(ShapedLockstepX1);
