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
    const std::vector<std::string> expected = {"load L3 ravlinpre_eh_b3_pca.dat.96000",
                                               "load R3 ravlinpre_eh_b3_pca.dat.96000",
                                               "rate L 96000", "rate R 96000", "select L3 0", "select R3 0"};
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

TEST(Reconfiguration, StereoRequestWithOneInputKeepsAMonoLoopButReloadsBlockThree)
{
    TestProcessor p;
    p.setPlayConfigDetails(1, 1, 44100.0, 128);
    ChainLog::entries().clear();
    p.setParameter(8, 1.0f);
    EXPECT_EQ(p.getSampleLoopName(), "processMonoX1");
    EXPECT_EQ(ChainLog::loads(), (std::vector<std::string>{"load L3 ravlinpre_eh_b3_pca.dat.44100",
                                                           "load R3 ravlinpre_eh_b3_pca.dat.44100"}));
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
