// The reference chain's port solves converge on a loud phrase at full Gain, and their
// solutions satisfy the port equations.
#include <gtest/gtest.h>

#include "Signals.h"
#include "circuit/ReferenceChain.h"

using namespace ravlin;
using namespace ravlin::modelgen;

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

TEST(PortSolver, ContinuedSolvesLandWhereAColdStartDoes)
{
    // Each step of the reference continues from the previous step's solution. Where a solve
    // started cold (v = p) converges, it must find the same port voltages: the continuation
    // follows the circuit's own solution, not a branch of its own.
    ReferenceChain chain;
    ChainSetting s;
    s.gain = 16;
    chain.configure(s);
    ASSERT_TRUE(chain.settled);
    const Signal in = pluckedPhrase(44100.0, 0.15, 0.5, 5);
    int compared = 0;
    double worst = 0.0;
    for (double x : in)
    {
        chain.step(x);
        Block2Circuit copy = chain.b2.model;
        const auto v = copy.v;
        copy.v = copy.p;
        const PortSolve r = solvePorts(copy, copy.p, copy.K, 1e-9, 200);
        if (r.converged)
        {
            worst = std::max(worst, (copy.v - v).cwiseAbs().maxCoeff());
            ++compared;
        }
    }
    EXPECT_EQ(chain.failures(), 0);
    EXPECT_LE(worst, 1e-6);
    EXPECT_GT(compared, static_cast<int>(in.size() / 2));
}
