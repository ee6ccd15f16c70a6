// A small generation: files decode back to what was trained, follow the layout's
// constraints, and two generations give identical bytes.
#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "Builder.h"
#include "ModelData.h"
#include "Stamp.h"

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

std::uint32_t u32At(const std::vector<unsigned char>& b, std::size_t at)
{
    std::uint32_t v;
    std::memcpy(&v, &b[at], 4);
    return v;
}

} // namespace

TEST(ModelFiles, NamesFollowTheRunTimesScheme)
{
    // At 44.1 kHz alone blocks 1 and 2 have only their plain files (trained for that rate).
    const auto& files = smallBuild();
    ASSERT_EQ(files.size(), 4u);
    EXPECT_EQ(files[0].name, "ravlinpre_eh_b1_pca.dat");
    EXPECT_EQ(files[1].name, "ravlinpre_eh_b2_pca.dat");
    EXPECT_EQ(files[2].name, "ravlinpre_eh_b3_pca.dat.44100");
    EXPECT_EQ(files[3].name, "ravlinpre_eh_b4_std.dat");
}

TEST(ModelFiles, DecodeBackToTheTrainedNetworksAndTables)
{
    const auto& files = smallBuild();
    const int blocks[4] = {1, 2, 3, 4};
    for (std::size_t f = 0; f < files.size(); ++f)
    {
        BlockFileData data;
        ASSERT_TRUE(decodeModelFile(files[f].bytes, blocks[f], data)) << files[f].name;
        const BlockLayout& L = data.layout;
        EXPECT_EQ(data.positions.size(), blocks[f] == 4 ? 20u : (blocks[f] == 3 ? 1u : 17u));
        const int NV = L.ports, NX = blocks[f] == 3 ? 2 : (blocks[f] == 4 ? 3 : 5);
        for (const PositionData& pos : data.positions)
        {
            // 14 rates, each (rate, p, i, x).
            ASSERT_EQ(pos.table.size(), 1u + 14u * static_cast<std::size_t>(1 + 2 * NV + NX));
            EXPECT_EQ(pos.table[0], 14.0);
            EXPECT_EQ(pos.table[1], 44100.0);
            ASSERT_EQ(pos.nets.size(), static_cast<std::size_t>(L.regions));
            for (const TrainedNet& n : pos.nets)
                EXPECT_EQ(n.hidden, L.hidden);
            for (double t : pos.table)
                EXPECT_TRUE(std::isfinite(t));
        }
        // Re-encoding what was decoded reproduces the file exactly.
        EXPECT_EQ(encodeModelFile(data), files[f].bytes) << files[f].name;
    }
}

TEST(ModelFiles, SizeBookkeepingMatchesAndTruncationIsRejected)
{
    const auto& files = smallBuild();
    for (std::size_t f = 0; f < files.size(); ++f)
    {
        const auto& b = files[f].bytes;
        EXPECT_EQ(u32At(b, 0), 1u);            // one set
        EXPECT_EQ(u32At(b, 4) + 4u, b.size()); // the set's total size covers the rest of the file
        std::vector<unsigned char> cut(b.begin(), b.end() - 3);
        BlockFileData data;
        EXPECT_FALSE(decodeModelFile(cut, static_cast<int>(f) + 1, data));
    }
}

TEST(ModelFiles, TwoGenerationsGiveIdenticalBytes)
{
    BuildReport report;
    BuildOptions o = smallBuildOptions(1); // other thread count, same options otherwise
    const std::vector<BuiltFile> again = buildModelFiles(o, report);
    const auto& first = smallBuild();
    ASSERT_EQ(again.size(), first.size());
    for (std::size_t f = 0; f < first.size(); ++f)
        EXPECT_TRUE(again[f].bytes == first[f].bytes) << first[f].name;
    EXPECT_EQ(report.solveFailures, 0);
}

TEST(ModelFiles, OneRateSubsetWritesThatRatesFilesBesideThePlainOnesAndIsDeterministic)
{
    BuildOptions o = smallBuildOptions(2);
    o.rates = {88200.0};
    BuildReport report;
    const std::vector<BuiltFile> files = buildModelFiles(o, report);
    std::vector<std::string> names;
    for (const BuiltFile& f : files)
        names.push_back(f.name);
    EXPECT_EQ(names, (std::vector<std::string>{"ravlinpre_eh_b1_pca.dat", "ravlinpre_eh_b1_pca.dat.88200",
                                               "ravlinpre_eh_b2_pca.dat", "ravlinpre_eh_b2_pca.dat.88200",
                                               "ravlinpre_eh_b3_pca.dat.88200", "ravlinpre_eh_b4_std.dat"}));
    // The rate's networks are fitted for its own K, not copied from the plain file.
    BlockFileData plain, rate;
    ASSERT_TRUE(decodeModelFile(files[0].bytes, 1, plain));
    ASSERT_TRUE(decodeModelFile(files[1].bytes, 1, rate));
    EXPECT_NE(plain.positions[8].nets[0].weights, rate.positions[8].nets[0].weights);
    // Each file's table holds where its own networks rest, so the two differ, rate for rate.
    ASSERT_EQ(plain.positions[8].table.size(), rate.positions[8].table.size());
    EXPECT_NE(plain.positions[8].table, rate.positions[8].table);
    // Another thread count gives the same bytes (the rate steps run in a fixed order).
    o.threads = 1;
    BuildReport again;
    const std::vector<BuiltFile> second = buildModelFiles(o, again);
    ASSERT_EQ(second.size(), files.size());
    for (std::size_t f = 0; f < files.size(); ++f)
        EXPECT_TRUE(second[f].bytes == files[f].bytes) << files[f].name;
    // Building only blocks 1 and 2 writes only theirs, with the bytes of the whole build (their
    // tables rest on each other only).
    o.blocks = {1, 2};
    BuildReport some;
    const std::vector<BuiltFile> only = buildModelFiles(o, some);
    ASSERT_EQ(only.size(), 4u);
    for (std::size_t f = 0; f < only.size(); ++f)
    {
        EXPECT_EQ(only[f].name, files[f].name);
        EXPECT_TRUE(only[f].bytes == files[f].bytes) << only[f].name;
    }
}
