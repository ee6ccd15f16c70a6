// Block 3's region split and the extra weight around the resting point: the resting
// input must sit well inside one region, the data is shared evenly,
// and the pairs keep their weights through the split.
#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

#include "Pairs.h"
#include "RegionSplit.h"
#include "Rng.h"

using namespace ravlin::modelgen;

namespace {

/// A skewed cloud like a stage's grid voltage: dense around 1 V, a long tail upwards.
Dataset skewedCloud(int count)
{
    Dataset d;
    d.inputs = 2;
    d.outputs = 1;
    Rng rng(5);
    for (int k = 0; k < count; ++k)
    {
        const double g = rng.normal();
        const double x[2] = {1.0 + (g > 0.0 ? 40.0 * g * g : 3.0 * g), 300.0 + 10.0 * rng.normal()};
        const double y[1] = {1e-3};
        d.add(x, y);
    }
    return d;
}

double shareBelow(const Dataset& d, double v)
{
    std::size_t n = 0;
    for (std::size_t s = 0; s < d.size(); ++s)
        n += d.x[s * 2] < v ? 1u : 0u;
    return static_cast<double>(n) / static_cast<double>(d.size());
}

} // namespace

TEST(RegionSplit, TheRestingInputSitsInTheMiddleOfTheMiddleRegion)
{
    const Dataset d = skewedCloud(6000);
    for (int regions : {3, 5})
    {
        const double rest = 0.24; // two fifths of the data lie below it
        const std::vector<double> cuts = regionCuts(d, regions, rest);
        ASSERT_EQ(cuts.size(), static_cast<std::size_t>(regions - 1));
        EXPECT_TRUE(std::is_sorted(cuts.begin(), cuts.end()));
        const std::size_t middle = static_cast<std::size_t>((regions - 1) / 2);
        const double lo = cuts[middle - 1], hi = cuts[middle];
        EXPECT_LT(lo, rest);
        EXPECT_GT(hi, rest);
        // Equal shares, and the resting input at the middle one's centre by share.
        const double share = 1.0 / regions;
        EXPECT_NEAR(shareBelow(d, hi) - shareBelow(d, lo), share, 0.01);
        EXPECT_NEAR(shareBelow(d, rest) - shareBelow(d, lo), 0.5 * share, 0.01);
        // The side regions split what lies on their side evenly.
        const double below = shareBelow(d, lo) / static_cast<double>(middle);
        for (std::size_t c = 0; c < middle; ++c)
            EXPECT_NEAR(shareBelow(d, cuts[c]) - (c > 0 ? shareBelow(d, cuts[c - 1]) : 0.0), below, 0.01)
                << "regions " << regions;
    }
}

TEST(RegionSplit, ARestingInputAtTheEdgeOfTheDataStillLeavesEveryRegionData)
{
    const Dataset d = skewedCloud(3000);
    for (double rest : {-1e6, 1e6})
    {
        const std::vector<double> cuts = regionCuts(d, 3, rest);
        ASSERT_EQ(cuts.size(), 2u);
        EXPECT_GE(shareBelow(d, cuts[0]), 1.0 / 6.0 - 0.01);
        EXPECT_NEAR(shareBelow(d, cuts[1]) - shareBelow(d, cuts[0]), 1.0 / 3.0, 0.01);
        EXPECT_GE(1.0 - shareBelow(d, cuts[1]), 1.0 / 6.0 - 0.01);
    }
}

TEST(RegionSplit, RegionDataKeepsWeightsAndPadsOnlyBoundedSides)
{
    Dataset d;
    d.inputs = 1;
    d.outputs = 1;
    for (int k = 0; k < 10; ++k)
    {
        const double x = k, y = 0.0;
        d.add(&x, &y, 1.0 + k);
    }
    const Dataset low = regionData(d, -kUnbounded, 4.0, 1.5); // (-inf, 5.5)
    ASSERT_EQ(low.size(), 6u);
    ASSERT_EQ(low.weight.size(), 6u);
    for (std::size_t s = 0; s < low.size(); ++s)
        EXPECT_EQ(low.weight[s], 1.0 + low.x[s]);
    const Dataset mid = regionData(d, 4.0, 6.0, 0.5); // (3.5, 6.5)
    ASSERT_EQ(mid.size(), 3u);
    EXPECT_EQ(mid.x.front(), 4.0);
    EXPECT_EQ(mid.weight.back(), 7.0);
}

TEST(RegionSplit, WeightAroundFavoursTheRestingNeighbourhoodAndKeepsEarlierWeights)
{
    Dataset d;
    d.inputs = 2;
    d.outputs = 1;
    const double y = 0.0;
    const double points[4][2] = {{0.0, 0.0}, {1.0, 100.0}, {0.01, 1.0}, {0.5, 50.0}};
    for (const auto& p : points)
        d.add(p, &y, 2.0);
    const double centre[2] = {0.0, 0.0};
    weightAround(d, centre, 10.0, 0.02);
    EXPECT_DOUBLE_EQ(d.weight[0], 2.0 * 11.0); // at the resting point
    EXPECT_NEAR(d.weight[1], 2.0, 1e-9);       // the far corner: the earlier weight only
    EXPECT_GT(d.weight[2], 2.0 * 4.0);         // half a width away
    EXPECT_LT(d.weight[2], 2.0 * 11.0);
    EXPECT_NEAR(d.weight[3], 2.0, 1e-9);
}
