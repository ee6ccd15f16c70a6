// Channel chain: silence while not configured, hand-over between blocks, isolation of loads,
// finite output at every oversampling factor.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ChainTestSupport.h"

using namespace ravlin;
using namespace ravlin::synthetic;

TEST(ChannelChain, SilentUntilEveryBlockHasAPosition)
{
    auto chain = std::make_unique<ChannelChain>();
    EXPECT_FALSE(chain->active());
    for (int n = 0; n < 100; ++n)
    {
        ASSERT_EQ(chain->processSample(0.5), 0.0);
        ASSERT_EQ(chain->processOversampled<16>(0.5), 0.0);
    }
    // Loaded but not selected: still silent.
    PcaShape gain;
    gain.networksPerPosition.assign(17, 1);
    ASSERT_TRUE(chain->loadModelFile(1, writeTempFile(pcaBytes(gain), "silent_b1.pca").c_str()).ok);
    chain->selectPosition(1, 3);
    EXPECT_FALSE(chain->active());
    EXPECT_EQ(chain->processSample(0.5), 0.0);
    EXPECT_FALSE(chain->loadModelFile(5, "whatever").ok);
}

TEST(ChannelChain, BlocksHandOverTheirOutputs)
{
    auto chain = std::make_unique<ChannelChain>();
    ASSERT_TRUE(loadSyntheticChain(*chain, 8, "handover"));
    ASSERT_TRUE(chain->active());
    for (int n = 0; n < 200; ++n)
    {
        const double in = 0.2 * std::sin(0.05 * n);
        const double out = chain->processSample(in);
        ASSERT_EQ(chain->block1().u[0], in);
        ASSERT_EQ(chain->block2().u[0], chain->block1().y[0]);
        ASSERT_EQ(chain->block3().u[0], chain->block2().y[0]);
        ASSERT_EQ(chain->block4().u[0], chain->block3().y[0]);
        ASSERT_EQ(out, chain->block4().y[0]);
        ASSERT_TRUE(std::isfinite(out));
    }
}

TEST(ChannelChain, LoadingOneBlockLeavesTheOthersAlone)
{
    auto chain = std::make_unique<ChannelChain>();
    ASSERT_TRUE(loadSyntheticChain(*chain, 8, "isolate"));
    for (int n = 0; n < 50; ++n)
        chain->processSample(0.1);
    const auto* nets1 = chain->block1().networks.data();
    const auto* nets3 = chain->block3().networks.data();
    const auto* nets4 = chain->block4().networks.data();
    const Eigen::VectorXd x1 = chain->block1().x, x3 = chain->block3().x, x4 = chain->block4().x;
    PcaShape gain;
    gain.networksPerPosition.assign(17, 2);
    ASSERT_TRUE(chain->loadModelFile(2, writeTempFile(pcaBytes(gain), "isolate_again.pca").c_str()).ok);
    EXPECT_EQ(chain->block2().networks.size(), 34u);
    EXPECT_EQ(chain->block1().networks.data(), nets1);
    EXPECT_EQ(chain->block3().networks.data(), nets3);
    EXPECT_EQ(chain->block4().networks.data(), nets4);
    EXPECT_EQ(Eigen::VectorXd(chain->block1().x), x1);
    EXPECT_EQ(Eigen::VectorXd(chain->block3().x), x3);
    EXPECT_EQ(Eigen::VectorXd(chain->block4().x), x4);
    EXPECT_FALSE(chain->active()); // block 2 waits for its selection
    chain->selectPosition(2, 8);
    EXPECT_TRUE(chain->active());
}

TEST(ChannelChain, FailedLoadKeepsTheChainRunningUnchanged)
{
    auto a = std::make_unique<ChannelChain>();
    auto b = std::make_unique<ChannelChain>();
    ASSERT_TRUE(loadSyntheticChain(*a, 8, "same_a"));
    ASSERT_TRUE(loadSyntheticChain(*b, 8, "same_b"));
    auto bytes = pcaBytes({});
    bytes.resize(bytes.size() / 2);
    EXPECT_FALSE(b->loadModelFile(3, writeTempFile(bytes, "half_b3.pca").c_str()).ok);
    EXPECT_TRUE(b->active());
    for (int n = 0; n < 500; ++n)
    {
        const double in = 0.3 * std::sin(0.01 * n);
        ASSERT_EQ(a->processSample(in), b->processSample(in));
    }
}

