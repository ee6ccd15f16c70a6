// The offline port solve converges where the circuit layer's solver stalls, and its
// solutions satisfy the port equations.
#include <gtest/gtest.h>

#include "circuit/ReferenceSolver.h"
#include "ReferenceChain.h"
#include "Signals.h"

using namespace ravlin;
using namespace ravlin::modelgen;

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

TEST(PortSolver, LoudPhraseAtFullGainConvergesEveryStepOfEveryBlock)
{
    for (ValveSet set : {ValveSet::fresh, ValveSet::aged})
    {
        ReferenceChain chain;
        ChainSetting s;
        s.set = set;
        s.gain = 16;
        chain.configure(s);
        ASSERT_TRUE(chain.settled);
        const Signal in = pluckedPhrase(44100.0, 0.15, 4.0, 3);
        for (double x : in)
        {
            chain.step(x);
            // The returned state satisfies v = p + K f(v) to the solver's tolerance.
            auto& m = chain.b1.model;
            const auto r = (m.p + m.K * m.i - m.v).cwiseAbs().maxCoeff();
            ASSERT_LE(r, 1e-9);
        }
        EXPECT_EQ(chain.failures(), 0);
    }
}

TEST(PortSolver, AgreesWithTheCircuitLayersSolverWhereThatConverges)
{
    ReferenceChain chain;
    ChainSetting s;
    s.gain = 4;
    chain.configure(s);
    const Signal in = pluckedPhrase(44100.0, 0.05, 0.5, 5);
    int compared = 0;
    for (double x : in)
    {
        chain.step(x);
        Block2Circuit copy = chain.b2.model;
        const auto v = copy.v;
        const NewtonResult r = solvePortEquations(copy, copy.p, copy.K, 200, 1e-12);
        if (r.converged)
        {
            EXPECT_LE((copy.v - v).cwiseAbs().maxCoeff(), 1e-6);
            ++compared;
        }
    }
    EXPECT_GT(compared, static_cast<int>(in.size() / 2));
}
