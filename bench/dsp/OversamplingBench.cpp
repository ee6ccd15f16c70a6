// Cost of one base-rate sample through the factor-L filter pair with an identity step, so the
// figures are the filters' own share of an oversampled sample loop.
#include "dsp/Oversampling.h"

#include <cmath>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

template <unsigned L>
void oversampledIdentity(benchmark::State& state)
{
    ravlin::Upsampler up(L);
    ravlin::Downsampler down(L);
    std::vector<double> input(4096);
    for (std::size_t n = 0; n < input.size(); ++n)
        input[n] = 0.5 * std::sin(0.01 * static_cast<double>(n));
    const auto identity = [](double v) noexcept { return v; };
    std::size_t n = 0;
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(ravlin::processOversampled<L>(up, down, input[n], identity));
        n = (n + 1) & (input.size() - 1);
    }
    state.SetItemsProcessed(state.iterations());
    // Real-time factor at 44.1 kHz: seconds of audio per second of processing.
    state.counters["x_realtime_44k1"] =
        benchmark::Counter(static_cast<double>(state.iterations()) / 44100.0, benchmark::Counter::kIsRate);
}

BENCHMARK_TEMPLATE(oversampledIdentity, 2);
BENCHMARK_TEMPLATE(oversampledIdentity, 4);
BENCHMARK_TEMPLATE(oversampledIdentity, 8);
BENCHMARK_TEMPLATE(oversampledIdentity, 16);

} // namespace
