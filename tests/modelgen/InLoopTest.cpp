// Closed-loop refinement: the window residuals' derivatives are the residuals' own, a
// network disturbed away from the one that played a run is brought back by refining on
// that run alone, and a network whose outputs have units of their own keeps them.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include <gtest/gtest.h>

#include "InLoop.h"
#include "ModelData.h"
#include "OperatingTable.h"
#include "Rng.h"

using namespace ravlin;
using namespace ravlin::modelgen;

namespace {

const std::filesystem::path kDir = RAVLIN_MODEL_DIR;

bool loadPlain(int block, BlockFileData& data)
{
    const std::filesystem::path file = kDir / (block == 1 ? "ravlinpre_eh_b1_pca.dat" : "ravlinpre_eh_b2_pca.dat");
    std::ifstream in(file, std::ios::binary);
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), {}};
    if (bytes.empty() || !decodeModelFile(bytes, block, data))
        return false;
    data.layout = blockLayout(block);
    return true;
}

/// The run the network `position` plays (the run-time's step) on `signal`: the "reference"
/// a refinement should return to.
template <class Model>
BlockRun playedRun(const BlockLayout& layout, const PositionData& position, unsigned gain,
                   const std::vector<double>& signal)
{
    BlockFileData file;
    file.layout = layout;
    file.positions.assign(gain + 1, position);
    NetworkBlock<Model> block;
    EXPECT_TRUE(block.configure(file, gain, 44100.0));
    BlockRun run;
    run.states = Model::Traits::NX;
    for (double s : signal)
    {
        run.x.insert(run.x.end(), block.model.x.data(), block.model.x.data() + Model::Traits::NX);
        run.input.push_back(s);
        run.output.push_back(block.step(s));
    }
    run.x.insert(run.x.end(), block.model.x.data(), block.model.x.data() + Model::Traits::NX);
    return run;
}

/// Block 2's input: block 1's reference answer to a signal.
std::vector<double> blockTwoInput(const std::vector<double>& signal, unsigned gain)
{
    ReferenceChain chain;
    chain.configure(ChainSetting{ValveSet::fresh, 44100.0, gain});
    std::vector<double> out;
    for (double s : signal)
        out.push_back(chain.b1.step(s));
    return out;
}

void disturb(TrainedNet& net, const std::vector<int>& vary, double amount, std::uint64_t seed)
{
    Rng rng(seed);
    for (int k : vary)
        net.weights[static_cast<std::size_t>(k)] *= 1.0 + amount * rng.normal();
}

} // namespace

TEST(InLoop, SignalIsMostlySoftAndEndsAtTheTop)
{
    const std::vector<double> s = loopSignal(44100.0, 0.4, 4.0, 7);
    ASSERT_NEAR(static_cast<double>(s.size()), 0.4 * 44100.0, 8.0);
    double peak = 0.0;
    std::size_t soft = 0;
    for (double v : s)
    {
        peak = std::max(peak, std::fabs(v));
        soft += std::fabs(v) < 0.4 * 4.0 ? 1u : 0u;
    }
    EXPECT_NEAR(peak, 4.0, 1e-9);
    EXPECT_GT(static_cast<double>(soft), 0.8 * static_cast<double>(s.size()));
    EXPECT_NE(loopSignal(44100.0, 0.4, 4.0, 8), s); // the seed matters: a check run is another signal
}

TEST(InLoop, ReferenceRunRecordsTheStatesTheOutputFollowsFrom)
{
    const std::vector<double> signal = loopSignal(44100.0, 0.1, 4.0, 3);
    long failures = 0;
    const BlockRun run = referenceBlockRun(2, ChainSetting{ValveSet::fresh, 44100.0, 8}, signal, &failures);
    EXPECT_EQ(failures, 0);
    ASSERT_EQ(run.size(), signal.size());
    ASSERT_EQ(run.x.size(), (signal.size() + 1) * static_cast<std::size_t>(Block2Circuit::Traits::NX));
    // Block 2 of a fresh chain, fed block 1's answer, gives the recorded output and states.
    ReferenceChain chain;
    chain.configure(ChainSetting{ValveSet::fresh, 44100.0, 8});
    for (std::size_t n = 0; n < signal.size(); ++n)
    {
        for (int c = 0; c < Block2Circuit::Traits::NX; ++c)
            ASSERT_EQ(chain.b2.model.x[c], run.statesAt(n)[c]) << n;
        ASSERT_EQ(chain.b2.step(chain.b1.step(signal[n])), run.output[n]) << n;
    }
}

