// Network evaluator: activation, clamps, enable bytes, output floor and folded normalisation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "fast/net_node_eigen.h"

using namespace ravlin;

namespace {

/// One input, one hidden unit with weight 1 and bias 0 on a [-1, 1] input range (identity
/// normalisation), and `outputs` outputs each with weight 1 and bias `outBias`.
void tinyNetwork(net_node_eigen& n, unsigned outputs, double outBias, double outMin, double outMax)
{
    std::vector<double> w{1.0, 0.0};
    for (unsigned o = 0; o < outputs; ++o)
    {
        w.push_back(1.0);
        w.push_back(outBias);
    }
    buildNetwork(n, 1, outputs, 1, 1.0, 1.0, w, {-1.0}, {1.0}, {-1.0}, {1.0}, std::vector<double>(outputs, outMin),
                 std::vector<double>(outputs, outMax));
}

} // namespace

TEST(NetworkEvaluator, SoftsignActivation)
{
    net_node_eigen n;
    tinyNetwork(n, 1, 0.0, 0.0, 1.0);
    static const std::uint8_t on[1] = {1};
    n.slotCount = 1;
    n.slotEnabled = on;
    double x = 1.0, out = 0.0;
    evaluateBipolar(n, &x, &out);
    EXPECT_DOUBLE_EQ(n.hiddenOut[0], 0.5);
    x = -3.0;
    evaluateBipolar(n, &x, &out);
    EXPECT_DOUBLE_EQ(n.hiddenOut[0], -0.75);
}

TEST(NetworkEvaluator, ClampsOfBothVariants)
{
    static const std::uint8_t on[1] = {1};
    net_node_eigen n;
    // Hidden activation of x = 1 is 0.5; an output bias of 1.2 gives a gained sum of 1.7.
    tinyNetwork(n, 1, 1.2, 2.0, 5.0);
    n.slotCount = 1;
    n.slotEnabled = on;
    double x = 1.0, out = 0.0;
    evaluateBipolar(n, &x, &out);
    EXPECT_DOUBLE_EQ(out, 5.0);
    // Bias -5.5 gives -5: bipolar maps to outputMin - outputScale, unipolar to outputMin.
    net_node_eigen m;
    tinyNetwork(m, 1, -5.5, 2.0, 5.0);
    m.slotCount = 1;
    m.slotEnabled = on;
    evaluateBipolar(m, &x, &out);
    EXPECT_DOUBLE_EQ(out, 2.0 * 2.0 - 5.0);
    evaluateUnipolar(m, &x, &out);
    EXPECT_DOUBLE_EQ(out, 2.0);
    // In range: 0.5 + 0.1 stays 0.6 in both.
    net_node_eigen k;
    tinyNetwork(k, 1, 0.1, 0.0, 1.0);
    k.slotCount = 1;
    k.slotEnabled = on;
    evaluateUnipolar(k, &x, &out);
    EXPECT_NEAR(out, 0.6, 1e-15);
}

TEST(NetworkEvaluator, EnableBytesRouteOutputsToSlots)
{
    net_node_eigen n;
    // Four outputs with distinct biases so each network output is recognisable.
    std::vector<double> w{1.0, 0.0, 0.0, 0.1, 0.0, 0.2, 0.0, 0.3, 0.0, 0.4};
    buildNetwork(n, 1, 4, 1, 1.0, 1.0, w, {-1}, {1}, {-1}, {1}, {0, 0, 0, 0}, {1, 1, 1, 1});
    static const std::uint8_t enable[4] = {1, 0, 1, 0};
    n.slotCount = 4;
    n.slotEnabled = enable;
    double x = 0.0;
    double out[4] = {-7, -8, -9, -10};
    evaluateBipolar(n, &x, out);
    EXPECT_DOUBLE_EQ(out[0], 0.1);
    EXPECT_DOUBLE_EQ(out[1], -8);
    EXPECT_DOUBLE_EQ(out[2], 0.2);
    EXPECT_DOUBLE_EQ(out[3], -10);
    // An enable byte of 2 counts as disabled.
    static const std::uint8_t two[4] = {2, 1, 0, 0};
    n.slotEnabled = two;
    double o2[4] = {-1, -1, -1, -1};
    evaluateBipolar(n, &x, o2);
    EXPECT_DOUBLE_EQ(o2[0], -1);
    EXPECT_DOUBLE_EQ(o2[1], 0.1);
}

