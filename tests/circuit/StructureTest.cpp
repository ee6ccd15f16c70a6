// Structural zeros, exact constants and bit-identical recomputation over many settings.
#include <random>

#include <gtest/gtest.h>

#include "circuit/BlockModels.h"

namespace ravlin {
namespace {

template <class M>
bool allSame(const M& a, const M& b)
{
    return a.G == b.G && a.H == b.H && a.A == b.A && a.B == b.B && a.C == b.C && a.D == b.D && a.E == b.E && a.F == b.F
           && a.K == b.K;
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

namespace ravlin {
namespace {

// The structure lists and exact constants only remove rounding residue: the raw
// nodal solution differs from the finished coefficients by a negligible amount.
template <class Model, class Fill>
void expectMaskOnlyRemovesResidue(Model& b, Fill fillRaw)
{
    typename Model::Base raw;
    fillRaw(raw);
    auto close = [](const auto& finished, const auto& unmasked) {
        const double scale = 1.0 + unmasked.cwiseAbs().maxCoeff();
        return (finished - unmasked).cwiseAbs().maxCoeff() <= 1e-12 * scale;
    };
    EXPECT_TRUE(close(b.G, raw.G));
    EXPECT_TRUE(close(b.H, raw.H));
    EXPECT_TRUE(close(b.A, raw.A));
    EXPECT_TRUE(close(b.B, raw.B));
    EXPECT_TRUE(close(b.C, raw.C));
    EXPECT_TRUE(close(b.D, raw.D));
    EXPECT_TRUE(close(b.E, raw.E));
    EXPECT_TRUE(close(b.F, raw.F));
    EXPECT_TRUE(close(b.K, raw.K));
}

TEST(Structure, ListsMatchTheCircuits)
{
    for (unsigned pos : {0u, 5u, 16u})
    {
        Block1Circuit b1(96000.0);
        b1.setPotPosition(pos);
        b1.computeCoefficients();
        expectMaskOnlyRemovesResidue(b1, [&](auto& raw) {
            computeNodalCoefficients(b1.netlist,
                                     {b1.R1, b1.R2, b1.R3, b1.R4, b1.gainUpper, b1.gainLower, b1.R5, b1.R6, b1.RL1},
                                     {b1.C2, b1.C3, b1.C4, b1.C5, b1.C1}, b1.sampleRate, raw);
        });
        Block2Circuit b2(48000.0);
        b2.setPotPosition(pos);
        b2.computeCoefficients();
        expectMaskOnlyRemovesResidue(b2, [&](auto& raw) {
            computeNodalCoefficients(
                b2.netlist, {b2.R4, b2.gainUpper, b2.gainLower, b2.R5, b2.R6, b2.R7, b2.R8, b2.R9, b2.R10, b2.RL2},
                {b2.C4, b2.C5, b2.C6, b2.CX, b2.C8}, b2.sampleRate, raw);
        });
    }
    Block3Circuit b3(88200.0);
    expectMaskOnlyRemovesResidue(b3, [&](auto& raw) {
        computeNodalCoefficients(b3.netlist, {b3.R7, b3.R8, b3.R9, b3.R10, b3.R11, b3.RL3}, {b3.C7, b3.C8},
                                 b3.sampleRate, raw);
    });
    for (unsigned idx : {0u, 1687u, 3374u, 14u * 225u, 14u})
    {
        Block4Circuit b4(44100.0);
        b4.setPotPosition(idx);
        b4.computeCoefficients();
        expectMaskOnlyRemovesResidue(b4, [&](auto& raw) {
            computeNodalCoefficients(
                b4.netlist,
                {b4.R11, b4.R12, b4.trebleUpper, b4.trebleLower, b4.bass, b4.middleUpper, b4.middleLower, b4.R13},
                {b4.C9, b4.C10, b4.C11}, b4.sampleRate, raw);
        });
    }
}

} // namespace
} // namespace ravlin
