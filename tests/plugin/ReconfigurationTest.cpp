// Which model files are read, in which order, for which rate; positions, loops and latency.
#include "TestProcessor.h"

#include <gtest/gtest.h>

using namespace ravlin;
using namespace ravlin::test;

namespace
{
std::vector<std::string> fullLoad(const std::string& set, long rate)
{
    const std::string b1 = "ravlinpre_" + set + "_b1_pca.dat", b2 = "ravlinpre_" + set + "_b2_pca.dat",
                      b4 = "ravlinpre_" + set + "_b4_std.dat",
                      b3 = "ravlinpre_" + set + "_b3_pca.dat." + std::to_string(rate);
    return {"load L1 " + b1, "load L2 " + b2, "load L4 " + b4, "load R1 " + b1, "load R2 " + b2,
            "load R4 " + b4, "load L3 " + b3, "load R3 " + b3};
}
} // namespace

TEST(Reconfiguration, FreshInstanceLoadsTheFreshSetAt44100)
{
    ChainLog::entries().clear();
    TestProcessor p;
    const std::vector<std::string> expected = {
        "load L1 ravlinpre_eh_b1_pca.dat", "load L2 ravlinpre_eh_b2_pca.dat", "load L4 ravlinpre_eh_b4_std.dat",
        "load R1 ravlinpre_eh_b1_pca.dat", "load R2 ravlinpre_eh_b2_pca.dat", "load R4 ravlinpre_eh_b4_std.dat",
        "load L3 ravlinpre_eh_b3_pca.dat.44100", "load R3 ravlinpre_eh_b3_pca.dat.44100",
        "rate L 44100", "rate R 44100",
        "select L1 8", "select L2 8", "select L3 0", "select L4 1687",
        "select R1 8", "select R2 8", "select R3 0", "select R4 1687"};
    EXPECT_EQ(ChainLog::entries(), expected);
    EXPECT_EQ(p.getSampleLoopName(), "processMonoX1");
    EXPECT_EQ(p.getLatencySamples(), 0);
    EXPECT_DOUBLE_EQ(p.getInputGain(), 1.5);
    EXPECT_NEAR(p.getOutputGain(), 0.0048660987, 1e-9);
    EXPECT_EQ(p.getProgramName(0), "1 default");
    EXPECT_EQ(p.getProgramName(11), "12 default");
    EXPECT_FALSE(p.isSuspended());
}

TEST(Reconfiguration, HostRateReachesBlockThreeAtTheNextOversamplingChange)
{
    TestProcessor p;
    p.setPlayConfigDetails(2, 2, 48000.0, 256);
    ChainLog::entries().clear();
    p.prepareToPlay(48000.0, 256);
    EXPECT_TRUE(ChainLog::entries().empty()) << "prepareToPlay reads no file";
    p.setParameter(7, 0.25f);
    // No per-rate files for blocks 1 and 2 beside this module: they reload their plain files.
    const std::vector<std::string> expected = {
        "load L1 ravlinpre_eh_b1_pca.dat", "load L2 ravlinpre_eh_b2_pca.dat", "load R1 ravlinpre_eh_b1_pca.dat",
        "load R2 ravlinpre_eh_b2_pca.dat", "load L3 ravlinpre_eh_b3_pca.dat.96000", "load R3 ravlinpre_eh_b3_pca.dat.96000",
        "rate L 96000", "rate R 96000", "select L1 8", "select L2 8", "select L3 0", "select R1 8", "select R2 8",
        "select R3 0"};
    EXPECT_EQ(ChainLog::entries(), expected);
    EXPECT_EQ(p.getSampleLoopName(), "processMonoX2");
    EXPECT_EQ(p.getOversamplingFactor(), 2);
    EXPECT_EQ(p.getLatencySamples(), 15);
    p.setParameter(8, 1.0f);
    EXPECT_EQ(p.getSampleLoopName(), "processStereoX2");
    p.setParameter(7, 1.0f);
    EXPECT_EQ(p.getSampleLoopName(), "processStereoX16");
    EXPECT_EQ(ChainLog::loads().back(), "load R3 ravlinpre_eh_b3_pca.dat.768000");
    p.setParameter(7, 0.0f);
    EXPECT_EQ(p.getLatencySamples(), 0);
}