TEST(NetworkEvaluator, OutputScaleFloor)
{
    net_node_eigen n;
    tinyNetwork(n, 2, 0.0, 0.0, 1.0);
    const double lo[2] = {3.0, 3.0}, hi[2] = {3.0 + 1e-12, 3.0};
    const double in[1] = {-1.0}, inHi[1] = {1.0};
    // setRanges again on fresh weights (buildNetwork already folded once, so rebuild).
    net_node_eigen m;
    allocate(m, 1, 2, 1, 1.0, 1.0);
    const double w[] = {1.0, 0.0, 1.0, 0.0, 1.0, 0.0};
    storeWeights(m, w);
    setRanges(m, in, inHi, in, inHi, lo, hi);
    EXPECT_DOUBLE_EQ(m.outputScale[0], 9.99999993922529e-09);
    EXPECT_DOUBLE_EQ(m.outputScale[1], 0.0);
    static const std::uint8_t on[2] = {1, 1};
    m.slotCount = 2;
    m.slotEnabled = on;
    double x = 0.7, out[2] = {};
    evaluateBipolar(m, &x, out);
    EXPECT_DOUBLE_EQ(out[1], 3.0);
}

TEST(NetworkEvaluator, FoldedNormalisationMatchesExplicitNormalisation)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> d(-1.0, 1.0);
    const unsigned ni = 3, nh = 5, no = 4;
    std::vector<double> w((ni + 1) * nh + (nh + 1) * no);
    for (auto& v : w)
        v = d(rng);
    const std::vector<double> lo{-10.0, 0.0, 2.0}, hi{30.0, 1.0, 2.0}; // input 2 has lo == hi
    net_node_eigen n;
    buildNetwork(n, ni, no, nh, 0.8, 1.3, w, {-1, -1, -1}, {1, 1, 1}, lo, hi, {0, 0, 0, 0}, {1, 1, 1, 1});
    static const std::uint8_t on[4] = {1, 1, 1, 1};
    n.slotCount = 4;
    n.slotEnabled = on;
    for (int trial = 0; trial < 50; ++trial)
    {
        double x[3] = {lo[0] + (hi[0] - lo[0]) * (d(rng) + 1) / 2, (d(rng) + 1) / 2, 1e6 * d(rng)};
        if (trial == 0)
        {
            x[0] = lo[0];
            x[1] = hi[1];
        }
        // Reference: normalise explicitly (constant input counts as -1), then the trained network.
        double xn[3];
        for (unsigned k = 0; k < ni; ++k)
            xn[k] = hi[k] != lo[k] ? 2 * (x[k] - lo[k]) / (hi[k] - lo[k]) - 1 : -1.0;
        double hidden[nh];
        std::size_t at = 0;
        for (unsigned h = 0; h < nh; ++h)
        {
            double s = 0;
            for (unsigned k = 0; k < ni; ++k)
                s += xn[k] * w[at++];
            s += w[at++];
            const double t = 0.8 * s;
            hidden[h] = t / (std::fabs(t) + 1);
        }
        double out[4];
        evaluateBipolar(n, x, out);
        for (unsigned o = 0; o < no; ++o)
        {
            double s = 0;
            for (unsigned h = 0; h < nh; ++h)
                s += hidden[h] * w[at++];
            s += w[at++];
            const double v = std::clamp(1.3 * s, -1.0, 1.0);
            EXPECT_NEAR(out[o], v, 1e-12) << "trial " << trial << " output " << o;
        }
    }
}

TEST(NetworkEvaluator, ArraysAreSixteenByteAligned)
{
    net_node_eigen n;
    allocate(n, 3, 4, 7, 1.0, 1.0);
    for (const double* a : {n.outputWeights, n.hiddenWeights, n.hiddenBias, n.hiddenOut, n.outputBias, n.outputValue,
                            n.regionHigh, n.regionLow, n.outputMax, n.outputMin, n.outputScale})
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(a) % 16, 0u);
    EXPECT_EQ(n.slotCount, 0);
    net_node_eigen moved(std::move(n));
    EXPECT_EQ(n.hiddenWeights, nullptr);
    EXPECT_EQ(moved.hiddenCount, 7);
}

TEST(NetworkEvaluator, NaNPassesTheClamp)
{
    net_node_eigen n;
    tinyNetwork(n, 1, 0.0, 0.0, 1.0);
    static const std::uint8_t on[1] = {1};
    n.slotCount = 1;
    n.slotEnabled = on;
    double x = std::numeric_limits<double>::quiet_NaN(), out = 0;
    evaluateBipolar(n, &x, &out);
    EXPECT_TRUE(std::isnan(out));
}
