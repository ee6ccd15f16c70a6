// Newton reference solve, reference block step and DC operating point.
#include <cmath>
#include <cstdio>
#include <random>

#include <gtest/gtest.h>

#include "circuit/BlockModels.h"
#include "circuit/OperatingPoint.h"
#include "circuit/ReferenceSolver.h"

namespace ravlin {
namespace {

template <class Model>
void checkOperatingPointIsFixed(unsigned position, bool hasPot)
{
    ReferenceBlock<Model> ref(44100.0);
    if constexpr (Model::ModelTraitsType::Positions > 0)
    {
        if (hasPot)
        {
            ref.model.setPotPosition(position);
            ref.model.computeCoefficients();
        }
    }
    const NewtonResult r = findOperatingPoint(ref.model);
    ASSERT_TRUE(r.converged) << r.residual;
    const auto x0 = ref.model.x;
    const auto i0 = ref.model.i;
    EXPECT_GT(i0.cwiseAbs().maxCoeff(), 1e-5); // valves conduct at the operating point
    double drift = 0.0;
    for (int n = 0; n < 10000; ++n)
    {
        ref.step(0.0);
        ASSERT_TRUE(ref.converged());
        drift = std::max(drift, (ref.model.x - x0).cwiseAbs().maxCoeff() / (1.0 + x0.cwiseAbs().maxCoeff()));
    }
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

template <class Model>
void checkConvergesOverRange(unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    Model m(44100.0);
    ASSERT_TRUE(findOperatingPoint(m).converged);
    const auto xop = m.x;
    int failures = 0;
    int worst = 0;
    for (int n = 0; n < 300; ++n)
    {
        auto xr = xop;
        for (int k = 0; k < xr.size(); ++k)
            xr[k] += unit(rng) * (std::abs(xop[k]) + 1.0);
        m.u[0] = 100.0 * unit(rng);
        const auto p = (m.G * xr + m.H * m.u).eval();
        if (n % 2 == 0)
            m.v = p; // cold start; otherwise warm start from the previous solution
        const NewtonResult r = solvePortEquations(m, p, m.K, 1000, m.tolerance);
        worst = std::max(worst, r.iterations);
        if (!r.converged)
        {
            ++failures;
            ADD_FAILURE() << "residual " << r.residual << " after " << r.iterations << " |v| " << m.v.cwiseAbs().maxCoeff();
        }
        const auto resid = (p + m.K * m.i - m.v).eval();
        if (r.converged)
        {
            EXPECT_LE(resid.cwiseAbs().maxCoeff(), 1e-13 * (1.0 + m.v.cwiseAbs().maxCoeff()));
        }
    }
    EXPECT_EQ(failures, 0);
    std::printf("block seed %u: worst Newton iterations %d\n", seed, worst);
}

TEST(ReferenceSolver, ConvergesOverTheBlockRange)
{
    checkConvergesOverRange<Block1Circuit>(11);
    checkConvergesOverRange<Block2Circuit>(12);
    checkConvergesOverRange<Block3Circuit>(13);
    checkConvergesOverRange<Block4Circuit>(14);
}

TEST(ReferenceSolver, ReportsNonConvergenceInsteadOfClaimingSuccess)
{
    Block1Circuit m(44100.0);
    m.u[0] = 50.0;
    const auto p = (m.G * m.x + m.H * m.u).eval();
    m.v = p;
    const NewtonResult r = solvePortEquations(m, p, m.K, 1, 1e-13); // one iteration is not enough
    EXPECT_FALSE(r.converged);
    EXPECT_GT(r.residual, 1e-13);
}

TEST(ReferenceBlock, Block4SineStaysFiniteAndSettles)
{
    ReferenceBlock<Block4Circuit> ref(44100.0);
    ref.model.setPotPosition(7 * 225 + 7 * 15 + 7);
    ref.model.computeCoefficients();
    ASSERT_TRUE(findOperatingPoint(ref.model).converged);
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
