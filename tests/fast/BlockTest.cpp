// Fast-stage blocks: fail-safe loading, position selection, projection, operating points, block 3's
// region search, block 4's statistics and block 2's constant state.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>

#include "SyntheticModelFiles.h"
#include "fast/ChannelChain.h"

using namespace ravlin;
using namespace ravlin::synthetic;

namespace {

std::string pcaFile(const PCAModelFileF& constTree, const std::string& name)
{
    auto& tree = const_cast<PCAModelFileF&>(constTree);
    return writeTempFile(tree.encode(), name);
}

template <class Block>
struct Snapshot
{
    std::vector<std::uint8_t> tree;
    std::size_t networkTotal;
    std::uint32_t positionCount, position;
    const net_node_eigen* networks;
    const net_node_eigen* positionNetworks;
    Eigen::VectorXd x, p, i;
    std::uint8_t loaded, selected, reset;
    bool active;

    explicit Snapshot(Block& b)
        : tree(b.reader.encode()), networkTotal(b.networks.size()), positionCount(b.positionCount),
          position(b.position), networks(b.networks.data()), positionNetworks(b.positionNetworks), x(b.x), p(b.p),
          i(b.i), loaded(b.loaded), selected(b.positionSelected), reset(b.resetPending), active(b.active())
    {
    }
    bool operator==(const Snapshot& o) const
    {
        return tree == o.tree && networkTotal == o.networkTotal && positionCount == o.positionCount
               && position == o.position && networks == o.networks && positionNetworks == o.positionNetworks && x == o.x
               && p == o.p && i == o.i && loaded == o.loaded && selected == o.selected && reset == o.reset
               && active == o.active;
    }
};

/** Shape of a "pca" file with one network per position; 17 positions, as Gain has. */
PcaShape onePerPositionShape(unsigned positions = 17)
{
    PcaShape s;
    s.networksPerPosition.assign(positions, 1);
    return s;
}

} // namespace

