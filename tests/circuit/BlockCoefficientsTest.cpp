// Coefficients of the four blocks against hand-derived reference values (10 digits).
#include <cmath>

#include <gtest/gtest.h>

#include "circuit/BlockModels.h"
#include "circuit/NodalSolver.h"

namespace ravlin {
namespace {

#define EXPECT_REF(expected, actual) EXPECT_NEAR((actual), (expected), std::abs(expected) * 1e-9 + 1e-300)

TEST(NodalSolver, IsolatedParallelRC)
{
    struct One : EigenSolver<SolverTraits<1, 1, 1, 1, 1>>
    {
    };
    constexpr NodalNetlist<2, 1, 1, 1, 1, 1> net{{{{0, kGround}}}, {{{0, kGround}}}, {{1}},
                                                 {{{0, kGround}}}, {{{kGround, 0}}}, 0};
    One s;
    const double R = 2700.0, Cap = 0.47e-6, fs = 44100.0;
    computeNodalCoefficients(net, {R}, {Cap}, fs, s);
    const double Rc = 1.0 / (2.0 * fs * Cap);
    EXPECT_REF(0.9822892554, s.A(0, 0));
    EXPECT_NEAR(s.A(0, 0), (R - Rc) / (R + Rc), 1e-15);
    EXPECT_NEAR(s.C(0, 0), 2.0 * R / (R + Rc), 1e-15);
    EXPECT_EQ(s.B(0, 0), 0.0); // the source drives an unconnected node
}

TEST(NodalSolver, ZeroOhmShortsCapacitorAndOpenTerminalFreezesIt)
{
    struct Two : EigenSolver<SolverTraits<2, 1, 1, 1, 1>>
    {
    };
    // node0 --R--> node1 (0 ohm), cap0 across node0/node1, cap1 from open node2 to ground, R2 node0-ground
    constexpr NodalNetlist<4, 3, 2, 1, 1, 1> net{
        {{{0, 1}, {0, kGround}, {3, 0}}}, {{{0, 1}, {2, kGround}}}, {{3}}, {{{0, kGround}}}, {{{kGround, 0}}}, 1};
    Two s;
    computeNodalCoefficients(net, {0.0, 1000.0, 500.0}, {1e-6, 1e-9}, 48000.0, s);
    EXPECT_EQ(s.A(0, 0), -1.0);
    EXPECT_EQ(s.A(1, 1), 1.0);
    EXPECT_EQ(s.A(0, 1), 0.0);
    EXPECT_EQ(s.A(1, 0), 0.0);
    EXPECT_EQ(s.B(0, 0), 0.0);
    EXPECT_EQ(s.B(1, 0), 0.0);
    EXPECT_EQ(s.C(0, 0), 0.0);
    EXPECT_EQ(s.C(1, 0), 0.0);
    EXPECT_EQ(s.G(0, 0), 0.0);
    EXPECT_EQ(s.D(0, 0), 0.0);
    EXPECT_NEAR(s.H(0, 0), 1000.0 / 1500.0, 1e-15);
    EXPECT_NEAR(s.K(0, 0), 1000.0 * 500.0 / 1500.0, 1e-9);
    EXPECT_TRUE(std::isfinite(s.K(0, 0)));
}

TEST(Block1, ReferenceValues)
{
    struct Col
    {
        unsigned pos;
        double gl, a11, a12, h11, d02, e01, f02, k11;
    };
    const Col cols[] = {
        {0, 6054, 0.9926756661, -0.3261036306, 0.2893931293, 16389.21153, 0.2857309624, -4324.184754, -28963.22243},
        {8, 200066.2013, 0.996920539, -0.1371078135, 0.7012306973, 6890.720457, 0.6996909668, -60081.68749,
         -70146.97923},
        {16, 999999, 0.9990825526, -0.0408478026, 0.9109892486, 2052.915744, 0.9105305249, -89469.38563, -91122.83437},
    };
    Block1Circuit b(44100.0);
    for (const Col& c : cols)
    {
        SCOPED_TRACE(c.pos);
        b.setPotPosition(c.pos);
        b.computeCoefficients();
        EXPECT_REF(c.gl, b.gainLower);
        EXPECT_REF(c.a11, b.A(1, 1));
        EXPECT_REF(c.a12, b.A(1, 2));
        EXPECT_REF(c.h11, b.H(1, 1));
        EXPECT_REF(c.d02, b.D(0, 2));
        EXPECT_REF(c.e01, b.E(0, 1));
        EXPECT_REF(c.f02, b.F(0, 2));
        EXPECT_REF(c.k11, b.K(1, 1));
        EXPECT_REF(0.9822892554, b.A(0, 0));
        EXPECT_REF(1.982289255, b.C(0, 0));
        EXPECT_EQ(b.C(0, 0), b.C(0, 1));
        EXPECT_REF(0.3286806426, b.A(4, 4));
        EXPECT_REF(22824.85815, b.G(0, 4));
        EXPECT_REF(-0.9756097561, b.H(3, 1));
        EXPECT_EQ(b.H(0, 0), 1.0);
    }
    EXPECT_EQ(b.gainUpper, 0.0);
    EXPECT_EQ(b.A(3, 3), -1.0);
    for (int k = 0; k < 5; ++k)
        if (k != 3)
        {
            EXPECT_EQ(b.A(3, k), 0.0);
            EXPECT_EQ(b.A(k, 3), 0.0);
        }
    EXPECT_EQ(b.B.row(3).cwiseAbs().sum(), 0.0);
    EXPECT_EQ(b.C.row(3).cwiseAbs().sum(), 0.0);
    EXPECT_EQ(b.D(0, 3), 0.0);
    EXPECT_EQ(b.G.col(3).cwiseAbs().sum(), 0.0);
}

TEST(Block1, ClosedFormsOutsideCouplingNetwork)
{
    Block1Circuit b(96000.0);
    b.setPotPosition(5);
    b.computeCoefficients();
    const double rc1 = 1.0 / (2.0 * 96000.0 * b.C1), rc2 = 1.0 / (2.0 * 96000.0 * b.C2);
    const double z1 = b.R1 * rc1 / (b.R1 + rc1), z2 = b.R2 * rc2 / (b.R2 + rc2);
    EXPECT_REF(-(z1 + z2), b.K(0, 0));
    EXPECT_REF(-z2, b.K(0, 1));
    EXPECT_REF(-z2, b.K(1, 0));
    EXPECT_REF(b.R5, b.K(2, 3));
    EXPECT_REF(b.R5, b.K(3, 2));
    EXPECT_REF(b.R5 + b.R6 * b.RL1 / (b.R6 + b.RL1), b.K(3, 3));
    EXPECT_REF(-2.0 * b.R1 / (b.R1 + rc1), b.C(4, 0));
    EXPECT_REF(-z2, b.G(0, 0));
    EXPECT_REF(-z2, b.G(1, 0));
}

TEST(Block2, ReferenceValues)
{
    Block2Circuit b(44100.0);
    b.setPotPosition(0);
    b.computeCoefficients();
    EXPECT_REF(-0.1832180746, b.A(0, 0));
    EXPECT_REF(-0.1505617018, b.H(0, 0));
    b.setPotPosition(16);
    b.computeCoefficients();
    EXPECT_REF(0.8596884668, b.A(0, 0));
    EXPECT_REF(-0.9775692294, b.H(0, 0));
    EXPECT_REF(0.903893778, b.H(1, 1));
    EXPECT_REF(-0.4516992436, b.H(2, 1));
    EXPECT_REF(-0.9756097561, b.H(3, 2));
    EXPECT_REF(-465.5733288, b.D(0, 2));
    EXPECT_REF(0.9033984872, b.E(0, 1));
    EXPECT_REF(257717.6966, b.K(2, 2));
    EXPECT_EQ(b.K(0, 1), b.R5);
    EXPECT_EQ(b.K(1, 0), -b.R5);
    // gainUpper = 0: C5 shorted.
    EXPECT_EQ(b.A(1, 1), -1.0);
    EXPECT_EQ(b.A(0, 1), 0.0);
    EXPECT_EQ(b.A(1, 0), 0.0);
    EXPECT_EQ(b.B(1, 0), 0.0);
    EXPECT_EQ(b.C(1, 0), 0.0);
    EXPECT_EQ(b.G(0, 1), 0.0);
}

TEST(Block2, OpenCapacitorNeverChanges)
{
    for (double fs : {22050.0, 44100.0, 192000.0})
        for (unsigned pos : {0u, 7u, 16u})
        {
            Block2Circuit b(fs);
            b.setPotPosition(pos);
            b.computeCoefficients();
            EXPECT_EQ(b.A(3, 3), 1.0);
            EXPECT_EQ(b.A.row(3).cwiseAbs().sum(), 1.0);
            EXPECT_EQ(b.A.col(3).cwiseAbs().sum(), 1.0);
            EXPECT_EQ(b.B.row(3).cwiseAbs().sum(), 0.0);
            EXPECT_EQ(b.C.row(3).cwiseAbs().sum(), 0.0);
            EXPECT_EQ(b.G.col(3).cwiseAbs().sum(), 0.0);
            EXPECT_EQ(b.D(0, 3), 0.0);
        }
}

TEST(Block2, ClosedForms)
{
    Block2Circuit b(48000.0);
    const double rc6 = 1.0 / (2.0 * 48000.0 * b.C6), s6 = rc6 + b.R6 + b.R7 + b.R8;
    EXPECT_REF((b.R6 + b.R7 + b.R8 - rc6) / s6, b.A(2, 2));
    EXPECT_REF(2.0 / s6, b.B(2, 1));
    EXPECT_REF(-2.0 * b.R6 / s6, b.C(2, 1));
    EXPECT_REF(2.0 * b.R8 / s6, b.C(2, 2));
    EXPECT_REF(-(b.R7 + b.R8) * b.R6 / s6, b.F(0, 1));
    EXPECT_REF(-b.R8 * (b.R6 + rc6) / s6, b.F(0, 2));
    EXPECT_REF(b.R6 * b.R8 / s6, b.K(2, 1));
    EXPECT_REF(-b.R6 * b.R8 / s6, b.K(1, 2));
}

TEST(Block3, ReferenceValues)
{
    struct Col
    {
        double fs, a00, a11, b00, g00, h00, k00, k22;
    };
    const Col cols[] = {
        {44100, 0.8138095588, 0.9601437376, 3.859169274e-06, 21877.37684, -0.9534523897, 21893.7179, -195238.0952},
        {88200, 0.9023598644, 0.9798713052, 4.04757418e-06, 11472.71593, -0.9755899661, 11480.96869, -195238.0952},
    };
    for (const Col& c : cols)
    {
        SCOPED_TRACE(c.fs);
        Block3Circuit b(c.fs);
        EXPECT_REF(c.a00, b.A(0, 0));
        EXPECT_REF(c.a11, b.A(1, 1));
        EXPECT_REF(c.b00, b.B(0, 0));
        EXPECT_REF(c.g00, b.G(0, 0));
        EXPECT_REF(c.h00, b.H(0, 0));
        EXPECT_REF(c.k00, b.K(0, 0));
        EXPECT_REF(c.k22, b.K(2, 2));
        EXPECT_EQ(b.H(1, 1), 1.0);
        EXPECT_EQ(b.H(2, 1), 1.0);
        EXPECT_EQ(b.H(3, 1), 1.0);
        EXPECT_EQ(b.E(0, 1), 1.0);
        EXPECT_EQ(b.F(0, 1), -b.R10);
        EXPECT_EQ(b.F(0, 2), -b.R10);
        EXPECT_REF(-b.R10, b.K(1, 2));
        EXPECT_REF(-b.R10, b.K(2, 1));
    }
}

TEST(Block4, ReferenceValues)
{
    struct Col
    {
        unsigned idx;
        double bass, a00, a11, a22, g00, c20, d00, f00, k00;
    };
    const Col cols[] = {
        {0, 1, 0.8256012992, 0.9507981544, 0.9473241485, -2779.165363, -1.391405261, 56.66839174, 408.9662889,
         28533.67105},
        {1687, 195194.9064, 0.8187078951, 0.9910086302, 0.9876193998, -2754.653375, -1.292194442, 9210.784602,
         18081.44039, 33397.09078},
        {3374, 1000000, 0.7965505759, 0.9952420072, 0.9922118227, -3067.515837, -1.190734908, 18601.6907, 33963.88303,
         37031.39886},
    };
    Block4Circuit b(44100.0);
    for (const Col& c : cols)
    {
        SCOPED_TRACE(c.idx);
        b.setPotPosition(c.idx);
        b.computeCoefficients();
        EXPECT_REF(c.bass, b.bass);
        EXPECT_REF(c.a00, b.A(0, 0));
        EXPECT_REF(c.a11, b.A(1, 1));
        EXPECT_REF(c.a22, b.A(2, 2));
        EXPECT_REF(c.g00, b.G(0, 0));
        EXPECT_REF(c.c20, b.C(2, 0));
        EXPECT_REF(c.d00, b.D(0, 0));
        EXPECT_REF(c.f00, b.F(0, 0));
        EXPECT_REF(c.k00, b.K(0, 0));
    }
    EXPECT_EQ(b.trebleUpper, 0.0);
    EXPECT_EQ(b.middleUpper, 0.0);
    EXPECT_TRUE(b.A.allFinite() && b.C.allFinite() && b.D.allFinite() && b.G.allFinite() && b.K.allFinite());
}

TEST(Block4, IndexOutOfRangeActsAsZero)
{
    Block4Circuit a(44100.0), b(44100.0);
    a.setPotPosition(0);
    b.setPotPosition(5000);
    EXPECT_EQ(a.trebleLower, b.trebleLower);
    EXPECT_EQ(a.bass, b.bass);
    EXPECT_EQ(a.middleLower, b.middleLower);
    b.setPotPosition(3375);
    EXPECT_EQ(a.bass, b.bass);
    EXPECT_EQ(b.trebleUpper, 219999.0);
}

} // namespace
} // namespace ravlin
