// The held-out score that picks among block 2's candidate fits: the run's output is
// block 2's answer to its recorded input, and the score tells a shipped network from the same
// network with a small offset in V2's grid current (the fault the score exists to
// catch: a pointwise error that acts as an offset at the grid of a high-gain stage).
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "HeldOut.h"
#include "ModelData.h"
#include "circuit/ReferenceChain.h"

using namespace ravlin;
using namespace ravlin::modelgen;

namespace {

const std::filesystem::path kDir = RAVLIN_MODEL_DIR;

CloudOptions shortRun()
{
    CloudOptions o;
    o.seconds = 0.2;
    return o;
}

} // namespace

TEST(HeldOut, OutputIsBlockTwosAnswerToTheRecordedInput)
{
    const HeldOutRun run = heldOutRun(ValveSet::aged, 12, shortRun());
    EXPECT_EQ(run.failures, 0);
    ASSERT_NEAR(static_cast<double>(run.input.size()), 0.2 * 44100.0, 8.0); // eight parts, each whole samples
    ASSERT_EQ(run.output.size(), run.input.size());
    // Block 2 alone, from the same resting state, fed the recorded input.
    ReferenceChain chain;
    chain.configure(ChainSetting{ValveSet::aged, 44100.0, 12});
    for (std::size_t n = 0; n < run.input.size(); ++n)
        ASSERT_EQ(chain.b2.step(run.input[n]), run.output[n]) << n;
    // The signal reaches block 2's output (not a resting line).
    const auto [lo, hi] = std::minmax_element(run.output.begin(), run.output.end());
    EXPECT_GT(*hi - *lo, 1.0);
}

TEST(HeldOut, ScoresAnOffsetInTheGridCurrentWorse)
{
    const std::filesystem::path file = kDir / "ravlinpre_eh_b2_pca.dat";
    if (!std::filesystem::exists(file))
        GTEST_SKIP() << "no model data in " << kDir;
    std::ifstream in(file, std::ios::binary);
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), {}};
    BlockFileData data;
    ASSERT_TRUE(decodeModelFile(bytes, 2, data));
    const unsigned gain = 8;
    const HeldOutRun run = heldOutRun(ValveSet::fresh, gain, shortRun());
    const double shipped = heldOutEsr(data.layout, data.positions[gain], run);
    EXPECT_LT(shipped, 1e-2);

    PositionData offset = data.positions[gain];
    TrainedNet& net = offset.nets[0];
    // The output bias of V2's grid current, moved by 0.01 in normalised units (0.5 % of its range).
    const std::size_t outBase = static_cast<std::size_t>((net.inputs + 1) * net.hidden);
    net.weights[outBase + static_cast<std::size_t>(net.hidden)] += 0.01 / net.outputGain;
    const double damaged = heldOutEsr(data.layout, offset, run);
    EXPECT_GT(damaged, 2.0 * shipped);
    EXPECT_TRUE(std::isfinite(damaged));
}