TEST(BlockLoad, EveryBrokenFileLeavesTheBlockUnchanged)
{
    auto b = std::make_unique<Block1>();
    const auto good = makePca(onePerPositionShape());
    ASSERT_TRUE(b->loadModelFile(pcaFile(good, "good.pca").c_str()));
    b->selectPosition(5);
    for (int n = 0; n < 10; ++n)
    {
        b->u[0] = 0.1 * n;
        b->step();
    }
    const Snapshot<Block1> before(*b);
    ASSERT_TRUE(before.active);

    std::vector<std::pair<std::string, std::function<void(PCAModelFileF&)>>> breakers = {
        {"no sets", [](PCAModelFileF& f) { f.allocateSets(0); }},
        {"no positions",
         [](PCAModelFileF& f) {
             f.sets[0].positions.clear();
             f.sets[0].positionCount = 0;
         }},
        {"no networks",
         [](PCAModelFileF& f) {
             f.sets[0].positions[3].networks.clear();
             f.sets[0].positions[3].networkCount = 0;
         }},
        {"two layers",
         [](PCAModelFileF& f) {
             f.sets[0].positions[2].networks[0].resizeArrays(4, 4, {3, 3});
         }},
        {"no hidden units", [](PCAModelFileF& f) { f.sets[0].positions[0].networks[0].resizeArrays(4, 4, {0}); }},
        {"256 hidden units", [](PCAModelFileF& f) { f.sets[0].positions[0].networks[0].resizeArrays(4, 4, {256}); }},
        {"three outputs",
         [](PCAModelFileF& f) {
             auto& p = f.sets[0].positions[1];
             p.networkOutputs = 3;
             p.outputProjection.resize(3);
             p.networks[0].resizeArrays(4, 3, {6});
         }},
        {"three input flags",
         [](PCAModelFileF& f) {
             auto& p = f.sets[0].positions[0];
             p.inputFlagCount = 3;
             p.inputFlags.resize(3);
         }},
        {"three output flags",
         [](PCAModelFileF& f) {
             auto& p = f.sets[0].positions[0];
             p.outputFlagCount = 3;
             p.outputFlags.resize(3);
         }},
        {"five network inputs",
         [](PCAModelFileF& f) {
             auto& p = f.sets[0].positions[0];
             p.networkInputs = 5;
             p.projection.resize(20);
             p.networks[0].resizeArrays(5, 4, {6});
         }},
        {"no network inputs",
         [](PCAModelFileF& f) {
             auto& p = f.sets[0].positions[0];
             p.networkInputs = 0;
             p.projection.clear();
             p.networks[0].resizeArrays(0, 4, {6});
         }},
        {"projection inputs disagree with flags", [](PCAModelFileF& f) { f.sets[0].positions[0].inputFlags[1] = 0; }},
        {"no operating points",
         [](PCAModelFileF& f) {
             f.sets[0].tableLength = 0;
             for (auto& p : f.sets[0].positions)
             {
                 p.tableLength = 0;
                 p.operatingPoints.clear();
             }
         }},
        {"table shorter than its entries", [](PCAModelFileF& f) { f.sets[0].positions[16].operatingPoints[0] = 3.0; }},
        {"fractional entry count", [](PCAModelFileF& f) { f.sets[0].positions[0].operatingPoints[0] = 0.5; }},
        {"NaN weight", [](PCAModelFileF& f) { f.sets[0].positions[9].networks[0].weights[3] = std::nanf(""); }},
        {"infinite input range", [](PCAModelFileF& f) { f.sets[0].positions[0].networks[0].inputMax[1] = INFINITY; }},
        {"NaN region corner",
         [](PCAModelFileF& f) { f.sets[0].positions[0].networks[0].regionLow[0] = std::nanf(""); }},
        {"NaN operating point", [](PCAModelFileF& f) { f.sets[0].positions[2].operatingPoints[5] = std::nan(""); }},
        {"NaN projection", [](PCAModelFileF& f) { f.sets[0].positions[2].projection[5] = std::nan(""); }},
        {"NaN entry count", [](PCAModelFileF& f) { f.sets[0].positions[0].operatingPoints[0] = std::nan(""); }},
    };
    for (auto& [name, breakIt] : breakers)
    {
        auto broken = makePca(onePerPositionShape());
        breakIt(broken);
        const auto r = b->loadModelFile(pcaFile(broken, "broken.pca").c_str());
        EXPECT_FALSE(r.ok) << name;
        EXPECT_FALSE(r.message.empty()) << name;
        EXPECT_TRUE(Snapshot<Block1>(*b) == before) << name;
    }

    EXPECT_FALSE(b->loadModelFile("/nonexistent/ravlinpre_eh_b1_pca.dat").ok);
    EXPECT_FALSE(b->loadModelFile(nullptr).ok);
    EXPECT_TRUE(Snapshot<Block1>(*b) == before);

    auto bytes = makePca(onePerPositionShape());
    const auto all = bytes.encode();
    for (std::size_t cut = 0; cut < all.size(); cut += 37)
    {
        const std::vector<std::uint8_t> part(all.begin(), all.begin() + static_cast<long>(cut));
        ASSERT_FALSE(b->loadModelFile(writeTempFile(part, "cut.pca").c_str()).ok) << cut;
    }
    EXPECT_TRUE(Snapshot<Block1>(*b) == before);
}

TEST(BlockLoad, NeverLoadedBlockStaysUnloadedAfterAFailedLoad)
{
    auto b = std::make_unique<Block4>();
    auto broken = makeStd({});
    broken.sets[0].networkInputs = 3;
    const auto r = b->loadModelFile(writeTempFile(broken.encode(), "b4broken.std").c_str());
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(b->loaded, 0);
    EXPECT_EQ(b->networks.size(), 0u);
    EXPECT_FALSE(b->active());
}

