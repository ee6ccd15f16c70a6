// Operating points are fixed points of the reference step: started there with the
// resting input, every block stays put (no drift, no thump), at every rate.
#include <gtest/gtest.h>

#include "OperatingTable.h"
#include "Rates.h"
#include "circuit/ReferenceChain.h"

using namespace ravlin;
using namespace ravlin::modelgen;

TEST(OperatingPoint, ChainRestsWithoutDriftAtEveryRateAndBothSets)
{
    for (ValveSet set : {ValveSet::fresh, ValveSet::aged})
        for (double rate : effectiveRates())
        {
            ReferenceChain chain;
            ChainSetting s;
            s.set = set;
            s.rate = rate;
            s.gain = 16;
            s.tone = 3374;
            chain.configure(s);
            ASSERT_TRUE(chain.settled) << rate;
            double drift = 0.0;
            for (int n = 0; n < 2000; ++n)
            {
                chain.step(0.0);
                drift = std::max(drift, std::fabs(chain.b1.model.y[0] - chain.restOutput[0]));
                drift = std::max(drift, std::fabs(chain.b3.model.y[0] - chain.restOutput[2]));
                drift = std::max(drift, std::fabs(chain.b4.model.y[0] - chain.restOutput[3]));
            }
            EXPECT_LT(drift, 1e-8) << "rate " << rate;
            EXPECT_EQ(chain.failures(), 0);
        }
}

TEST(OperatingPoint, TableEntriesHoldTheFixedPointForEachRate)
{
    const std::vector<double> rates = {44100.0, 192000.0, 3072000.0};
    std::vector<double> inputs;
    for (double r : rates)
        inputs.push_back(restingInput(4, ValveSet::aged, r, 8));
    std::vector<double> table;
    ASSERT_TRUE(operatingTable<Block4Circuit>(ValveSet::aged, 1687, rates, inputs, table));
    ASSERT_EQ(table.size(), 1u + rates.size() * 8u);
    EXPECT_EQ(table[0], 3.0);
    for (std::size_t k = 0; k < rates.size(); ++k)
    {
        const double* e = &table[1 + k * 8];
        EXPECT_EQ(e[0], rates[k]);
        ReferenceStepper<Block4Circuit> b(rates[k]);
        configureBlock(b.model, ValveSet::aged, rates[k], 1687);
        for (int c = 0; c < 2; ++c)
        {
            b.model.p[c] = e[1 + c];
            b.model.i[c] = e[3 + c];
        }
        b.model.v = b.model.p + b.model.K * b.model.i;
        for (int c = 0; c < 3; ++c)
            b.model.x[c] = e[5 + c];
        b.restart();
        const auto x0 = b.model.x;
        for (int n = 0; n < 500; ++n)
            b.step(inputs[k]);
        EXPECT_LT((b.model.x - x0).cwiseAbs().maxCoeff(), 1e-9 * (1.0 + x0.cwiseAbs().maxCoeff())) << rates[k];
        EXPECT_LT(std::fabs(b.model.p[0] - e[1]), 1e-9);
    }
}