TEST(InLoop, WindowJacobianMatchesDifferences)
{
    BlockFileData data;
    if (!loadPlain(1, data))
        GTEST_SKIP() << "no model data in " << kDir;
    const unsigned gain = 8;
    const PositionData& pos = data.positions[gain];
    const std::vector<double> signal = loopSignal(44100.0, 0.2, 4.0, 11);
    long failures = 0;
    const BlockRun run = referenceBlockRun(1, ChainSetting{ValveSet::fresh, 44100.0, gain}, signal, &failures);
    Block1Circuit m(44100.0);
    configureBlock(m, ValveSet::fresh, 44100.0, gain);
    const double* entry = tableEntry<Block1Circuit>(pos.table, 44100.0);
    ASSERT_NE(entry, nullptr);
    const LoopOptions o{48, 12, 4, 1, 0.3, 0.0};
    TrainedNet net = pos.nets[0];
    detail::WindowResiduals<Block1Circuit> cost(m, net, data.layout, run, entry + 1 + Block1Circuit::Traits::NV, o);
    const int R = cost.num_residuals(), P = static_cast<int>(net.weights.size());
    std::vector<double> r(static_cast<std::size_t>(R)), J(static_cast<std::size_t>(R) * P);
    const double* params[] = {net.weights.data()};
    double* jac[] = {J.data()};
    ASSERT_TRUE(cost.Evaluate(params, r.data(), jac));
    std::vector<double> w = net.weights, rp(r.size()), rm(r.size());
    // Per window, the largest difference between the analytic and the numeric derivative.
    const int perWindow = R / cost.windowCount();
    std::vector<double> windowError(static_cast<std::size_t>(cost.windowCount()), 0.0);
    double largest = 0.0;
    for (int k = 0; k < P; k += 3)
    {
        const double h = 1e-7 * std::max(1.0, std::fabs(w[static_cast<std::size_t>(k)]));
        const double saved = w[static_cast<std::size_t>(k)];
        const double* pw[] = {w.data()};
        w[static_cast<std::size_t>(k)] = saved + h;
        ASSERT_TRUE(cost.Evaluate(pw, rp.data(), nullptr));
        w[static_cast<std::size_t>(k)] = saved - h;
        ASSERT_TRUE(cost.Evaluate(pw, rm.data(), nullptr));
        w[static_cast<std::size_t>(k)] = saved;
        for (int q = 0; q < R; ++q)
        {
            const double fd = (rp[static_cast<std::size_t>(q)] - rm[static_cast<std::size_t>(q)]) / (2.0 * h);
            const double an = J[static_cast<std::size_t>(q) * P + k];
            largest = std::max(largest, std::fabs(fd));
            double& e = windowError[static_cast<std::size_t>(q / perWindow)];
            e = std::max(e, std::fabs(fd - an));
        }
    }
    EXPECT_GT(largest, 1e-3); // the windows do depend on the weights
    // Networks trained to rest a cut-off current on the clamp's edge now and then put a step
    // within the difference's reach of that kink, where the slopes of its two sides differ,
    // and the rest of that window inherits the difference. Every other window must agree.
    int agreeing = 0;
    for (double e : windowError)
        agreeing += e < 1e-5 * largest ? 1 : 0;
    EXPECT_GE(agreeing, cost.windowCount() * 3 / 4);
}

TEST(InLoop, RefiningOnARunReturnsToTheNetworkThatPlayedIt)
{
    BlockFileData data;
    if (!loadPlain(1, data))
        GTEST_SKIP() << "no model data in " << kDir;
    const unsigned gain = 12;
    const PositionData teacher = data.positions[gain];
    const std::vector<double> signal = loopSignal(44100.0, 0.24, 4.0, 21);
    const BlockRun run = playedRun<Block1Circuit>(data.layout, teacher, gain, signal);
    PositionData student = teacher;
    disturb(student.nets[0], variableWeights(student.nets[0], data.layout), 0.02, 5);
    const std::size_t settle = 500;
    const double before = freeRunEsr<Block1Circuit>(data.layout, student, gain, 44100.0, run, settle);
    ASSERT_GT(before, 1e-6); // the disturbance is heard
    Block1Circuit m(44100.0);
    configureBlock(m, ValveSet::fresh, 44100.0, gain);
    const double* entry = tableEntry<Block1Circuit>(teacher.table, 44100.0);
    const LoopReport r = refineInLoop(student.nets[0], data.layout, m, run, entry + 1 + Block1Circuit::Traits::NV,
                                      LoopOptions{128, 40, 4, 25, 0.3, 0.0});
    EXPECT_LT(r.after, 1e-3 * r.before);
    const double after = freeRunEsr<Block1Circuit>(data.layout, student, gain, 44100.0, run, settle);
    EXPECT_LT(after, 1e-3 * before);
}

TEST(InLoop, UnitsOfAnOutputServeOnlyThatOutput)
{
    BlockFileData data;
    if (!loadPlain(2, data))
        GTEST_SKIP() << "no model data in " << kDir;
    const unsigned gain = 8;
    const BlockLayout& layout = data.layout;
    ASSERT_GT(layout.unitsPerOutput[0], 0);
    PositionData student = data.positions[gain];
    const TrainedNet& shipped = data.positions[gain].nets[0];
    const std::vector<int> vary = variableWeights(shipped, layout);
    // Every weight outside the variable set is zero in the shipped network (an output row's
    // entry for another output's unit), and the set holds every hidden weight.
    const int hiddenWeights = (shipped.inputs + 1) * shipped.hidden;
    for (int k = 0; k < static_cast<int>(shipped.weights.size()); ++k)
        if (!std::binary_search(vary.begin(), vary.end(), k))
        {
            EXPECT_GE(k, hiddenWeights);
            EXPECT_EQ(shipped.weights[static_cast<std::size_t>(k)], 0.0) << k;
        }
    EXPECT_EQ(vary.size(), static_cast<std::size_t>(hiddenWeights + shipped.hidden + shipped.outputs));

    const std::vector<double> signal = blockTwoInput(loopSignal(44100.0, 0.12, 4.0, 31), gain);
    const BlockRun run = playedRun<Block2Circuit>(layout, student, gain, signal);
    disturb(student.nets[0], vary, 0.01, 9);
    Block2Circuit m(44100.0);
    configureBlock(m, ValveSet::fresh, 44100.0, gain);
    const double* entry = tableEntry<Block2Circuit>(student.table, 44100.0);
    const LoopReport r = refineInLoop(student.nets[0], layout, m, run, entry + 1 + Block2Circuit::Traits::NV,
                                      LoopOptions{64, 16, 4, 4, 0.3, 0.0});
    EXPECT_LT(r.after, r.before);
    for (int k = 0; k < static_cast<int>(shipped.weights.size()); ++k)
    {
        if (!std::binary_search(vary.begin(), vary.end(), k))
        {
            EXPECT_EQ(student.nets[0].weights[static_cast<std::size_t>(k)], 0.0) << k;
        }
    }
}