TEST(BlockPosition, ClampingAndNetworkOffsets)
{
    auto b = std::make_unique<Block1>();
    const double gainBefore = b->gainLower;
    b->selectPosition(3); // unloaded: nothing changes, not even the potentiometer
    EXPECT_EQ(b->gainLower, gainBefore);
    EXPECT_EQ(b->positionSelected, 0);

    PcaShape shape = onePerPositionShape();
    shape.networksPerPosition[0] = 1;
    shape.networksPerPosition[1] = 3;
    shape.networksPerPosition[2] = 2;
    ASSERT_TRUE(b->loadModelFile(pcaFile(makePca(shape), "offsets.pca").c_str()));
    EXPECT_EQ(b->networks.size(), 1u + 3 + 2 + 14);
    EXPECT_EQ(b->positionCount, 17u);
    EXPECT_FALSE(b->active()); // loaded but nothing selected yet
    b->selectPosition(2);
    EXPECT_EQ(b->positionNetworks, b->networks.data() + 4);
    EXPECT_EQ(b->positionNetworkCount, 2u);
    EXPECT_EQ(b->lastNetwork, b->positionNetworks);
    b->selectPosition(20);
    EXPECT_EQ(b->position, 16u);
    EXPECT_EQ(b->positionNetworks, b->networks.data() + 19);

    // A smaller file clamps the kept position and silences the block until the next selection.
    ASSERT_TRUE(b->loadModelFile(pcaFile(makePca(onePerPositionShape(3)), "three.pca").c_str()));
    EXPECT_EQ(b->position, 2u);
    EXPECT_EQ(b->positionSelected, 1);
    EXPECT_FALSE(b->active());
    b->applyOperatingPoint(); // reads only the new file's positions
    b->selectPosition(9);
    EXPECT_EQ(b->position, 2u);
    EXPECT_TRUE(b->active());
}

TEST(BlockPosition, ProjectionIdentityToleranceAndFlags)
{
    auto b = std::make_unique<Block1>();
    auto tree = makePca(onePerPositionShape(4));
    auto& proj1 = tree.sets[0].positions[1].projection;
    proj1[1] = 2e-7; // off-diagonal, below 2^-22
    proj1[0] = 1.0 + 2e-7;
    tree.sets[0].positions[2].projection[4] = 3e-7; // off-diagonal above 2^-22
    // Position 3: a flag holding the bit pattern of 1.0f is not 1.
    auto& p3 = tree.sets[0].positions[3];
    std::int32_t oneFloat;
    const float one = 1.0f;
    std::memcpy(&oneFloat, &one, 4);
    p3.inputFlags[2] = oneFloat;
    p3.projectionInputs = 3;
    p3.networkInputs = 3;
    p3.projection.assign(9, 0.0);
    p3.projection[0] = p3.projection[4] = p3.projection[8] = 1.0;
    for (auto& n : p3.networks)
        n.resizeArrays(3, 4, {6});
    ASSERT_TRUE(b->loadModelFile(pcaFile(tree, "proj.pca").c_str()));
    b->selectPosition(0);
    EXPECT_EQ(b->projectionEnabled, 0);
    b->selectPosition(1);
    EXPECT_EQ(b->projectionEnabled, 0);
    b->selectPosition(2);
    EXPECT_EQ(b->projectionEnabled, 1);
    b->selectPosition(3);
    EXPECT_EQ(b->featureEnabled[2], 0);
    EXPECT_EQ(b->featureEnabled[3], 1);
    EXPECT_EQ(b->componentCount, 3u);
    EXPECT_EQ(b->projectionInputs, 3u);
}

TEST(BlockStep, NetworkInputWithAndWithoutProjection)
{
    // Identity 2 x 2 over features {1, 2}: projection skipped, z = (p0, p1) whatever the flags.
    PcaShape shape = onePerPositionShape(2);
    shape.networkInputs = 2;
    shape.inputFlags = {0, 1, 1, 0};
    auto tree = makePca(shape);
    // Position 1: features {0, 2} with a full 2 x 2 matrix.
    auto& p1 = tree.sets[0].positions[1];
    p1.inputFlags = {1, 0, 1, 0};
    p1.projection = {0.5, -0.25, 2.0, 0.75}; // column by column
    auto b = std::make_unique<Block1>();
    ASSERT_TRUE(b->loadModelFile(pcaFile(tree, "z.pca").c_str()));
    b->selectPosition(0);
    EXPECT_EQ(b->projectionEnabled, 0);
    b->u[0] = 0.3;
    b->step();
    EXPECT_EQ(b->networkInput[0], b->p[0]);
    EXPECT_EQ(b->networkInput[1], b->p[1]);

    b->selectPosition(1);
    ASSERT_EQ(b->projectionEnabled, 1);
    const double* P = b->projectionMatrix;
    EXPECT_EQ(P[0], 0.5);
    EXPECT_EQ(P[1], 2.0);
    EXPECT_EQ(P[2], -0.25);
    EXPECT_EQ(P[3], 0.75);
    b->step();
    EXPECT_DOUBLE_EQ(b->networkInput[0], P[0] * b->p[0] + P[1] * b->p[2]);
    EXPECT_DOUBLE_EQ(b->networkInput[1], P[2] * b->p[0] + P[3] * b->p[2]);
}