TEST(Reconfiguration, StereoRequestWithOneInputKeepsAMonoLoopButReloadsTheRateFiles)
{
    TestProcessor p;
    p.setPlayConfigDetails(1, 1, 44100.0, 128);
    ChainLog::entries().clear();
    p.setParameter(8, 1.0f);
    EXPECT_EQ(p.getSampleLoopName(), "processMonoX1");
    EXPECT_EQ(ChainLog::loads(),
              (std::vector<std::string>{"load L1 ravlinpre_eh_b1_pca.dat", "load L2 ravlinpre_eh_b2_pca.dat",
                                        "load R1 ravlinpre_eh_b1_pca.dat", "load R2 ravlinpre_eh_b2_pca.dat",
                                        "load L3 ravlinpre_eh_b3_pca.dat.44100",
                                        "load R3 ravlinpre_eh_b3_pca.dat.44100"}));
}

TEST(Reconfiguration, BlocksOneAndTwoPreferTheRatesOwnFile)
{
    const juce::TemporaryFile folder;
    const juce::File dir = folder.getFile();
    ASSERT_TRUE(dir.createDirectory());
    for (const char* name : {"ravlinpre_eh_b1_pca.dat", "ravlinpre_eh_b2_pca.dat", "ravlinpre_eh_b1_pca.dat.96000",
                             "ravlinpre_eh_b2_pca.dat.96000", "ravlinpre_rsd_b2_pca.dat.96000"})
        ASSERT_TRUE(dir.getChildFile(name).replaceWithText("x"));
    TestProcessor p;
    p.setModelDirectory(dir);
    p.setPlayConfigDetails(2, 2, 48000.0, 256);
    p.prepareToPlay(48000.0, 256);
    ChainLog::entries().clear();
    p.setParameter(7, 0.25f); // x2: 96 kHz, both per-rate files present
    EXPECT_EQ(ChainLog::loads(),
              (std::vector<std::string>{"load L1 ravlinpre_eh_b1_pca.dat.96000", "load L2 ravlinpre_eh_b2_pca.dat.96000",
                                        "load R1 ravlinpre_eh_b1_pca.dat.96000", "load R2 ravlinpre_eh_b2_pca.dat.96000",
                                        "load L3 ravlinpre_eh_b3_pca.dat.96000",
                                        "load R3 ravlinpre_eh_b3_pca.dat.96000"}));
    ChainLog::entries().clear();
    p.setParameter(0, 1.0f); // the Aged set has only block 2's file for 96 kHz
    EXPECT_EQ(ChainLog::loads(), (std::vector<std::string>{
                                     "load L1 ravlinpre_rsd_b1_pca.dat", "load L2 ravlinpre_rsd_b2_pca.dat.96000",
                                     "load L4 ravlinpre_rsd_b4_std.dat", "load R1 ravlinpre_rsd_b1_pca.dat",
                                     "load R2 ravlinpre_rsd_b2_pca.dat.96000", "load R4 ravlinpre_rsd_b4_std.dat",
                                     "load L3 ravlinpre_rsd_b3_pca.dat.96000", "load R3 ravlinpre_rsd_b3_pca.dat.96000"}));
    ChainLog::entries().clear();
    p.setParameter(7, 0.0f); // back to 48 kHz: no files for it, the plain ones serve
    EXPECT_EQ(ChainLog::loads().front(), "load L1 ravlinpre_rsd_b1_pca.dat");
    EXPECT_EQ(ChainLog::loads()[1], "load L2 ravlinpre_rsd_b2_pca.dat");
    dir.deleteRecursively();
}

TEST(Reconfiguration, ADamagedPerRateFileIsListedAndThePlainFileServes)
{
    const juce::TemporaryFile folder;
    const juce::File dir = folder.getFile();
    ASSERT_TRUE(dir.createDirectory());
    ASSERT_TRUE(dir.getChildFile("ravlinpre_eh_b1_pca.dat.88200").replaceWithText("x"));
    TestProcessor p;
    p.setModelDirectory(dir);
    p.setPlayConfigDetails(2, 2, 44100.0, 256);
    p.prepareToPlay(44100.0, 256);
    RecordingChain::failingFile = "ravlinpre_eh_b1_pca.dat.88200";
    ChainLog::entries().clear();
    p.setParameter(7, 0.25f);
    RecordingChain::failingFile.clear();
    const std::vector<std::string> loads = ChainLog::loads();
    ASSERT_GE(loads.size(), 2u);
    EXPECT_EQ(loads[0], "load L1 ravlinpre_eh_b1_pca.dat.88200");
    EXPECT_EQ(loads[1], "load L1 ravlinpre_eh_b1_pca.dat");
    const auto missing = p.getMissingModelFiles();
    ASSERT_EQ(missing.size(), 1);
    EXPECT_TRUE(missing[0].endsWith("ravlinpre_eh_b1_pca.dat.88200"));
    // Both chains still ended with a position selected on every block that reloaded.
    const auto& log = ChainLog::entries();
    for (const char* select : {"select L1 8", "select L2 8", "select R1 8", "select R2 8"})
        EXPECT_NE(std::find(log.begin(), log.end(), select), log.end()) << select;
    dir.deleteRecursively();
}

