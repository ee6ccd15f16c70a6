// The builder's files as the run-time sees them: they parse completely through the run-time's
// readers, pass its checks, and the networks it builds from them compute what the trainer fitted.
#include <cmath>

#include <gtest/gtest.h>

#include "Builder.h"
#include "ModelData.h"
#include "Rng.h"
#include "Stamp.h"
#include "fast/ModelFileChecks.h"
#include "fast/ModelFileF.h"
#include "fast/NetworkBuilders.h"
#include "fast/PCAModelFileF.h"

using namespace ravlin;
using namespace ravlin::modelgen;

namespace {

const std::vector<BuiltFile>& smallBuild()
{
    static const std::vector<BuiltFile> files = [] {
        BuildReport report;
        return buildModelFiles(smallBuildOptions(2), report);
    }();
    return files;
}

constexpr unsigned kEntryLength[4] = {14, 14, 11, 8};

/// Largest relative difference between the run-time's evaluation and the trainer's over
/// random inputs spread beyond each network's training range.
template <class File>
double worstDifference(const File& file, const BlockFileData& data, bool bipolar)
{
    std::vector<net_node_eigen> nets;
    const std::uint8_t slots[4] = {1, 1, 1, 1};
    std::uint8_t enabled[4] = {0, 0, 0, 0};
    for (int o = 0; o < data.layout.outputCount; ++o)
        enabled[data.layout.outputs[static_cast<std::size_t>(o)]] = 1;
    buildNetworks(file, nets, bipolar ? enabled : slots);
    Rng rng(9);
    double worst = 0.0;
    std::size_t k = 0;
    for (const PositionData& pos : data.positions)
        for (const TrainedNet& net : pos.nets)
        {
            net_node_eigen& rt = nets.at(k++);
            for (int trial = 0; trial < 50; ++trial)
            {
                double x[4], mine[4], theirs[4] = {0, 0, 0, 0};
                for (int i = 0; i < net.inputs; ++i)
                {
                    const double lo = net.inputMin[static_cast<std::size_t>(i)],
                                 hi = net.inputMax[static_cast<std::size_t>(i)];
                    x[i] = lo + (hi - lo) * rng.uniform(-0.2, 1.2);
                }
                net.evaluate(x, mine);
                if (bipolar)
                    evaluateBipolar(rt, x, theirs);
                else
                    evaluateUnipolar(rt, x, theirs);
                for (int o = 0; o < net.outputs; ++o)
                {
                    const double slot = bipolar ? theirs[data.layout.outputs[static_cast<std::size_t>(o)]] : theirs[o];
                    const double scale = std::fabs(net.outputMax[static_cast<std::size_t>(o)]
                                                   - net.outputMin[static_cast<std::size_t>(o)]);
                    worst = std::max(worst, std::fabs(slot - mine[o]) / scale);
                }
            }
        }
    EXPECT_EQ(k, nets.size());
    return worst;
}

} // namespace

TEST(RunTime, GeneratedFilesParseCompletelyAndPassTheRunTimeChecks)
{
    const auto& files = smallBuild();
    ASSERT_EQ(files.size(), 4u);
    for (std::size_t f = 0; f < 3; ++f)
    {
        PCAModelFileF reader;
        EXPECT_EQ(reader.parse(files[f].bytes.data(), files[f].bytes.size()), files[f].bytes.size()) << files[f].name;
        EXPECT_EQ(checkForBlock(reader, kEntryLength[f]), "") << files[f].name;
        // What the run-time reads, its writer stores again byte for byte (sizes included).
        EXPECT_EQ(reader.encode(), files[f].bytes) << files[f].name;
    }
    ModelFileF reader;
    EXPECT_EQ(reader.parse(files[3].bytes.data(), files[3].bytes.size()), files[3].bytes.size());
    EXPECT_EQ(checkForBlock(reader, kEntryLength[3]), "");
    EXPECT_EQ(reader.encode(), files[3].bytes);
}

TEST(RunTime, NetworksBuiltByTheRunTimeMatchTheTrainersEvaluation)
{
    const auto& files = smallBuild();
    for (std::size_t f = 0; f < 4; ++f)
    {
        BlockFileData data;
        ASSERT_TRUE(decodeModelFile(files[f].bytes, static_cast<int>(f) + 1, data));
        double worst = 0.0;
        if (f < 3)
        {
            PCAModelFileF reader;
            reader.parse(files[f].bytes.data(), files[f].bytes.size());
            worst = worstDifference(reader, data, true);
        }
        else
        {
            ModelFileF reader;
            reader.parse(files[f].bytes.data(), files[f].bytes.size());
            worst = worstDifference(reader, data, false);
        }
        // Folding the input normalisation into the first layer only reorders rounding.
        EXPECT_LT(worst, 1e-9) << files[f].name;
    }
}
