// Starting a chain at rest: findRest finds the fixed point of a block's own step, startAtRest puts
// every block there (each resting on the block before it), makes it the stored operating point a
// recovery returns to, and leaves a chain that cannot play alone.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>

#include "ChainTestSupport.h"
#include "fast/ModelFileNames.h"
#include "fast/RestPoint.h"

using namespace ravlin;

namespace {
/// Largest change of any block's states over `n` silent steps of the chain.
double driftOverSilence(ChannelChain& chain, int n)
{
    const auto x1 = chain.block1().x;
    const auto x2 = chain.block2().x;
    const auto x3 = chain.block3().x;
    const auto x4 = chain.block4().x;
    for (int k = 0; k < n; ++k)
        chain.processSample(0.0);
    return std::max({(chain.block1().x - x1).cwiseAbs().maxCoeff(), (chain.block2().x - x2).cwiseAbs().maxCoeff(),
                     (chain.block3().x - x3).cwiseAbs().maxCoeff(), (chain.block4().x - x4).cwiseAbs().maxCoeff()});
}

const std::filesystem::path shipped = RAVLIN_TEST_MODEL_DIR;
} // namespace

TEST(RestPoint, FindsTheFixedPointOfAContractionAndRefusesADivergentStep)
{
    // x' = A x + b with |eig(A)| < 1 rests at (I - A)^-1 b.
    Eigen::Matrix2d A;
    A << 0.9, 0.05, -0.02, 0.7;
    const Eigen::Vector2d b(1.0, -2.0);
    Eigen::Vector2d x(0.0, 0.0);
    int steps = 0;
    ASSERT_TRUE(findRest<2>(
        x, [&](const Eigen::Vector2d& at) { return Eigen::Vector2d(A * at + b); }, steps));
    const Eigen::Vector2d exact = (Eigen::Matrix2d::Identity() - A).inverse() * b;
    EXPECT_LT((x - exact).cwiseAbs().maxCoeff(), 1e-12);
    EXPECT_LT(steps, 20) << "a linear step needs one Newton iteration";

    // A step without a finite rest (x' = x + 1) is refused, not mistaken for a rest.
    Eigen::Matrix<double, 1, 1> y(0.0);
    steps = 0;
    EXPECT_FALSE(findRest<1>(
        y, [](const Eigen::Matrix<double, 1, 1>& at) { return Eigen::Matrix<double, 1, 1>(at[0] + 1.0); }, steps));
    // A NaN from the step stops the search.
    Eigen::Matrix<double, 1, 1> z(0.0);
    EXPECT_FALSE(findRest<1>(
        z, [](const Eigen::Matrix<double, 1, 1>&) { return Eigen::Matrix<double, 1, 1>(std::nan("")); }, steps));
}

TEST(ChainRest, SyntheticChainStartsAtRestAndRecoversThere)
{
    ChannelChain chain;
    ASSERT_TRUE(synthetic::loadSyntheticChain(chain, 8, "rest"));
    ASSERT_TRUE(chain.active());
    chain.startAtRest();
    EXPECT_LT(driftOverSilence(chain, 2000), 1e-9);
    const auto rest4 = chain.block4().x;
    // A non-finite input recovers the chain to the rest, not to the table's point.
    chain.processSample(std::numeric_limits<double>::quiet_NaN());
    EXPECT_LT((chain.block4().x - rest4).cwiseAbs().maxCoeff(), 1e-9);
    EXPECT_LT(driftOverSilence(chain, 200), 1e-9);
}

TEST(ChainRest, AChainThatCannotPlayIsLeftAlone)
{
    ChannelChain chain;
    chain.startAtRest(); // nothing loaded
    EXPECT_FALSE(chain.active());
    EXPECT_EQ(chain.processSample(1.0), 0.0);
}

TEST(ChainRest, ShippedChainsRestAtEveryGainAndRate)
{
    if (!std::filesystem::exists(shipped / "ravlinpre_eh_b1_pca.dat"))
        GTEST_FAIL() << "no model data in " << shipped << " (the folder models/ comes with the source)";
    for (int set : {0, 1})
        for (long rate : {44100L, 48000L, 768000L})
            for (unsigned gain : {0u, 8u, 16u})
            {
                SCOPED_TRACE("set " + std::to_string(set) + ", " + std::to_string(rate) + " Hz, Gain "
                             + std::to_string(gain));
                ChannelChain chain;
                for (int b = 1; b <= 4; ++b)
                {
                    const std::vector<std::string> names = modelFileCandidates(b, set, rate);
                    std::string path = (shipped / names.back()).string();
                    if (std::filesystem::exists(shipped / names.front()))
                        path = (shipped / names.front()).string();
                    ASSERT_TRUE(chain.loadModelFile(b, path.c_str()).ok) << path;
                }
                chain.setSampleRate(static_cast<double>(rate));
                for (int b = 1; b <= 4; ++b)
                    chain.selectPosition(b, b == 4 ? 3374u : gain);
                chain.startAtRest();
                // A volt at any state would be a thump; the rest moves by rounding only.
                EXPECT_LT(driftOverSilence(chain, 4000), 1e-7);
                double peak = 0.0;
                for (int k = 0; k < 4000; ++k)
                    peak = std::max(peak, std::fabs(chain.processSample(0.0)));
                EXPECT_LT(peak, 1e-6) << "volts at the chain's output";
            }
}

TEST(ChainRest, FollowingTheRestsKeepsWhatTheChainPlays)
{
    ChannelChain chain;
    ASSERT_TRUE(synthetic::loadSyntheticChain(chain, 8, "follow"));
    chain.startAtRest();
    for (int k = 0; k < 500; ++k)
        chain.processSample(0.3 * std::sin(0.05 * k));
    // The same positions again: the rests stay where they are, so the states must too.
    const auto x1 = chain.block1().x;
    const auto x4 = chain.block4().x;
    chain.keepMotion();
    chain.selectPosition(1, 8);
    chain.selectPosition(4, 1);
    chain.followRests();
    EXPECT_LT((chain.block1().x - x1).cwiseAbs().maxCoeff(), 1e-9);
    EXPECT_LT((chain.block4().x - x4).cwiseAbs().maxCoeff(), 1e-9);
    EXPECT_GT((x1 - chain.block1().storedX).cwiseAbs().maxCoeff(), 1e-6) << "the chain was playing";
    // Another Gain position: the states sit as far from the new rest as they sat from the old one.
    const auto away = (chain.block1().x - chain.block1().storedX).eval();
    chain.keepMotion();
    chain.selectPosition(1, 3);
    chain.selectPosition(2, 3);
    chain.followRests();
    EXPECT_LT((chain.block1().x - chain.block1().storedX - away).cwiseAbs().maxCoeff(), 1e-9);
}
