// Coefficient recomputation and reference (Newton) steps of the block circuits.
#include <cmath>

#include <benchmark/benchmark.h>

#include "circuit/BlockModels.h"
#include "circuit/OperatingPoint.h"
#include "circuit/ReferenceSolver.h"

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

template <class Model>
void ReferenceStep(benchmark::State& state)
{
    ReferenceBlock<Model> ref(44100.0);
    findOperatingPoint(ref.model);
    long n = 0;
    for (auto _ : state)
    {
        const double in = 1.0 * std::sin(0.1425 * static_cast<double>(n++));
        benchmark::DoNotOptimize(ref.step(in));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK_TEMPLATE(ReferenceStep, Block1Circuit);
BENCHMARK_TEMPLATE(ReferenceStep, Block2Circuit);
BENCHMARK_TEMPLATE(ReferenceStep, Block3Circuit);
BENCHMARK_TEMPLATE(ReferenceStep, Block4Circuit);

} // namespace
} // namespace ravlin
