// Model data file readers: round trips, layout details, and refusal of broken files.
#include <gtest/gtest.h>

#include <cstring>

#include "SyntheticModelFiles.h"
#include "fast/ByteCursor.h"
#include "fast/ModelFileF.h"
#include "fast/PCAModelFileF.h"

using namespace ravlin;
using namespace ravlin::synthetic;

namespace {

template <class Reader>
std::vector<std::uint8_t> readWriteBack(const std::vector<std::uint8_t>& bytes)
{
    Reader r;
    EXPECT_EQ(r.parse(bytes.data(), bytes.size()), bytes.size());
    return r.encode();
}

} // namespace

TEST(ModelFileRoundTrip, PcaWriteReadWriteIsByteIdenticalThroughFiles)
{
    PcaShape shape;
    shape.networksPerPosition = {1, 3, 2};
    shape.identityProjection = false;
    auto tree = makePca(shape);
    const std::string path = writeTempFile({}, "rt.pca");
    ASSERT_NE(tree.openForWriting(path.c_str()), nullptr);
    const unsigned written = tree.write();
    tree.close();
    EXPECT_GT(written, 0u);

    PCAModelFileF reader;
    ASSERT_NE(reader.openForReading(path.c_str()), nullptr);
    EXPECT_EQ(reader.read(), written);
    reader.close();
    ASSERT_EQ(reader.setCount, 1u);
    ASSERT_EQ(reader.sets[0].positions.size(), 3u);
    EXPECT_EQ(reader.sets[0].positions[1].networks.size(), 3u);
    EXPECT_EQ(reader.encode(), tree.encode());
    std::remove(path.c_str());
}

TEST(ModelFileRoundTrip, StdWriteReadWriteIsByteIdentical)
{
    StdShape shape;
    shape.positions = 5;
    shape.networksPerPosition = 2;
    const auto bytes = stdBytes(shape);
    EXPECT_EQ(readWriteBack<ModelFileF>(bytes), bytes);
}

TEST(ModelFileRoundTrip, ParseConsumesExactlyTheFileAndFillsBookkeeping)
{
    const auto bytes = pcaBytes();
    PCAModelFileF r;
    ASSERT_EQ(r.parse(bytes.data(), bytes.size()), bytes.size());
    // The set's totalSize covers everything after the set count.
    EXPECT_EQ(r.sets[0].totalSize, bytes.size() - 4);
    EXPECT_EQ(r.sets[0].headerSize, 16u);
    const auto& n = r.sets[0].positions[0].networks[0];
    EXPECT_EQ(n.trailer, (std::array<std::uint32_t, 4>{1, 2, 3, 4}));
}

TEST(ModelFileLayout, TwoSetFileKeepsBothSets)
{
    PcaShape shape;
    shape.setCount = 2;
    shape.networksPerPosition = {1, 1};
    auto tree = makePca(shape);
    tree.sets[1].positions.resize(1);
    tree.sets[1].positionCount = 1;
    const auto bytes = tree.encode();
    PCAModelFileF r;
    ASSERT_EQ(r.parse(bytes.data(), bytes.size()), bytes.size());
    EXPECT_EQ(r.setCount, 2u);
    EXPECT_EQ(r.sets[0].positionCount, 2u);
    EXPECT_EQ(r.sets[1].positionCount, 1u);
    EXPECT_EQ(r.encode(), bytes);
}

TEST(ModelFileLayout, WeightCountFormulas)
{
    std::uint64_t c = 0;
    ASSERT_TRUE(weightCountOf(3, {7}, 4, c));
    EXPECT_EQ(c, (3u + 1) * 7 + (7 + 1) * 4);
    ASSERT_TRUE(weightCountOf(2, {9}, 2, c));
    EXPECT_EQ(c, 5u * 9 + 2);
    ASSERT_TRUE(weightCountOf(2, {3, 5}, 4, c));
    EXPECT_EQ(c, 3u * 3 + 4 * 5 + 6 * 4);
    ASSERT_TRUE(weightCountOf(4, {}, 4, c));
    EXPECT_EQ(c, 5u * 4);
    EXPECT_FALSE(weightCountOf(0xffffffffu, {0xffffffffu, 0xffffffffu}, 4, c));

    PcaShape shape;
    shape.networkInputs = 3;
    shape.hidden = 11;
    shape.inputFlags = {1, 1, 1, 0};
    const auto bytes = pcaBytes(shape);
    PCAModelFileF r;
    ASSERT_EQ(r.parse(bytes.data(), bytes.size()), bytes.size());
    const auto& n = r.sets[0].positions[0].networks[0];
    EXPECT_EQ(n.weights.size(), (3u + 1) * 11 + (11 + 1) * 4);
    EXPECT_EQ(n.hiddenLayerGains.size(), 11u);
    EXPECT_EQ(n.hiddenTotal, 11u);

    StdShape s;
    s.hidden = 9;
    const auto sb = stdBytes(s);
    ModelFileF m;
    ASSERT_EQ(m.parse(sb.data(), sb.size()), sb.size());
    EXPECT_EQ(m.sets[0].positions[0].networks[0].weights.size(), 5u * 9 + 2);
}

TEST(ModelFileLayout, ZeroTableLengthReadsNoTable)
{
    auto tree = makeStd({});
    tree.sets[0].tableLength = 0;
    for (auto& p : tree.sets[0].positions)
    {
        p.tableLength = 0;
        p.operatingPoints.clear();
    }
    const auto bytes = tree.encode();
    ModelFileF r;
    ASSERT_EQ(r.parse(bytes.data(), bytes.size()), bytes.size());
    EXPECT_TRUE(r.sets[0].positions[0].operatingPoints.empty());
    EXPECT_EQ(r.encode(), bytes);
}

