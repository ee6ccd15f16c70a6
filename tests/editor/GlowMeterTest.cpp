// The glow level computed from block 4's statistics.
#include "editor/GlowMeter.h"

#include "EditorTestProcessor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace ravlin::test {
namespace {
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
const editor::BlockStatistics silent = statisticsWith(0.0, 0.0);
} // namespace

TEST(GlowMeter, TableFollowsItsExponentialLaw)
{
    EXPECT_EQ(editor::glowTable[0], 0.0f);
    EXPECT_EQ(editor::glowTable[1], 0.086382f);
    EXPECT_EQ(editor::glowTable[48], 0.950259f);
    EXPECT_EQ(editor::glowTable[49], 1.0f);
    for (int i = 1; i < editor::glowLevels; ++i)
    {
        const double exact = std::round(std::exp(2.5 * (i - 49) / 49.0) * 1.0e6) / 1.0e6;
        EXPECT_EQ(editor::glowTable[static_cast<size_t>(i)], static_cast<float>(exact)) << "entry " << i;
    }
}

TEST(GlowMeter, ConstantSignalShowsTheDarkFrame)
{
    // sigma = 0 in both chains: the level equals the mean, x = 0.
    for (double mean : {0.0, 0.0012345, -0.004, 0.0069})
    {
        const auto still = statisticsWith(mean, 0.0);
        EXPECT_EQ(editor::glowIndex(editor::glowQuotient(still, still, true)), 0) << mean;
        EXPECT_EQ(editor::glowValue(still, still, true), 0.0f) << mean;
    }
}

TEST(GlowMeter, QuotientIsFiftyTimesFourSigmaOverTheHeadroom)
{
    // mean 1 mV, sigma 0.5 mV: level 3 mV, x = 50 * 2 / 6 = 16.67 -> entry 16.
    const auto s = statisticsWith(0.001, 0.0005);
    EXPECT_NEAR(editor::glowQuotient(s, silent, false), 50.0 * 0.002 / 0.006, 1e-4);
    EXPECT_EQ(editor::glowValue(s, silent, false), 24.0f * editor::glowTable[16]);
    // Four sigma reaching 7 mV from a zero mean is full glow: 24, which the strips show as frame 23.
    EXPECT_EQ(editor::glowValue(statisticsWith(0.0, 0.0075), silent, false), 24.0f);
}

TEST(GlowMeter, MonoIgnoresTheRightChain)
{
    const auto loud = statisticsWith(0.0, 0.002);
    EXPECT_EQ(editor::glowValue(silent, loud, false), 0.0f);
    EXPECT_GT(editor::glowValue(silent, loud, true), 0.0f);
    // Even a right chain holding garbage from an earlier stereo run is not read in mono.
    const editor::BlockStatistics garbage{nan, nan, nan};
    EXPECT_EQ(editor::glowValue(loud, garbage, false), editor::glowValue(loud, silent, false));
}

TEST(GlowMeter, LouderChainDecides)
{
    const auto quiet = statisticsWith(0.0, 0.0004);
    const auto loud = statisticsWith(0.0, 0.001);
    EXPECT_EQ(editor::glowValue(quiet, loud, true), editor::glowValue(loud, quiet, true));
    EXPECT_EQ(editor::glowValue(quiet, loud, true), editor::glowValue(loud, silent, false));
}

TEST(GlowMeter, MeanAboveFullLevelShowsTheDarkFrame)
{
    EXPECT_EQ(editor::glowValue(statisticsWith(0.0075, 0.001), silent, false), 0.0f);
    EXPECT_EQ(editor::glowValue(statisticsWith(0.02, 0.0), silent, false), 0.0f);
}

TEST(GlowMeter, InfiniteQuotientIsFullGlow)
{
    EXPECT_EQ(editor::glowIndex(std::numeric_limits<float>::infinity()), 49);
    EXPECT_EQ(editor::glowIndex(-std::numeric_limits<float>::infinity()), 0);
    // Mean exactly at 7 mV with some swing: x = +inf.
    EXPECT_EQ(editor::glowValue(statisticsWith(0.007, 0.001, 1.0), silent, false), 24.0f);
}

TEST(GlowMeter, QuotientThatIsNotANumberNeverIndexesTheTable)
{
    EXPECT_EQ(editor::glowIndex(std::numeric_limits<float>::quiet_NaN()), 0);
    // 0/0 from level = mean = 7 mV needs a mean exact in single precision; statistics that are not
    // numbers (a window that took in a NaN) end in the same place.
    const editor::BlockStatistics broken{1.0 / 20480.0, nan, nan};
    const float v = editor::glowValue(broken, silent, false);
    EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(editor::glowValue(silent, broken, true), 0.0f);
    EXPECT_TRUE(std::isfinite(v));
}

TEST(GlowMeter, IndexIsClampedAndTruncated)
{
    EXPECT_EQ(editor::glowIndex(0.0f), 0);
    EXPECT_EQ(editor::glowIndex(0.999f), 0);
    EXPECT_EQ(editor::glowIndex(1.0f), 1);
    EXPECT_EQ(editor::glowIndex(48.99f), 48);
    EXPECT_EQ(editor::glowIndex(49.0f), 49);
    EXPECT_EQ(editor::glowIndex(1.0e9f), 49);
    EXPECT_EQ(editor::glowIndex(-3.0f), 0);
}
} // namespace ravlin::test
