// The factor-L path push -> L steps -> output with an identity step: delay, impulse response, DC gain.
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

template <unsigned L>
void checkImpulse(double peak)
{
    SCOPED_TRACE(L);
    std::vector<double> in(64, 0.0);
    in[0] = 1.0;
    const auto out = freshRun<L>(in);
    EXPECT_NEAR(out[15], peak, 5e-7);
    for (int k = 0; k < 31; ++k)
    {
        EXPECT_NEAR(out[k], out[30 - k], 1e-12) << k;
        if (k != 15)
        {
            EXPECT_LT(std::fabs(out[k]), out[15]) << k;
        }
    }
    for (std::size_t k = 31; k < out.size(); ++k)
        EXPECT_EQ(out[k], 0.0) << k;
}

TEST(OversamplingPath, ImpulseResponseIsSymmetricAndPeaksAtSampleFifteen)
{
    checkImpulse<2>(0.771641);
    checkImpulse<4>(0.815916);
    checkImpulse<8>(0.803580);
    checkImpulse<16>(0.803793);
}

template <unsigned L>
void checkDc(double gain, double tol)
{
    SCOPED_TRACE(L);
    const auto out = freshRun<L>(std::vector<double>(100, 1.0));
    for (std::size_t k = 30; k < out.size(); ++k)
        ASSERT_NEAR(out[k], gain, tol) << k;
    // Before sample 30 the zeroed history still shows.
    EXPECT_GT(std::fabs(out[29] - gain), tol);
}

TEST(OversamplingPath, DcGainFromSampleThirtyOn)
{
    checkDc<2>(1.0005756778991781 * 1.0005756778991781, 1e-12);
    EXPECT_NEAR(1.0005756778991781 * 1.0005756778991781, 1.001152, 5e-7);
    checkDc<4>(1.0000005, 5e-8);
    checkDc<8>(0.99999999, 5e-9);
    checkDc<16>(1.00000003, 5e-9);
}

template <unsigned L>
void checkZeros()
{
    const auto out = freshRun<L>(std::vector<double>(200, 0.0));
    for (double v : out)
        ASSERT_EQ(v, 0.0) << L;
}

TEST(OversamplingPath, ZerosInGiveExactZerosOut)
{
    checkZeros<2>();
    checkZeros<4>();
    checkZeros<8>();
    checkZeros<16>();
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

TEST(OversamplingPath, SwitchingAwayAndBackResumesTheHeldHistory)
{
    // A fresh pair and one that ran a burst, then idled while another factor was in use.
    Upsampler up2(2), up8(8);
    Downsampler down2(2), down8(8);
    std::vector<double> burst(40);
    for (std::size_t k = 0; k < burst.size(); ++k)
        burst[k] = std::sin(0.5 * k) + 0.25;
    run<2>(up2, down2, burst);
    run<8>(up8, down8, std::vector<double>(100, 0.7)); // the other factor in the meantime

    const std::vector<double> after(40, 0.0);
    const auto resumed = run<2>(up2, down2, after);
    const auto fresh = freshRun<2>(after);
    // The first 30 outputs after the return still carry the burst; afterwards both agree.
    bool anyDiffers = false;
    for (int k = 0; k < 30; ++k)
        anyDiffers = anyDiffers || resumed[k] != fresh[k];
    EXPECT_TRUE(anyDiffers);
    EXPECT_NE(resumed[0], 0.0);
    for (std::size_t k = 30; k < after.size(); ++k)
        EXPECT_EQ(resumed[k], 0.0) << k;

    // The resumed output is exactly what an uninterrupted run of burst followed by zeros gives.
    std::vector<double> joined = burst;
    joined.insert(joined.end(), after.begin(), after.end());
    const auto uninterrupted = freshRun<2>(joined);
    for (std::size_t k = 0; k < after.size(); ++k)
        EXPECT_EQ(resumed[k], uninterrupted[burst.size() + k]) << k;
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
