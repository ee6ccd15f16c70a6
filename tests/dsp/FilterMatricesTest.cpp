// Layout of the rotated coefficient matrices and the start state of the filters.
#include <stdexcept>

#include <gtest/gtest.h>

#include "dsp/Downsampler.h"
#include "dsp/PrototypeFilters.h"
#include "dsp/Upsampler.h"

namespace ravlin {
namespace {

TEST(FilterMatrices, FactorTwoRowZeroEntries)
{
    const Upsampler up(2);
    ASSERT_EQ(up.coefficients.rows(), 32);
    ASSERT_EQ(up.coefficients.cols(), 16);
    // From column 15 down to column 0: 2·h[0], 2·h[2], …, 2·h[30].
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(up.coefficients(0, 15 - i), 2.0 * prototypeX2[2 * i]) << i;

    const Downsampler down(2);
    ASSERT_EQ(down.coefficients.rows(), 32);
    ASSERT_EQ(down.coefficients.cols(), 32);
    EXPECT_EQ(down.coefficients(0, 31), prototypeX2[0]);
    EXPECT_EQ(down.coefficients(0, 0), prototypeX2[31]);
}

TEST(FilterMatrices, EveryEntryFollowsTheRotationRule)
{
    for (unsigned L : {2u, 4u, 8u, 16u})
    {
        SCOPED_TRACE(L);
        const auto h = prototypeFor(L);
        const unsigned n = 16 * L;
        const Upsampler up(L);
        ASSERT_EQ(up.coefficients.rows(), static_cast<Eigen::Index>(n));
        for (unsigned j = 0; j < 16; ++j)
            for (unsigned p = 0; p < L; ++p)
                for (unsigned m = 0; m < 16; ++m)
                    ASSERT_EQ(up.coefficients(L * j + p, m), L * h[p + L * ((j + 15 - m) % 16)]);

        const Downsampler down(L);
        ASSERT_EQ(down.coefficients.rows(), static_cast<Eigen::Index>(n));
        ASSERT_EQ(down.coefficients.cols(), static_cast<Eigen::Index>(n));
        for (unsigned r = 0; r < n; ++r)
            for (unsigned m = 0; m < n; ++m)
                ASSERT_EQ(down.coefficients(r, m), h[(r + n - 1 - m) % n]);
    }
}

TEST(FilterMatrices, StartStateAndFactorQueries)
{
    for (unsigned L : {2u, 4u, 8u, 16u})
    {
        const Upsampler up(L);
        EXPECT_EQ(up.writeIndex, 15);
        EXPECT_EQ(up.row, 16 * L - 1);
        EXPECT_EQ(up.factor(), L);
        for (double v : up.history)
            EXPECT_EQ(v, 0.0);

        const Downsampler down(L);
        EXPECT_EQ(down.writeIndex, 16 * L - 1);
        EXPECT_EQ(down.row, 16 * L - 1);
        EXPECT_EQ(down.factor(), L);
        EXPECT_EQ(down.history.size(), static_cast<Eigen::Index>(16 * L));
        EXPECT_TRUE(down.history.isZero(0.0));
    }
    EXPECT_THROW(Upsampler(3), std::invalid_argument);
    EXPECT_THROW(Downsampler(1), std::invalid_argument);
}

TEST(FilterMatrices, IndicesWrapAndStayEqualInTheDecimator)
{
    Upsampler up(4);
    Downsampler down(4);
    for (unsigned k = 0; k < 1000; ++k)
    {
        up.push(1.0);
        for (unsigned p = 0; p < 4; ++p)
        {
            up.next();
            down.push(1.0);
        }
        ASSERT_LT(up.writeIndex, 16);
        ASSERT_LT(up.row, 64);
        ASSERT_LT(down.writeIndex, 64);
        ASSERT_EQ(down.row, down.writeIndex);
        // After each push and its L outputs the interpolator sits on the last phase of the row block
        // whose newest-sample column is the slot just written, (writeIndex + 15) mod 16.
        ASSERT_EQ(up.row % 4, 3u);
        ASSERT_EQ(up.row / 4u, up.writeIndex);
    }
}

TEST(FilterMatrices, UpsamplerPhasesAreTheStatedConvolution)
{
    // The p-th output after the push of x[n] is L · Σ_d h[p + L·d] · x[n - d].
    const unsigned L = 8;
    const auto h = prototypeFor(L);
    Upsampler up(L);
    double x[40];
    for (int n = 0; n < 40; ++n)
        x[n] = std::sin(0.37 * n) + 0.1 * n;
    for (int n = 0; n < 40; ++n)
    {
        up.push(x[n]);
        for (unsigned p = 0; p < L; ++p)
        {
            double expected = 0.0;
            for (int d = 0; d < 16 && n - d >= 0; ++d)
                expected += L * h[p + L * d] * x[n - d];
            ASSERT_NEAR(up.next(), expected, 1e-12) << n << " " << p;
        }
    }
}

TEST(FilterMatrices, DownsamplerOutputIsTheStatedConvolution)
{
    const unsigned L = 2;
    const unsigned n = 32;
    Downsampler down(L);
    double s[100];
    for (int k = 0; k < 100; ++k)
    {
        s[k] = std::cos(0.21 * k) * (k % 7);
        down.push(s[k]);
        double expected = 0.0;
        for (int d = 0; d < static_cast<int>(n) && k - d >= 0; ++d)
            expected += prototypeX2[d] * s[k - d];
        ASSERT_NEAR(down.output(), expected, 1e-12) << k;
    }
}

} // namespace
} // namespace ravlin
