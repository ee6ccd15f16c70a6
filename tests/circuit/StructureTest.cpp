// Structural zeros, exact constants and bit-identical recomputation over many settings.
#include <random>

#include <gtest/gtest.h>

#include "circuit/BlockModels.h"

namespace ravlin {
namespace {

template <class M>
bool allSame(const M& a, const M& b)
{
    return a.G == b.G && a.H == b.H && a.A == b.A && a.B == b.B && a.C == b.C && a.D == b.D && a.E == b.E
           && a.F == b.F && a.K == b.K;
}

template <class M>
bool allFinite(const M& a)
{
    return a.G.allFinite() && a.H.allFinite() && a.A.allFinite() && a.B.allFinite() && a.C.allFinite()
           && a.D.allFinite() && a.E.allFinite() && a.F.allFinite() && a.K.allFinite();
}

const double kRates[] = {22050.0, 44100.0, 48000.0, 88200.0, 96000.0, 176400.0, 192000.0};

TEST(Structure, Block1)
{
    std::mt19937 rng(1);
    for (int n = 0; n < 200; ++n)
    {
        Block1Circuit b(kRates[rng() % 7]);
        b.setPotPosition(rng() % 17);
        b.computeCoefficients();
        ASSERT_TRUE(allFinite(b));
        EXPECT_EQ(b.H(0, 0), 1.0);
        EXPECT_EQ(b.G.row(3).cwiseAbs().sum(), 0.0);
        EXPECT_EQ(b.E(0, 0), 0.0);
        EXPECT_EQ(b.D(0, 0), 0.0);
        EXPECT_EQ(b.D(0, 4), 0.0);
        EXPECT_EQ(b.A(0, 1), 0.0);
        EXPECT_EQ(b.A(4, 0), 0.0);
        EXPECT_NE(b.A(1, 2), 0.0);
        EXPECT_NE(b.K(3, 3), 0.0);
        Block1Circuit copy = b;
        copy.computeCoefficients();
        EXPECT_TRUE(allSame(b, copy));
    }
}

TEST(Structure, Block2)
{
    std::mt19937 rng(2);
    for (int n = 0; n < 200; ++n)
    {
        Block2Circuit b(kRates[rng() % 7]);
        b.setPotPosition(rng() % 17);
        b.computeCoefficients();
        ASSERT_TRUE(allFinite(b));
        EXPECT_EQ(b.A(3, 3), 1.0);
        EXPECT_EQ(b.G.row(1).cwiseAbs().sum(), b.G.row(1).cwiseAbs()(2));
        EXPECT_EQ(b.C(4, 2), b.C(4, 3));
        EXPECT_NE(b.K(2, 2), 0.0);
        Block2Circuit copy = b;
        copy.computeCoefficients();
        EXPECT_TRUE(allSame(b, copy));
    }
}

TEST(Structure, Block3)
{
    for (double fs : kRates)
    {
        Block3Circuit b(fs);
        ASSERT_TRUE(allFinite(b));
        EXPECT_EQ(b.D.cwiseAbs().sum(), 0.0);
        EXPECT_EQ(b.E(0, 0), 0.0);
        EXPECT_EQ(b.C(1, 0), b.C(1, 1));
        EXPECT_EQ(b.G(1, 0), 0.0);
        Block3Circuit copy = b;
        copy.computeCoefficients();
        EXPECT_TRUE(allSame(b, copy));
    }
}

TEST(Structure, Block4)
{
    std::mt19937 rng(4);
    for (int n = 0; n < 300; ++n)
    {
        Block4Circuit b(kRates[rng() % 7]);
        b.setPotPosition(rng() % 3375);
        b.computeCoefficients();
        ASSERT_TRUE(allFinite(b));
        EXPECT_EQ(b.H(0, 0), -1.0);
        EXPECT_EQ(b.H(1, 1), 1.0);
        EXPECT_EQ(b.H(0, 1), 0.0);
        EXPECT_EQ(b.H(1, 0), 0.0);
        EXPECT_EQ(b.B.cwiseAbs().sum(), 0.0);
        EXPECT_EQ(b.E.cwiseAbs().sum(), 0.0);
        EXPECT_EQ(b.K(0, 0), b.K(0, 1));
        EXPECT_EQ(b.K(1, 1), -b.K(0, 0));
        Block4Circuit copy = b;
        copy.computeCoefficients();
        EXPECT_TRUE(allSame(b, copy));
    }
}

} // namespace
} // namespace ravlin
