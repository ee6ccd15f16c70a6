// The builder's model files on small hand-made data: what the run-time's reader finds in each
// field, the files the builder's reader refuses, and the data no file can hold.
#include <stdexcept>

#include <gtest/gtest.h>

#include "ModelData.h"
#include "fast/ModelFileF.h"
#include "fast/PCAModelFileF.h"

using namespace ravlin;
using namespace ravlin::modelgen;

namespace {

/// One position of `block` with `networks` networks of 2 hidden units, distinct values in every
/// field, and a table of `tableLength` values.
BlockFileData smallData(int block, int networks = 1, std::size_t tableLength = 3)
{
    BlockFileData data;
    data.layout = blockLayout(block);
    const BlockLayout& L = data.layout;
    data.positions.resize(2);
    double v = 0.25;
    for (PositionData& pos : data.positions)
    {
        for (std::size_t k = 0; k < tableLength; ++k)
            pos.table.push_back(v += 1.0);
        pos.nets.resize(static_cast<std::size_t>(networks));
        for (TrainedNet& net : pos.nets)
        {
            net.shape(L.featureCount, 2, L.outputCount, L.clamp);
            net.hiddenGain = 0.5;
            net.outputGain = 1.5;
            for (double& w : net.weights)
                w = (v += 0.125);
            for (auto* a : {&net.inputMin, &net.outputMin, &net.regionLow})
                for (double& x : *a)
                    x = -(v += 1.0);
            for (auto* a : {&net.inputMax, &net.outputMax, &net.regionHigh})
                for (double& x : *a)
                    x = (v += 1.0);
        }
    }
    return data;
}

} // namespace

TEST(ModelCodec, EveryFieldLandsWhereTheRunTimeReadsIt)
{
    const BlockFileData data = smallData(1, 2);
    const std::vector<unsigned char> bytes = encodeModelFile(data);
    PCAModelFileF file;
    ASSERT_EQ(file.parse(bytes.data(), bytes.size()), bytes.size()) << file.lastError();
    ASSERT_EQ(file.setCount, 1u);
    const PCASetRecord& set = file.sets[0];
    EXPECT_EQ(set.positionCount, 2u);
    EXPECT_EQ(set.tableLength, 3u);
    const PCAPositionRecord& p = set.positions[1];
    EXPECT_EQ(p.operatingPoints, data.positions[1].table);
    // Block 1: features p0..p2, outputs i0..i2; the identity projection over the three features.
    EXPECT_EQ(p.inputFlags, (std::vector<std::int32_t>{1, 1, 1, 0}));
    EXPECT_EQ(p.outputFlags, (std::vector<std::int32_t>{1, 1, 1, 0}));
    EXPECT_EQ(p.projection, (std::vector<double>{1, 0, 0, 0, 1, 0, 0, 0, 1}));
    EXPECT_EQ(p.networkInputs, 3u);
    EXPECT_EQ(p.networkOutputs, 4u);
    ASSERT_EQ(p.networks.size(), 2u);
    const TrainedNet& net = data.positions[1].nets[1];
    const PCANetworkRecord& r = p.networks[1];
    EXPECT_EQ(r.hiddenLayerGains, (std::vector<float>{0.5f, 0.5f}));
    EXPECT_EQ(r.outputLayerGains, (std::vector<float>{1.5f, 1.5f, 1.5f, 1.5f}));
    for (std::size_t k = 0; k < 3; ++k)
    {
        EXPECT_EQ(r.inputMin[k], static_cast<float>(net.inputMin[k]));
        EXPECT_EQ(r.inputMax[k], static_cast<float>(net.inputMax[k]));
        EXPECT_EQ(r.regionLow[k], static_cast<float>(net.regionLow[k]));
        EXPECT_EQ(r.regionHigh[k], static_cast<float>(net.regionHigh[k]));
        EXPECT_EQ(r.outputMin[k], static_cast<float>(net.outputMin[k]));
        EXPECT_EQ(r.outputMax[k], static_cast<float>(net.outputMax[k]));
    }
    // The fourth file output is not trained: a constant 0 A (range [0, 1], no weights, no bias).
    EXPECT_EQ(r.outputMin[3], 0.0f);
    EXPECT_EQ(r.outputMax[3], 1.0f);
    const std::size_t trained = net.weights.size(); // (3 + 1) * 2 + (2 + 1) * 3
    ASSERT_EQ(r.weights.size(), trained + 3);
    for (std::size_t k = 0; k < trained; ++k)
        EXPECT_EQ(r.weights[k], static_cast<float>(net.weights[k])) << k;
    for (std::size_t k = trained; k < r.weights.size(); ++k)
        EXPECT_EQ(r.weights[k], 0.0f) << k;

    // Block 4's "std" file: two gains per network, dimensions once in the set.
    const BlockFileData tone = smallData(4);
    const std::vector<unsigned char> toneBytes = encodeModelFile(tone);
    ModelFileF std4;
    ASSERT_EQ(std4.parse(toneBytes.data(), toneBytes.size()), toneBytes.size()) << std4.lastError();
    EXPECT_EQ(std4.sets[0].networkInputs, 2u);
    EXPECT_EQ(std4.sets[0].networkOutputs, 2u);
    const StdNetworkRecord& n4 = std4.sets[0].positions[0].networks[0];
    EXPECT_EQ(n4.hiddenLayerGain, 0.5f);
    EXPECT_EQ(n4.outputLayerGain, 1.5f);
    EXPECT_EQ(n4.weights.size(), tone.positions[0].nets[0].weights.size());

    // Both read back to the same data, and write the same bytes again.
    for (const auto* d : {&data, &tone})
    {
        const std::vector<unsigned char> b = encodeModelFile(*d);
        BlockFileData back;
        ASSERT_TRUE(decodeModelFile(b, d->layout.block, back));
        EXPECT_EQ(back.positions[1].table, d->positions[1].table);
        EXPECT_EQ(back.positions[1].nets.back().weights, d->positions[1].nets.back().weights);
        EXPECT_EQ(encodeModelFile(back), b);
    }
}

