// Prototype low-pass tables: the literal factor-2 table, the Kaiser-windowed sincs of L = 4, 8, 16.
#include "dsp/PrototypeFilters.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <stdexcept>

#include <gtest/gtest.h>

namespace ravlin {
namespace {

// Relative agreement with the 10-significant-digit decimals quoted for the small taps.
void expectRelativelyNear(double expected, double actual, double relative)
{
    EXPECT_NEAR(expected, actual, std::fabs(expected) * relative) << "expected " << expected;
}

bool isSinglePrecisionValue(double v) { return static_cast<double>(static_cast<float>(v)) == v; }

TEST(PrototypeFilters, FactorTwoTableSumsAndIsSymmetric)
{
    const double sum = std::accumulate(prototypeX2.begin(), prototypeX2.end(), 0.0);
    EXPECT_NEAR(sum, 1.0005756778991781, 1e-15);
    for (std::size_t k = 0; k < prototypeX2.size(); ++k)
    {
        EXPECT_EQ(prototypeX2[k], prototypeX2[prototypeX2.size() - 1 - k]) << "tap " << k;
        EXPECT_TRUE(isSinglePrecisionValue(prototypeX2[k])) << "tap " << k;
    }
    EXPECT_EQ(prototypeX2[0], -0.0003244888794142753);
    EXPECT_EQ(prototypeX2[15], 0.37076300382614136);
    EXPECT_EQ(prototypeX2[11], -0.05684182047843933);
}

TEST(PrototypeFilters, KaiserSincCheckValues)
{
    const std::vector<double> h4 = prototypeFor(4);
    const std::vector<double> h8 = prototypeFor(8);
    const std::vector<double> h16 = prototypeFor(16);
    ASSERT_EQ(h4.size(), 64u);
    ASSERT_EQ(h8.size(), 128u);
    ASSERT_EQ(h16.size(), 256u);

    // Taps held as exact single-precision values.
    EXPECT_EQ(h4[0], 0.0005565444589592516);
    EXPECT_EQ(h4[31], 0.2108917385339737);
    EXPECT_EQ(h16[127], 0.05378825217485428);
    // Taps quoted as 10-significant-digit decimals of their single-precision value.
    expectRelativelyNear(1.43592988e-05, h8[0], 1e-9);
    expectRelativelyNear(0.1071766019, h8[63], 1e-9);
    expectRelativelyNear(6.030235909e-06, h16[0], 1e-9);
}

TEST(PrototypeFilters, KaiserSincTapsAreSymmetricSinglePrecisionAndSumToOne)
{
    for (unsigned factor : {4u, 8u, 16u})
    {
        SCOPED_TRACE(factor);
        const std::vector<double> h = prototypeFor(factor);
        double sum = 0.0;
        for (std::size_t k = 0; k < h.size(); ++k)
        {
            EXPECT_EQ(h[k], h[h.size() - 1 - k]) << "tap " << k;
            EXPECT_TRUE(isSinglePrecisionValue(h[k])) << "tap " << k;
            EXPECT_TRUE(std::isfinite(h[k]));
            sum += h[k];
        }
        // Rounding each tap to single precision moves the sum by at most a few float ulps of the taps.
        EXPECT_NEAR(sum, 1.0, 1e-6);
        // Low-pass: the largest taps are the two either side of the centre.
        const std::size_t centre = h.size() / 2;
        EXPECT_EQ(*std::max_element(h.begin(), h.end()), h[centre]);
    }
}

TEST(PrototypeFilters, RejectsUnsupportedFactorsAndOddLengths)
{
    for (unsigned factor : {0u, 1u, 3u, 6u, 32u})
        EXPECT_THROW(prototypeFor(factor), std::invalid_argument) << factor;
    EXPECT_THROW(kaiserSincLowPass(63, 0.1, 4.0), std::invalid_argument);
    EXPECT_THROW(kaiserSincLowPass(0, 0.1, 4.0), std::invalid_argument);
}

} // namespace
} // namespace ravlin