TEST(BlockOperatingPoint, ResetRules)
{
    auto chain = std::make_unique<ChannelChain>();
    Block1& b = chain->block1();
    auto tree = makePca(onePerPositionShape());
    tree.sets[0].positions[4].outputFlags = {1, 0, 1, 0};
    ASSERT_TRUE(b.loadModelFile(pcaFile(tree, "op.pca").c_str()));
    const auto entry = [&](unsigned pos, double rate, unsigned j) {
        const auto& t = tree.sets[0].positions[pos].operatingPoints;
        for (std::size_t at = 1; at < t.size(); at += 14)
            if (t[at] == rate)
                return t[at + j];
        return std::nan("");
    };
    b.selectPosition(3);
    for (int k = 0; k < 4; ++k)
    {
        EXPECT_EQ(b.p[k], entry(3, 44100, 1 + k));
        EXPECT_EQ(b.i[k], entry(3, 44100, 5 + k));
    }
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(b.x[k], entry(3, 44100, 9 + k));
    EXPECT_EQ(b.resetPending, 0);

    for (int n = 0; n < 5; ++n)
        b.step();
    const Eigen::VectorXd xRunning = b.x;
    const Eigen::VectorXd iRunning = b.i;
    b.selectPosition(4); // later selection: x runs on, only the non-network slots of i refresh
    EXPECT_EQ(Eigen::VectorXd(b.x), xRunning);
    EXPECT_EQ(b.i[0], iRunning[0]);
    EXPECT_EQ(b.i[2], iRunning[2]);
    EXPECT_EQ(b.i[1], entry(4, 44100, 6));
    EXPECT_EQ(b.i[3], entry(4, 44100, 8));

    chain->setSampleRate(88200.0); // full reset to the 88200 entry
    EXPECT_EQ(b.sampleRate, 88200.0);
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(b.x[k], entry(4, 88200, 9 + k));
    b.step();
    const Eigen::VectorXd xAfter = b.x;
    chain->setSampleRate(88200.0); // unchanged rate: nothing happens
    EXPECT_EQ(Eigen::VectorXd(b.x), xAfter);

    // A rate without an entry keeps the stored operating point of the previous rate.
    chain->setSampleRate(22050.0);
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(b.x[k], entry(4, 88200, 9 + k));
}

TEST(BlockOperatingPoint, LoadKeepsSelectionStateAndResetFlag)
{
    auto b = std::make_unique<Block2>();
    ASSERT_TRUE(b->loadModelFile(pcaFile(makePca(onePerPositionShape()), "b2.pca").c_str()));
    EXPECT_EQ(b->resetPending, 1);
    EXPECT_EQ(b->positionSelected, 0);
    b->selectPosition(7);
    ASSERT_TRUE(b->loadModelFile(pcaFile(makePca(onePerPositionShape()), "b2.pca").c_str()));
    EXPECT_EQ(b->position, 7u);
    EXPECT_EQ(b->positionSelected, 1);
    EXPECT_EQ(b->resetPending, 0);
}

TEST(BlockStep, Block2StateX3NeverChanges)
{
    auto b = std::make_unique<Block2>();
    ASSERT_TRUE(b->loadModelFile(pcaFile(makePca(onePerPositionShape()), "b2x3.pca").c_str()));
    b->selectPosition(10);
    const double x3 = b->x[3];
    for (int n = 0; n < 1000; ++n)
    {
        b->u[0] = 5.0 * std::sin(0.01 * n);
        b->step();
        ASSERT_EQ(b->x[3], x3);
        ASSERT_TRUE(std::isfinite(b->y[0]));
    }
}