TEST(ModelCodec, RefusesFilesThatDoNotFitTheBlock)
{
    const std::vector<unsigned char> bytes = encodeModelFile(smallData(1));
    BlockFileData out;
    ASSERT_TRUE(decodeModelFile(bytes, 1, out));
    EXPECT_FALSE(decodeModelFile(bytes, 2, out)) << "block 2 has four features";
    EXPECT_FALSE(decodeModelFile(bytes, 4, out)) << "a pca file is no std file";
    EXPECT_FALSE(decodeModelFile({}, 1, out));
    std::vector<unsigned char> longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(decodeModelFile(longer, 1, out)) << "bytes after the last set";
    const std::vector<unsigned char> shorter(bytes.begin(), bytes.end() - 1);
    EXPECT_FALSE(decodeModelFile(shorter, 1, out));

    // Changed through the run-time's own tree: each change alone makes the file unusable here.
    auto changed = [&](auto change) {
        PCAModelFileF file;
        file.parse(bytes.data(), bytes.size());
        change(file.sets[0].positions[1]);
        BlockFileData d;
        return decodeModelFile(file.encode(), 1, d);
    };
    EXPECT_TRUE(changed([](PCAPositionRecord&) {}));
    EXPECT_FALSE(changed([](PCAPositionRecord& p) { p.inputFlags[3] = 1; })) << "a feature the block does not use";
    EXPECT_FALSE(changed([](PCAPositionRecord& p) { p.outputFlags[0] = 0; })) << "an output slot left out";
    EXPECT_FALSE(changed([](PCAPositionRecord& p) { p.projection[1] = 0.5; })) << "a projection that is not identity";
    EXPECT_FALSE(changed([](PCAPositionRecord& p) {
        p.networks.clear();
        p.networkCount = 0;
    })) << "a position without networks";
    EXPECT_FALSE(changed([](PCAPositionRecord& p) {
        p.networks[0].resizeArrays(3, 4, {2, 2});
    })) << "two hidden layers";
}

TEST(ModelCodec, RefusesDataNoFileCanHold)
{
    BlockFileData tables = smallData(2);
    tables.positions[1].table.pop_back(); // one table length per set
    EXPECT_THROW(encodeModelFile(tables), std::invalid_argument);
    BlockFileData inputs = smallData(3);
    inputs.positions[0].nets[0].shape(3, 2, 3, Clamp::bipolar); // block 3 has two features
    EXPECT_THROW(encodeModelFile(inputs), std::invalid_argument);
    EXPECT_NO_THROW(encodeModelFile(smallData(3, 3)));
}
