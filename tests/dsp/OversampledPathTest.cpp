// The factor-L path around a per-sample step: interpolate, step L times, decimate.
#include "dsp/Oversampling.h"
#include "dsp/PrototypeFilters.h"

#include <cmath>
#include <deque>
#include <vector>

#include <gtest/gtest.h>

namespace ravlin {
namespace {

constexpr double identity(double v) noexcept { return v; }

// One oversampling factor's filter pair, driven through processOversampled<L> at run-time L.
struct Pair
{
    explicit Pair(unsigned factor) : up(factor), down(factor) {}

    template <class Step>
    double process(double x, Step&& step)
    {
        switch (up.factor())
        {
        case 2: return processOversampled<2>(up, down, x, step);
        case 4: return processOversampled<4>(up, down, x, step);
        case 8: return processOversampled<8>(up, down, x, step);
        default: return processOversampled<16>(up, down, x, step);
        }
    }

    std::vector<double> run(const std::vector<double>& in)
    {
        std::vector<double> out;
        for (double x : in)
            out.push_back(process(x, identity));
        return out;
    }

    Upsampler up;
    Downsampler down;
};

std::vector<double> impulse(std::size_t length)
{
    std::vector<double> v(length, 0.0);
    v[0] = 1.0;
    return v;
}

struct FactorCase
{
    unsigned factor;
    double peak;
    double dcGain;
    double dcTolerance;
};

const FactorCase factorCases[] = {
    {2, 0.771641, 1.001152, 5e-7},
    {4, 0.815916, 1.0000005, 5e-8},
    {8, 0.803580, 0.99999999, 5e-9},
    {16, 0.803793, 1.00000003, 5e-9},
};

TEST(OversampledPath, ImpulseResponseIsSymmetricOverThirtyOneSamplesWithPeakAtFifteen)
{
    for (const FactorCase& c : factorCases)
    {
        SCOPED_TRACE(c.factor);
        Pair pair(c.factor);
        const std::vector<double> y = pair.run(impulse(64));
        EXPECT_NEAR(y[15], c.peak, 5e-7);
        for (std::size_t n = 0; n < 31; ++n)
        {
            EXPECT_NEAR(y[n], y[30 - n], 1e-12) << "sample " << n;
            EXPECT_LE(std::fabs(y[n]), y[15]) << "sample " << n;
        }
        // The whole response lies within samples 0 … 30.
        for (std::size_t n = 31; n < y.size(); ++n)
            EXPECT_EQ(y[n], 0.0) << "sample " << n;
    }
}

TEST(OversampledPath, ConstantInputSettlesToTheDcGainFromSampleThirty)
{
    for (const FactorCase& c : factorCases)
    {
        SCOPED_TRACE(c.factor);
        Pair pair(c.factor);
        const std::vector<double> y = pair.run(std::vector<double>(200, 1.0));
        for (std::size_t n = 30; n < y.size(); ++n)
        {
            EXPECT_NEAR(y[n], c.dcGain, c.dcTolerance) << "sample " << n;
            EXPECT_NEAR(y[n], y[30], 1e-12) << "sample " << n;
        }
        // Still rising one sample earlier: the step is not complete before sample 30.
        EXPECT_GT(std::fabs(y[29] - y[30]), 1e-9);
    }
    // For L = 2 the gain is the square of the prototype's tap sum.
    Pair pair(2);
    const std::vector<double> y = pair.run(std::vector<double>(40, 1.0));
    EXPECT_NEAR(y[35], 1.0005756778991781 * 1.0005756778991781, 1e-12);
}

TEST(OversampledPath, ZerosInGiveExactZerosOut)
{
    for (unsigned factor : {2u, 4u, 8u, 16u})
    {
        Pair pair(factor);
        unsigned calls = 0;
        for (int n = 0; n < 100; ++n)
        {
            const double y = pair.process(0.0, [&](double u) {
                ++calls;
                EXPECT_EQ(u, 0.0);
                return u;
            });
            ASSERT_EQ(y, 0.0) << "factor " << factor << " sample " << n;
        }
        // The step runs exactly L times per base-rate sample.
        EXPECT_EQ(calls, 100 * factor);
    }
}

TEST(OversampledPath, InterpolatorAndDecimatorMatchDirectConvolution)
{
    for (unsigned L : {2u, 4u, 8u, 16u})
    {
        SCOPED_TRACE(L);
        const std::vector<double> h = prototypeFor(L);
        const unsigned n = 16 * L;
        Upsampler up(L);
        Downsampler down(L);
        std::deque<double> inputs(16, 0.0);     // newest first
        std::deque<double> oversampled(n, 0.0); // newest first
        double x = 0.3;
        for (int step = 0; step < 80; ++step)
        {
            x = std::sin(1.7 * step) + 0.25 * std::cos(0.37 * step * step); // deterministic, non-periodic
            up.push(x);
            inputs.push_front(x);
            inputs.pop_back();
            for (unsigned p = 0; p < L; ++p)
            {
                double expected = 0.0;
                for (unsigned d = 0; d < 16; ++d)
                    expected += L * h[p + L * d] * inputs[d];
                const double u = up.next();
                ASSERT_NEAR(u, expected, 1e-13) << "phase " << p;
                // A non-trivial step so the decimator sees something other than the interpolator's output.
                const double v = std::tanh(u);
                down.push(v);
                oversampled.push_front(v);
                oversampled.pop_back();
            }
            double expected = 0.0;
            for (unsigned d = 0; d < n; ++d)
                expected += h[d] * oversampled[d];
            ASSERT_NEAR(down.output(), expected, 1e-13);
        }
    }
}

TEST(OversampledPath, FilterPairResumesItsHistoryAfterSwitchingAwayAndBack)
{
    // Two chains' worth of filters: `switched` runs factor 4, then factor 8 for a while, then 4 again;
    // `fresh` sees the same factor-4 input but starts from zero history at the return.
    Pair four(4);
    Pair eight(8);
    std::vector<double> beforeSwitch;
    for (int n = 0; n < 40; ++n)
        beforeSwitch.push_back(std::sin(0.3 * n));
    four.run(beforeSwitch);
    const Upsampler upHeld = four.up;
    const Downsampler downHeld = four.down;

    // While factor 8 runs, the factor-4 objects are untouched.
    eight.run(std::vector<double>(100, 0.5));
    EXPECT_EQ(four.up.writeIndex, upHeld.writeIndex);
    EXPECT_EQ(four.up.row, upHeld.row);
    EXPECT_EQ(four.down.writeIndex, downHeld.writeIndex);
    EXPECT_TRUE(four.down.history == downHeld.history);

    // Back at factor 4, with zeros in: the first 30 outputs still carry samples from before the switch,
    // and from output 30 on the old history has been flushed.
    const std::vector<double> afterReturn = four.run(std::vector<double>(40, 0.0));
    for (std::size_t n = 0; n < 30; n += 3)
        EXPECT_NE(afterReturn[n], 0.0) << "sample " << n;
    for (std::size_t n = 31; n < afterReturn.size(); ++n)
        EXPECT_EQ(afterReturn[n], 0.0) << "sample " << n;

    // Continuing is the same as never having switched away.
    Pair uninterrupted(4);
    uninterrupted.run(beforeSwitch);
    const std::vector<double> continued = uninterrupted.run(std::vector<double>(40, 0.0));
    for (std::size_t n = 0; n < continued.size(); ++n)
        EXPECT_EQ(afterReturn[n], continued[n]) << "sample " << n;
}

} // namespace
} // namespace ravlin
