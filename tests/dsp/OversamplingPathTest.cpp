// The factor-L path around a step: how often and on what the step runs, and recovery from a bad step output.
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "dsp/Oversampling.h"

namespace ravlin {
namespace {

const auto identity = [](double u) noexcept { return u; };

template <unsigned L>
std::vector<double> run(Upsampler& up, Downsampler& down, const std::vector<double>& in)
{
    std::vector<double> out;
    out.reserve(in.size());
    for (double x : in)
        out.push_back(processOversampled<L>(up, down, x, identity));
    return out;
}

template <unsigned L>
std::vector<double> freshRun(const std::vector<double>& in)
{
    Upsampler up(L);
    Downsampler down(L);
    return run<L>(up, down, in);
}

TEST(OversamplingPath, StepRunsOncePerOversampledSampleOnTheInterpolatedSignal)
{
    Upsampler up(4);
    Downsampler down(4);
    Upsampler reference(4);
    int calls = 0;
    bool allMatched = true;
    for (int n = 0; n < 50; ++n)
    {
        const double x = std::sin(0.3 * n);
        reference.push(x);
        processOversampled<4>(up, down, x, [&](double u) {
            ++calls;
            allMatched = allMatched && (u == reference.next());
            return u;
        });
    }
    EXPECT_EQ(calls, 200);
    EXPECT_TRUE(allMatched);
}

TEST(OversamplingPath, ANonFiniteStepOutputLeavesTheRingAfterOneWindow)
{
    Upsampler up(2);
    Downsampler down(2);
    processOversampled<2>(up, down, 1.0, [](double) { return std::nan(""); });
    double last = 0.0;
    for (int k = 0; k < 40; ++k)
        last = processOversampled<2>(up, down, 0.0, identity);
    EXPECT_EQ(last, 0.0);
}

} // namespace
} // namespace ravlin