TEST(Reconfiguration, ProgramAndValveSetChangesReadAllEightFiles)
{
    TestProcessor p;
    ChainLog::entries().clear();
    p.setCurrentProgram(p.getCurrentProgram());
    EXPECT_EQ(ChainLog::loads(), fullLoad("eh", 44100));
    ChainLog::entries().clear();
    p.setParameter(0, 1.0f);
    EXPECT_EQ(ChainLog::loads(), fullLoad("rsd", 44100));
    EXPECT_NE(std::find(ChainLog::entries().begin(), ChainLog::entries().end(), "select R4 1687"),
              ChainLog::entries().end());
    ChainLog::entries().clear();
    p.setCurrentProgram(12);
    p.setCurrentProgram(-1);
    EXPECT_TRUE(ChainLog::entries().empty());
}

TEST(Reconfiguration, GainAndToneSelectPositionsWithoutFileReads)
{
    TestProcessor p;
    ChainLog::entries().clear();
    p.setParameter(2, 1.0f);
    EXPECT_EQ(ChainLog::entries(),
              (std::vector<std::string>{"select L1 16", "select L2 16", "select R1 16", "select R2 16"}));
    ChainLog::entries().clear();
    p.setParameter(3, 8.0f / 14.0f);
    EXPECT_EQ(ChainLog::entries(), (std::vector<std::string>{"select L4 1912", "select R4 1912"}));
    ChainLog::entries().clear();
    p.setParameter(2, 1.0f);
    p.setParameter(1, 0.3f);
    p.setParameter(9, 1.0f);
    EXPECT_TRUE(ChainLog::entries().empty());
    EXPECT_NEAR(p.getInputGain(), 0.9, 1e-6);
    p.setParameter(6, 1.0f);
    EXPECT_DOUBLE_EQ(p.getOutputGain(), plugin::outputGainTable[49] / 345.0);
    p.setParameter(6, 0.0f);
    EXPECT_DOUBLE_EQ(p.getOutputGain(), plugin::outputGainTable[0] / 345.0);
}

TEST(Reconfiguration, ModelDirectoryBesideTheModuleUnlessSet)
{
    TestProcessor p;
    const auto module = juce::File::getSpecialLocation(juce::File::currentApplicationFile);
    EXPECT_EQ(p.getModelDirectory().getFullPathName(), module.getFullPathName() + ".dat");
    const auto other = juce::File::getSpecialLocation(juce::File::tempDirectory).getChildFile("ravlin-models");
    p.setModelDirectory(other);
    p.setCurrentProgram(0);
    EXPECT_EQ(p.getLeftChain().lastDirectory, other.getFullPathName().toStdString());
    p.setModelDirectory(juce::File());
    EXPECT_EQ(p.getModelDirectory().getFullPathName(), module.getFullPathName() + ".dat");
}

TEST(Reconfiguration, FailedLoadsAreListed)
{
    RecordingChain::failLoads = true;
    TestProcessor p;
    RecordingChain::failLoads = false;
    const auto missing = p.getMissingModelFiles();
    EXPECT_EQ(missing.size(), 4);
    EXPECT_TRUE(missing[0].endsWith("ravlinpre_eh_b1_pca.dat"));
    EXPECT_TRUE(missing[3].endsWith("ravlinpre_eh_b3_pca.dat.44100"));
    p.setCurrentProgram(0);
    EXPECT_TRUE(p.getMissingModelFiles().isEmpty());
}

TEST(Reconfiguration, ParameterChangesSendOneMessageOnlyWhenSomethingChanged)
{
    TestProcessor p;
    ChangeCounter counter;
    p.addChangeListener(&counter);
    p.setParameter(2, 0.5f); // already 8
    p.dispatchPendingMessages();
    EXPECT_EQ(counter.count, 0);
    p.setParameter(2, 0.75f);
    p.dispatchPendingMessages();
    EXPECT_EQ(counter.count, 1);
    p.setParameter(10, 1.0f);
    p.changeProgramName(0, "renamed");
    p.dispatchPendingMessages();
    EXPECT_EQ(counter.count, 1);
    p.removeChangeListener(&counter);
}
