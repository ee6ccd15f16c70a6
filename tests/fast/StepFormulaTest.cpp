// The scalar step of every block against the full matrix products p = G·x + H·u,
// x' = A·x + B·u + C·i, y = D·x' + E·u + F·i with the circuit models' own coefficients.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "ChainTestSupport.h"

using namespace ravlin;
using namespace ravlin::synthetic;

namespace {

template <class Block>
void expectStepMatchesMatrices(Block& b, int steps)
{
    for (int n = 0; n < steps; ++n)
    {
        b.u[0] = (b.block == 1 ? 0.5 : 20.0) * std::sin(0.3 * n) + (b.block == 4 ? 150.0 : 0.0);
        const Eigen::VectorXd x0 = b.x;
        const Eigen::VectorXd u = b.u;
        b.step();
        const Eigen::VectorXd p = b.G * x0 + b.H * u;
        const Eigen::VectorXd x1 = b.A * x0 + b.B * u + b.C * b.i;
        const Eigen::VectorXd y = b.D * x1 + b.E * u + b.F * b.i;
        const auto close = [](double got, double want) {
            return std::fabs(got - want) <= 1e-9 * (1.0 + std::fabs(want));
        };
        for (int k = 0; k < p.size(); ++k)
            ASSERT_TRUE(close(b.p[k], p[k])) << "block " << b.block << " p" << k << " step " << n;
        for (int k = 0; k < x1.size(); ++k)
            ASSERT_TRUE(close(b.x[k], x1[k])) << "block " << b.block << " x" << k << " step " << n;
        ASSERT_TRUE(close(b.y[0], y[0])) << "block " << b.block << " y step " << n;
    }
}

} // namespace

TEST(StepFormulas, EveryBlockEqualsTheFullProducts)
{
    auto chain = std::make_unique<ChannelChain>();
    ASSERT_TRUE(loadSyntheticChain(*chain, 8, "formulas"));
    for (unsigned gain : {0u, 8u, 16u})
    {
        chain->selectPosition(1, gain);
        chain->selectPosition(2, gain);
        expectStepMatchesMatrices(chain->block1(), 50);
        expectStepMatchesMatrices(chain->block2(), 50);
    }
    expectStepMatchesMatrices(chain->block3(), 50);
    for (unsigned tone : {0u, 5u, 7u})
    {
        chain->selectPosition(4, tone);
        expectStepMatchesMatrices(chain->block4(), 50);
    }
    chain->setSampleRate(705600.0);
    expectStepMatchesMatrices(chain->block1(), 20);
    expectStepMatchesMatrices(chain->block4(), 20);
}
