// Model file names: the plain layout, the per-rate files and the order a block tries them in.
#include "fast/ModelFileNames.h"

#include <gtest/gtest.h>

using namespace ravlin;

TEST(ModelFileNames, PlainAndPerRateNamesPerBlockAndValveSet)
{
    EXPECT_EQ(plainModelFileName(1, 0), "ravlinpre_eh_b1_pca.dat");
    EXPECT_EQ(plainModelFileName(2, 1), "ravlinpre_rsd_b2_pca.dat");
    EXPECT_EQ(plainModelFileName(4, 0), "ravlinpre_eh_b4_std.dat");
    EXPECT_EQ(rateModelFileName(1, 0, 88200), "ravlinpre_eh_b1_pca.dat.88200");
    EXPECT_EQ(rateModelFileName(3, 1, 768000), "ravlinpre_rsd_b3_pca.dat.768000");
    // The file a full folder must hold: the plain one where a block has it, block 3's per rate.
    EXPECT_EQ(modelFileName(1, 0, 44100), "ravlinpre_eh_b1_pca.dat");
    EXPECT_EQ(modelFileName(2, 1, 192000), "ravlinpre_rsd_b2_pca.dat");
    EXPECT_EQ(modelFileName(3, 0, 44100), "ravlinpre_eh_b3_pca.dat.44100");
    EXPECT_EQ(modelFileName(4, 0, 96000), "ravlinpre_eh_b4_std.dat");
}

TEST(ModelFileNames, BlocksOneAndTwoPreferTheRatesFileAndFallBackToThePlainOne)
{
    EXPECT_EQ(modelFileCandidates(1, 0, 88200),
              (std::vector<std::string>{"ravlinpre_eh_b1_pca.dat.88200", "ravlinpre_eh_b1_pca.dat"}));
    EXPECT_EQ(modelFileCandidates(2, 1, 3072000),
              (std::vector<std::string>{"ravlinpre_rsd_b2_pca.dat.3072000", "ravlinpre_rsd_b2_pca.dat"}));
    EXPECT_EQ(modelFileCandidates(3, 1, 48000), (std::vector<std::string>{"ravlinpre_rsd_b3_pca.dat.48000"}));
    EXPECT_EQ(modelFileCandidates(4, 0, 88200), (std::vector<std::string>{"ravlinpre_eh_b4_std.dat"}));
    for (int block = 1; block <= 4; ++block)
        EXPECT_EQ(modelFileCandidates(block, 0, 96000).back(), modelFileName(block, 0, 96000)) << block;
}
