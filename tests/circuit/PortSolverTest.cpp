// Offline port solve, reference block step and DC operating point.
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "circuit/BlockModels.h"
#include "circuit/OperatingPoint.h"
#include "circuit/ReferenceChain.h"
#include "circuit/ReferenceStepper.h"

namespace ravlin {
namespace {

TEST(PortSolver, ReadsEachBlocksWiringFromItsTriodes)
{
    const auto w1 = probeWiring(Block1Circuit(44100.0));
    EXPECT_EQ(w1[0].grid, 0);
    EXPECT_EQ(w1[0].gridSign, 1.0);
    EXPECT_EQ(w1[1].grid, 2);
    EXPECT_EQ(w1[1].gridSign, -1.0);
    EXPECT_EQ(w1[1].plate, 3);
    EXPECT_EQ(w1[1].plateSign, -1.0);
    const auto w4 = probeWiring(Block4Circuit(44100.0));
    EXPECT_EQ(w4[0].grid, 0);
    EXPECT_EQ(w4[0].gridSign, -1.0);
    EXPECT_EQ(w4[0].plate, 1);
    EXPECT_EQ(w4[0].plateSign, 1.0);
}

// The probed ports are the circuit's, but mu is the valve set's: a block type solved first
// with one set must not lend that set's mu to the next model of the same type.
TEST(PortSolver, WiringTakesMuFromTheModelItSolves)
{
    Block2Circuit fresh(44100.0), aged(44100.0);
    configureBlock(fresh, ValveSet::fresh, 44100.0, 8);
    configureBlock(aged, ValveSet::aged, 44100.0, 8);
    ASSERT_NE(fresh.valve1.invMu, aged.valve1.invMu);
    const auto wf = wiringOf(fresh);
    const auto wa = wiringOf(aged);
    EXPECT_EQ(wf[0].invMu, fresh.valve1.invMu);
    EXPECT_EQ(wa[0].invMu, aged.valve1.invMu);
    EXPECT_EQ(wa[1].invMu, aged.valve2.invMu);
    EXPECT_EQ(wa[1].grid, wf[1].grid);
    EXPECT_EQ(wa[1].plateSign, wf[1].plateSign);
}

template <class Model>
void checkOperatingPointIsFixed(unsigned position, bool hasPot)
{
    ReferenceStepper<Model> ref(44100.0);
    if constexpr (Model::ModelTraitsType::Positions > 0)
    {
        if (hasPot)
        {
            ref.model.setPotPosition(position);
            ref.model.computeCoefficients();
        }
    }
    const PortSolve r = operatingPoint(ref.model, 0.0);
    ASSERT_TRUE(r.converged) << r.residual;
    ref.restart();
    const auto x0 = ref.model.x;
    const auto i0 = ref.model.i;
    EXPECT_GT(i0.cwiseAbs().maxCoeff(), 1e-5); // valves conduct at the operating point
    double drift = 0.0;
    for (int n = 0; n < 10000; ++n)
    {
        ref.step(0.0);
        drift = std::max(drift, (ref.model.x - x0).cwiseAbs().maxCoeff() / (1.0 + x0.cwiseAbs().maxCoeff()));
    }
    EXPECT_EQ(ref.failures, 0);
    EXPECT_LT(drift, 1e-9);
    EXPECT_LT((ref.model.i - i0).cwiseAbs().maxCoeff(), 1e-9 * (1.0 + i0.cwiseAbs().maxCoeff()));
}

TEST(OperatingPoint, IsAFixedPointOfTheReferenceStep)
{
    checkOperatingPointIsFixed<Block1Circuit>(0, true);
    checkOperatingPointIsFixed<Block1Circuit>(16, true);
    checkOperatingPointIsFixed<Block2Circuit>(8, true);
    checkOperatingPointIsFixed<Block3Circuit>(0, false);
    checkOperatingPointIsFixed<Block4Circuit>(1687, true);
    checkOperatingPointIsFixed<Block4Circuit>(3374, true);
}

/// Random states around the operating point and inputs up to ±100 V, each solved by
/// continuation from a known solution: the operating point, or the previous random case's
/// solution. Every solve reaches the tolerance and the returned v satisfies the port equations.
template <class Model>
void checkConvergesOverRange(unsigned seed)
{
    using VecV = decltype(Model::p);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    Model m(44100.0);
    ASSERT_TRUE(operatingPoint(m, 0.0).converged);
    const auto xop = m.x;
    const VecV pOp = m.p, vOp = m.v;
    VecV pFrom = pOp, vFrom = vOp;
    int failures = 0;
    int worst = 0;
    for (int n = 0; n < 300; ++n)
    {
        auto xr = xop;
        for (int k = 0; k < xr.size(); ++k)
            xr[k] += unit(rng) * (std::abs(xop[k]) + 1.0);
        m.u[0] = 100.0 * unit(rng);
        const VecV p = m.G * xr + m.H * m.u;
        if (n % 2 == 0)
        {
            pFrom = pOp;
            vFrom = vOp;
        }
        const PortSolve r = solvePortsFrom(m, p, m.K, pFrom, vFrom);
        worst = std::max(worst, r.iterations);
        if (!r.converged)
        {
            ++failures;
            ADD_FAILURE() << "residual " << r.residual << " after " << r.iterations << " |v| "
                          << m.v.cwiseAbs().maxCoeff();
            continue;
        }
        // model.i belongs to the returned v, which solves the equations for this p.
        EXPECT_LE((p + m.K * m.i - m.v).cwiseAbs().maxCoeff(), 1e-9);
        pFrom = p;
        vFrom = m.v;
    }
    EXPECT_EQ(failures, 0);
    std::printf("block seed %u: worst Newton iterations per solve %d\n", seed, worst);
}

TEST(PortSolver, ConvergesOverTheBlockRange)
{
    checkConvergesOverRange<Block1Circuit>(11);
    checkConvergesOverRange<Block2Circuit>(12);
    checkConvergesOverRange<Block3Circuit>(13);
    checkConvergesOverRange<Block4Circuit>(14);
}

TEST(PortSolver, ReportsNonConvergenceInsteadOfClaimingSuccess)
{
    Block1Circuit m(44100.0);
    m.u[0] = 50.0;
    const auto p = (m.G * m.x + m.H * m.u).eval();
    m.v = p;
    const PortSolve r = solvePorts(m, p, m.K, 1e-13, 1); // one iteration is not enough
    EXPECT_FALSE(r.converged);
    EXPECT_GT(r.residual, 1e-13);
}

TEST(ReferenceStepper, Block4SineStaysFiniteAndSettles)
{
    ReferenceStepper<Block4Circuit> ref(44100.0);
    ref.model.setPotPosition(7 * 225 + 7 * 15 + 7);
    ref.model.computeCoefficients();
    ASSERT_TRUE(operatingPoint(ref.model, 0.0).converged);
    ref.restart();
    const double kPi = 3.14159265358979323846;
    const int period = 441; // 1 kHz at 44.1 kHz: exactly 44.1 samples per cycle, 10 cycles = 441
    std::vector<double> out;
    for (int n = 0; n < 44100; ++n)
        out.push_back(ref.step(2.0 * std::sin(2.0 * kPi * 1000.0 * n / 44100.0)));
    EXPECT_EQ(ref.failures, 0);
    double peak = 0.0, diff = 0.0;
    for (int n = 44100 - period; n < 44100; ++n)
    {
        ASSERT_TRUE(std::isfinite(out[static_cast<std::size_t>(n)]));
        peak = std::max(peak, std::abs(out[static_cast<std::size_t>(n)]));
        diff = std::max(diff, std::abs(out[static_cast<std::size_t>(n)] - out[static_cast<std::size_t>(n - period)]));
    }
    EXPECT_GT(peak, 0.01);
    EXPECT_LT(diff, 1e-6 * (1.0 + peak)); // periodic steady state
}

} // namespace
} // namespace ravlin
