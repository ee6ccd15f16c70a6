// The harmonic / non-harmonic split behind scripts/aliasing, on signals whose lines are known.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "AliasingAnalysis.h"

using ravlin::render::analyseAliasing;

namespace {

constexpr int rate = 48000;

/// One second at 48 kHz: a sum of sines (frequency in Hz, amplitude) plus a DC offset.
std::vector<double> lines(const std::vector<std::pair<double, double>>& parts, double dc = 0.0, int n = rate)
{
    std::vector<double> y(static_cast<std::size_t>(n), dc);
    for (int k = 0; k < n; ++k)
        for (const auto& [hz, a] : parts)
            y[static_cast<std::size_t>(k)] += a * std::sin(2.0 * M_PI * hz * k / rate);
    return y;
}

} // namespace

TEST(AliasingAnalysis, HarmonicsCountAsSignalAndFoldedLinesAsAliasing)
{
    // A 3.7 kHz fundamental, its 3rd harmonic, and the 13th harmonic folded to 100 Hz at half the
    // fundamental's amplitude: non-harmonic energy 0.25 / (1 + 0.09 + 0.25), the 100 Hz line -6 dB.
    const auto r = analyseAliasing(lines({{3700, 1.0}, {11100, 0.3}, {100, 0.5}}, 0.2), rate, 3700);
    ASSERT_TRUE(r.valid);
    EXPECT_NEAR(r.nonHarmonicDb, 10.0 * std::log10(0.25 / 1.34), 1e-6);
    EXPECT_NEAR(r.nonHarmonicAudibleDb, r.nonHarmonicDb, 1e-9);
    EXPECT_DOUBLE_EQ(r.strongestHz, 100.0);
    EXPECT_NEAR(r.strongestDb, 20.0 * std::log10(0.5), 1e-6);
}

TEST(AliasingAnalysis, OnlyLinesBelow20kHzCountAsAudible)
{
    // An alias at 22.1 kHz (the 7th harmonic folded) is aliasing, but above the audible limit.
    const auto r = analyseAliasing(lines({{3700, 1.0}, {22100, 0.1}, {5000, 0.01}}), rate, 3700);
    ASSERT_TRUE(r.valid);
    EXPECT_NEAR(r.nonHarmonicDb, 10.0 * std::log10(0.0101 / 1.0101), 1e-6);
    EXPECT_NEAR(r.nonHarmonicAudibleDb, 10.0 * std::log10(0.0001 / 1.0101), 1e-6);
    EXPECT_DOUBLE_EQ(r.strongestHz, 22100.0);
}

TEST(AliasingAnalysis, APureToneHasNoAliasingAndBadInputIsRefused)
{
    const auto clean = analyseAliasing(lines({{3700, 0.5}, {7400, 0.2}}), rate, 3700);
    ASSERT_TRUE(clean.valid);
    EXPECT_LT(clean.nonHarmonicDb, -200.0);
    // Half a second holds 1850 whole periods; 4801 samples do not hold a whole number.
    EXPECT_TRUE(analyseAliasing(lines({{3700, 0.5}}, 0.0, rate / 2), rate, 3700).valid);
    EXPECT_FALSE(analyseAliasing(lines({{3700, 0.5}}, 0.0, 4801), rate, 3700).valid);
    EXPECT_FALSE(analyseAliasing(std::vector<double>(rate, 0.0), rate, 3700).valid) << "silence";
    EXPECT_FALSE(analyseAliasing({}, rate, 3700).valid);
    EXPECT_FALSE(analyseAliasing(lines({{3700, 0.5}}), rate, 0).valid);
}