TEST(BlockStep, Block3StrictRegionSearchAndFallback)
{
    PcaShape shape;
    shape.networksPerPosition = {3};
    shape.entryLength = 11;
    auto b = std::make_unique<Block3>();
    ASSERT_TRUE(b->loadModelFile(pcaFile(makePca(shape), "b3.pca").c_str()));
    b->selectPosition();
    ASSERT_EQ(b->projectionEnabled, 0);
    net_node_eigen* nets = b->positionNetworks;
    // z = p with the identity projection; the same expressions the step uses.
    auto nextZ = [&](double out[4]) {
        out[0] = b->G(0, 0) * b->x[0] + b->G(0, 1) * b->x[1] + b->H(0, 0) * b->u[0];
        out[1] = b->G(1, 1) * b->x[1] + b->u[1];
        out[2] = b->u[1];
        out[3] = b->u[1];
    };
    auto setBox = [](net_node_eigen& n, const double z[4], double below, double above) {
        for (int k = 0; k < 4; ++k)
        {
            n.regionLow[k] = z[k] - below;
            n.regionHigh[k] = z[k] + above;
        }
    };
    double z[4];
    // Nothing matches right after selection: the position's first network is evaluated.
    nextZ(z);
    setBox(nets[0], z, -1.0, 2.0); // box entirely above z
    setBox(nets[1], z, -1.0, 2.0);
    setBox(nets[2], z, -1.0, 2.0);
    b->step();
    EXPECT_EQ(b->lastNetwork, &nets[0]);

    // z exactly on network 1's lower corner: no match; network 2 holds it strictly.
    nextZ(z);
    setBox(nets[1], z, 0.0, 1.0);
    setBox(nets[2], z, 1.0, 1.0);
    b->step();
    EXPECT_EQ(b->lastNetwork, &nets[2]);

    // z exactly on network 2's upper corner and nothing else matches: network 2 again (last match).
    nextZ(z);
    setBox(nets[0], z, -1.0, 2.0);
    setBox(nets[1], z, -1.0, 2.0);
    setBox(nets[2], z, 1.0, 0.0);
    b->step();
    EXPECT_EQ(b->lastNetwork, &nets[2]);

    // The first match in order wins.
    nextZ(z);
    setBox(nets[1], z, 1.0, 1.0);
    setBox(nets[2], z, 1.0, 1.0);
    b->step();
    EXPECT_EQ(b->lastNetwork, &nets[1]);

    // A new selection restarts from the first network.
    b->selectPosition();
    EXPECT_EQ(b->lastNetwork, &nets[0]);
}

TEST(BlockStatistics, WindowOf20480Steps)
{
    RunningStatistics s;
    EXPECT_EQ(s.current, s.buffer + 20479);
    s.update(0.25);
    EXPECT_EQ(s.current, s.buffer);
    s.current = s.buffer + 20479; // restart the window for the constant-value check
    EXPECT_EQ(s.buffer[0], 0.25);
    for (int n = 0; n < 20480; ++n)
        s.update(0.25);
    EXPECT_EQ(s.current, s.last);
    EXPECT_NEAR(s.mean(), 0.25, 1e-12);
    EXPECT_NEAR(s.meanSquare(), 0.0625, 1e-12);
    // A further full window of another value replaces the first one completely.
    for (int n = 0; n < 20480; ++n)
        s.update(-0.5);
    EXPECT_NEAR(s.mean(), -0.5, 1e-12);
    EXPECT_NEAR(s.meanSquare(), 0.25, 1e-12);
}

TEST(BlockStatistics, Block4StepFeedsTheWindowWithI1)
{
    auto b = std::make_unique<Block4>();
    ASSERT_TRUE(b->loadModelFile(writeTempFile(stdBytes({}), "b4.std").c_str()));
    b->selectPosition(2);
    for (int n = 0; n < 3; ++n)
    {
        b->u[0] = 100.0 + n;
        b->step();
        EXPECT_EQ(b->runningStatistics.buffer[n], b->i[1]);
    }
    EXPECT_EQ(b->featureEnabled[0], 1);
    EXPECT_EQ(b->componentCount, 2u);
}

TEST(BlockStatistics, NonFiniteValueCountsAsZero)
{
    RunningStatistics s;
    s.update(std::nan(""));
    s.update(INFINITY);
    s.update(0.5);
    EXPECT_DOUBLE_EQ(s.mean(), 0.5 / 20480);
    EXPECT_DOUBLE_EQ(s.meanSquare(), 0.25 / 20480);
}
