// Rotated coefficient matrices and the ring indices of the interpolator and decimator.
#include "dsp/Downsampler.h"
#include "dsp/PrototypeFilters.h"
#include "dsp/Upsampler.h"

#include <stdexcept>

#include <gtest/gtest.h>

namespace ravlin {
namespace {

TEST(FilterMatrix, FactorTwoEntries)
{
    const Upsampler up(2);
    ASSERT_EQ(up.coefficients.rows(), 32);
    ASSERT_EQ(up.coefficients.cols(), 16);
    // Row 0 (j = 0, p = 0): from column 15 down to column 0, 2·h[0], 2·h[2], …, 2·h[30].
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(up.coefficients(0, 15 - i), 2.0 * prototypeX2[2 * i]) << "column " << 15 - i;

    const Downsampler down(2);
    ASSERT_EQ(down.coefficients.rows(), 32);
    ASSERT_EQ(down.coefficients.cols(), 32);
    EXPECT_EQ(down.coefficients(0, 31), prototypeX2[0]);
    EXPECT_EQ(down.coefficients(0, 0), prototypeX2[31]);
}

TEST(FilterMatrix, EveryEntryFollowsTheRotationRule)
{
    for (unsigned L : {2u, 4u, 8u, 16u})
    {
        SCOPED_TRACE(L);
        const std::vector<double> h = prototypeFor(L);
        const unsigned n = 16 * L;
        const Upsampler up(L);
        for (unsigned j = 0; j < 16; ++j)
            for (unsigned p = 0; p < L; ++p)
                for (unsigned m = 0; m < 16; ++m)
                    ASSERT_EQ(up.coefficients(L * j + p, m), L * h[p + L * ((j + 15 - m) % 16)]);
        const Downsampler down(L);
        for (unsigned r = 0; r < n; ++r)
            for (unsigned m = 0; m < n; ++m)
                ASSERT_EQ(down.coefficients(r, m), h[(r + n - 1 - m) % n]);
    }
}

TEST(FilterMatrix, InitialStateAndIndexWrap)
{
    for (unsigned L : {2u, 4u, 8u, 16u})
    {
        SCOPED_TRACE(L);
        Upsampler up(L);
        Downsampler down(L);
        EXPECT_EQ(up.factor(), L);
        EXPECT_EQ(down.factor(), L);
        EXPECT_EQ(up.writeIndex, 15);
        EXPECT_EQ(up.row, 16 * L - 1);
        EXPECT_EQ(down.writeIndex, 16 * L - 1);
        EXPECT_EQ(down.row, 16 * L - 1);
        for (double v : up.history)
            EXPECT_EQ(v, 0.0);
        EXPECT_TRUE((down.history.array() == 0.0).all());

        // The first push lands in the last slot, then the indices wrap to 0.
        up.push(1.0);
        EXPECT_EQ(up.history[15], 1.0);
        EXPECT_EQ(up.writeIndex, 0);
        down.push(2.0);
        EXPECT_EQ(down.history[16 * L - 1], 2.0);
        EXPECT_EQ(down.writeIndex, 0);
        EXPECT_EQ(down.row, 0);

        // Many pushes and outputs keep every index in range, and row tracks writeIndex.
        for (unsigned i = 0; i < 70000; ++i)
        {
            up.push(0.0);
            for (unsigned p = 0; p < L; ++p)
            {
                up.next();
                down.push(0.0);
            }
            ASSERT_LT(up.writeIndex, 16);
            ASSERT_LT(up.row, 16 * L);
            ASSERT_EQ(down.row, down.writeIndex);
        }
        // After 70000 base-rate samples the row has advanced 70000·L times from 16·L - 1.
        EXPECT_EQ(up.row, (16 * L - 1 + 70000ull * L) % (16 * L));
    }
}

TEST(FilterMatrix, RejectsUnsupportedFactors)
{
    EXPECT_THROW(Upsampler(3), std::invalid_argument);
    EXPECT_THROW(Downsampler(1), std::invalid_argument);
    EXPECT_THROW(Downsampler(32), std::invalid_argument);
}

} // namespace
} // namespace ravlin