// The processor checks every file of a valve set before it replaces any block, so the check must
// accept exactly what a load accepts and must not touch the chain.
TEST(ChannelChain, CheckAgreesWithLoadAndChangesNothing)
{
    auto reference = std::make_unique<ChannelChain>();
    auto checked = std::make_unique<ChannelChain>();
    ASSERT_TRUE(loadSyntheticChain(*reference, 8, "check_ref"));
    ASSERT_TRUE(loadSyntheticChain(*checked, 8, "check_chk"));

    const auto good = pcaBytes({});
    std::vector<std::pair<int, std::string>> cases = {
        {1, writeTempFile(good, "check_good.pca")},         {4, writeTempFile(stdBytes({}), "check_good.std")},
        {1, writeTempFile(stdBytes({}), "check_kind.std")}, // a block-4 file offered to block 1
        {4, writeTempFile(good, "check_kind.pca")},         {2, "/nonexistent/ravlinpre_eh_b2_pca.dat"},
        {2, writeTempFile({}, "check_empty.pca")},
    };
    for (std::size_t cut : {std::size_t(1), std::size_t(40), good.size() / 3, good.size() - 1})
    {
        auto part = good;
        part.resize(cut);
        cases.push_back({1, writeTempFile(part, "check_cut" + std::to_string(cut) + ".pca")});
    }
    for (const auto& [block, path] : cases)
    {
        const LoadResult check = ChannelChain::checkModelFile(block, path.c_str());
        auto fresh = std::make_unique<ChannelChain>();
        const LoadResult load = fresh->loadModelFile(block, path.c_str());
        EXPECT_EQ(check.ok, load.ok) << path;
        EXPECT_EQ(check.message, load.message) << path;
        EXPECT_EQ(check.ok, check.message.empty()) << path;
    }
    EXPECT_TRUE(ChannelChain::checkModelFile(1, cases[0].second.c_str()).ok);
    EXPECT_FALSE(ChannelChain::checkModelFile(1, cases[2].second.c_str()).ok);
    EXPECT_FALSE(ChannelChain::checkModelFile(5, cases[0].second.c_str()).ok);

    ASSERT_TRUE(checked->active());
    for (int n = 0; n < 500; ++n)
    {
        const double in = 0.3 * std::sin(0.013 * n);
        ASSERT_EQ(reference->processSample(in), checked->processSample(in));
    }
}

TEST(ChannelChain, OversampledPathsStayFinite)
{
    auto chain = std::make_unique<ChannelChain>();
    ASSERT_TRUE(loadSyntheticChain(*chain, 8, "over"));
    double energy = 0.0;
    for (int n = 0; n < 2000; ++n)
    {
        const double in = 0.3 * std::sin(0.02 * n);
        const double y2 = chain->processOversampled<2>(in);
        const double y4 = chain->processOversampled<4>(in);
        const double y8 = chain->processOversampled<8>(in);
        const double y16 = chain->processOversampled<16>(in);
        ASSERT_TRUE(std::isfinite(y2) && std::isfinite(y4) && std::isfinite(y8) && std::isfinite(y16)) << n;
        energy += y16 * y16;
    }
    EXPECT_GT(energy, 0.0);
}

TEST(ChannelChain, NonFiniteOutputIsSilencedAndTheChainRecovers)
{
    auto chain = std::make_unique<ChannelChain>();
    ASSERT_TRUE(loadSyntheticChain(*chain, 8, "nan"));
    for (int n = 0; n < 20; ++n)
        chain->processSample(0.1);
    chain->block4().x[1] = std::nan("");
    EXPECT_EQ(chain->processSample(0.1), 0.0);
    EXPECT_EQ(Eigen::VectorXd(chain->block4().x), Eigen::VectorXd(chain->block4().storedX));
    EXPECT_EQ(Eigen::VectorXd(chain->block1().x), Eigen::VectorXd(chain->block1().storedX));
    for (int n = 0; n < 100; ++n)
        ASSERT_TRUE(std::isfinite(chain->processSample(0.1)));
    EXPECT_TRUE(std::isfinite(chain->block4().runningStatistics.mean()));
}
