// Coefficient recomputation and reference (Newton) steps of the block circuits.
#include <cmath>

#include <benchmark/benchmark.h>

#include "circuit/BlockModels.h"
#include "circuit/ReferenceChain.h"

namespace ravlin {
namespace {

void Block4AllTonePositions(benchmark::State& state)
{
    Block4Circuit b(44100.0);
    for (auto _ : state)
    {
        for (unsigned idx = 0; idx < 3375; ++idx)
        {
            b.setPotPosition(idx);
            b.computeCoefficients();
            benchmark::DoNotOptimize(b.A(0, 0));
        }
    }
    state.SetItemsProcessed(state.iterations() * 3375);
}
BENCHMARK(Block4AllTonePositions)->Unit(benchmark::kMillisecond);

/// One block of the reference chain (Gain 8, tones centred, 44.1 kHz) stepped alone around its
/// resting input with a 1 V sine: the cost of one offline port solve per sample.
template <int Block>
void ReferenceStep(benchmark::State& state)
{
    ReferenceChain chain;
    chain.configure({ValveSet::fresh, 44100.0, 8, 1687});
    const double rest = Block == 1 ? 0.0 : chain.restOutput[Block - 2];
    long n = 0;
    auto run = [&](auto& block) {
        for (auto _ : state)
        {
            const double in = rest + std::sin(0.1425 * static_cast<double>(n++));
            benchmark::DoNotOptimize(block.step(in));
        }
        if (block.failures > 0)
            state.SkipWithError("unconverged reference steps");
    };
    if constexpr (Block == 1)
        run(chain.b1);
    else if constexpr (Block == 2)
        run(chain.b2);
    else if constexpr (Block == 3)
        run(chain.b3);
    else
        run(chain.b4);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK_TEMPLATE(ReferenceStep, 1);
BENCHMARK_TEMPLATE(ReferenceStep, 2);
BENCHMARK_TEMPLATE(ReferenceStep, 3);
BENCHMARK_TEMPLATE(ReferenceStep, 4);

} // namespace
} // namespace ravlin