TEST(ModelFileLayout, SmallestRecordsRoundTrip)
{
    // A position with no flags, projection, table or network is the smallest record the writer
    // makes; the reader's count bounds must not refuse it.
    PCAModelFileF pca;
    pca.allocateSets(1);
    pca.sets[0].positionCount = 1;
    pca.sets[0].positions.resize(1);
    const auto pcaBytes = pca.encode();
    EXPECT_EQ(pcaBytes.size(), 4u + 16u + 40u);
    EXPECT_EQ(readWriteBack<PCAModelFileF>(pcaBytes), pcaBytes);

    ModelFileF std;
    std.allocateSets(1);
    std.sets[0].positionCount = 1;
    std.sets[0].positions.resize(1);
    const auto stdBytes = std.encode();
    EXPECT_EQ(stdBytes.size(), 4u + 24u + 16u);
    EXPECT_EQ(readWriteBack<ModelFileF>(stdBytes), stdBytes);
}

TEST(ModelFileLayout, SecondReadReplacesTheWholeTree)
{
    PcaShape big;
    big.networksPerPosition = {2, 2, 2, 2};
    const auto first = pcaBytes(big);
    const auto second = pcaBytes({});
    PCAModelFileF r;
    ASSERT_GT(r.parse(first.data(), first.size()), 0u);
    ASSERT_GT(r.parse(second.data(), second.size()), 0u);
    EXPECT_EQ(r.sets[0].positions.size(), 1u);
    EXPECT_EQ(r.encode(), second);
}

TEST(ModelFileRefusal, MissingFileFailsVisibly)
{
    PCAModelFileF r;
    EXPECT_EQ(r.openForReading("/nonexistent/ravlin/none_pca.dat"), nullptr);
    EXPECT_EQ(r.read(), 0u);
    EXPECT_FALSE(r.lastError().empty());
    EXPECT_EQ(r.openForReading(nullptr), nullptr);
}

TEST(ModelFileRefusal, EveryTruncationFailsAndKeepsTheTree)
{
    PcaShape shape;
    shape.networksPerPosition = {1, 2};
    const auto bytes = pcaBytes(shape);
    const auto kept = pcaBytes({});
    PCAModelFileF r;
    ASSERT_GT(r.parse(kept.data(), kept.size()), 0u);
    for (std::size_t cut = 0; cut < bytes.size(); ++cut)
    {
        ASSERT_EQ(r.parse(bytes.data(), cut), 0u) << "cut at " << cut;
        ASSERT_FALSE(r.lastError().empty());
    }
    EXPECT_EQ(r.encode(), kept);

    const auto sb = stdBytes({});
    ModelFileF m;
    for (std::size_t cut = 0; cut < sb.size(); ++cut)
        ASSERT_EQ(m.parse(sb.data(), cut), 0u) << "cut at " << cut;
    EXPECT_EQ(m.setCount, 0u);
}

TEST(ModelFileRefusal, AbsurdCountsFailWithoutAllocating)
{
    // Each count patched to 0xffffffff in an otherwise valid file: the reader must refuse it quickly
    // (bounded by the bytes present) instead of allocating gigabytes.
    const auto bytes = pcaBytes({});
    // Offsets: set count 0; set positionCount 12, tableLength 16; position networkCount 20+12,
    // inputFlagCount 20+16, outputFlagCount 20+20, projectionInputs 20+24, outputProjectionColumns 20+28,
    // networkInputs 20+32, networkOutputs 20+36.
    for (std::size_t at : {0u, 12u, 16u, 32u, 36u, 40u, 44u, 48u, 52u, 56u})
    {
        auto broken = bytes;
        const std::uint32_t huge = 0xffffffffu;
        std::memcpy(broken.data() + at, &huge, 4);
        PCAModelFileF r;
        EXPECT_EQ(r.parse(broken.data(), broken.size()), 0u) << "count at " << at;
        EXPECT_FALSE(r.lastError().empty());
    }
    // Hidden layer count and size inside the first network.
    PCAModelFileF probe;
    probe.parse(bytes.data(), bytes.size());
    const auto& pos = probe.sets[0].positions[0];
    const std::size_t networkStart = 4 + 16 + pos.headerSize;
    const std::size_t layerCountAt = networkStart + 8 + 4 * (4 * 4 + 2 * 4);
    for (std::size_t at : {layerCountAt, layerCountAt + 4})
    {
        auto broken = bytes;
        const std::uint32_t huge = 0x40000000u;
        std::memcpy(broken.data() + at, &huge, 4);
        PCAModelFileF r;
        EXPECT_EQ(r.parse(broken.data(), broken.size()), 0u) << "count at " << at;
    }
}

TEST(ModelFileRefusal, TrailingBytesAreReportedButTheFileLoads)
{
    auto bytes = stdBytes({});
    const std::size_t size = bytes.size();
    bytes.push_back(0xab);
    bytes.push_back(0xcd);
    const std::string path = writeTempFile(bytes, "trailing.std");
    ModelFileF r;
    ASSERT_NE(r.openForReading(path.c_str()), nullptr);
    EXPECT_GT(r.read(), 0u);
    r.close();
    EXPECT_NE(r.lastError().find("2 bytes"), std::string::npos);
    EXPECT_EQ(r.encode().size(), size);
    std::remove(path.c_str());
}
