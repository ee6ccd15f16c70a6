// Which model files are read, in which order, for which rate; positions, loops and latency.
#include "FullLoadSequence.h"
#include "TestProcessor.h"

#include <gtest/gtest.h>

using namespace ravlin;
using namespace ravlin::test;

namespace {
std::vector<std::string> fullLoad(const std::string& set, long rate)
{
    const std::string b1 = "ravlinpre_" + set + "_b1_pca.dat", b2 = "ravlinpre_" + set + "_b2_pca.dat",
                      b4 = "ravlinpre_" + set + "_b4_std.dat",
                      b3 = "ravlinpre_" + set + "_b3_pca.dat." + std::to_string(rate);
    return {"load L1 " + b1, "load L2 " + b2, "load L4 " + b4, "load R1 " + b1,
            "load R2 " + b2, "load R4 " + b4, "load L3 " + b3, "load R3 " + b3};
}
} // namespace

TEST(Reconfiguration, FreshInstanceLoadsTheFreshSetAt44100)
{
    ChainLog::entries().clear();
    TestProcessor p;
    const std::vector<std::string> expected = freshSetFullLoadAt44100();
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
    const std::vector<std::string> expected = freshSetRateChangeTo96000();
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
    EXPECT_EQ(
        ChainLog::loads(),
        (std::vector<std::string>{"load L1 ravlinpre_eh_b1_pca.dat", "load L2 ravlinpre_eh_b2_pca.dat",
                                  "load R1 ravlinpre_eh_b1_pca.dat", "load R2 ravlinpre_eh_b2_pca.dat",
                                  "load L3 ravlinpre_eh_b3_pca.dat.44100", "load R3 ravlinpre_eh_b3_pca.dat.44100"}));
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
    EXPECT_EQ(
        ChainLog::loads(),
        (std::vector<std::string>{"load L1 ravlinpre_eh_b1_pca.dat.96000", "load L2 ravlinpre_eh_b2_pca.dat.96000",
                                  "load R1 ravlinpre_eh_b1_pca.dat.96000", "load R2 ravlinpre_eh_b2_pca.dat.96000",
                                  "load L3 ravlinpre_eh_b3_pca.dat.96000", "load R3 ravlinpre_eh_b3_pca.dat.96000"}));
    ChainLog::entries().clear();
    p.setParameter(0, 1.0f); // the Aged set has only block 2's file for 96 kHz
    EXPECT_EQ(
        ChainLog::loads(),
        (std::vector<std::string>{"load L1 ravlinpre_rsd_b1_pca.dat", "load L2 ravlinpre_rsd_b2_pca.dat.96000",
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
    RecordingChain::badFiles = {"ravlinpre_eh_b1_pca.dat.88200"};
    ChainLog::entries().clear();
    p.setParameter(7, 0.25f);
    RecordingChain::badFiles.clear();
    // The rate's file is checked, found damaged and never loaded; the plain file serves.
    const auto& entries = ChainLog::entries();
    EXPECT_NE(std::find(entries.begin(), entries.end(), "check 1 ravlinpre_eh_b1_pca.dat.88200"), entries.end());
    const std::vector<std::string> loads = ChainLog::loads();
    ASSERT_GE(loads.size(), 2u);
    EXPECT_EQ(loads[0], "load L1 ravlinpre_eh_b1_pca.dat");
    EXPECT_EQ(std::count(loads.begin(), loads.end(), "load L1 ravlinpre_eh_b1_pca.dat.88200"), 0);
    EXPECT_EQ(p.getOversamplingFactor(), 2) << "the reconfiguration went ahead";
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
    EXPECT_EQ(ChainLog::entries(), (std::vector<std::string>{"select L1 16", "select L2 16", "follow L", "select R1 16",
                                                             "select R2 16", "follow R"}));
    ChainLog::entries().clear();
    p.setParameter(3, 8.0f / 14.0f);
    EXPECT_EQ(ChainLog::entries(),
              (std::vector<std::string>{"select L4 1912", "follow L", "select R4 1912", "follow R"}));
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

TEST(Reconfiguration, FailedLoadsAreListedWithReasonAndNotice)
{
    RecordingChain::failLoads = true;
    ChainLog::entries().clear();
    TestProcessor p;
    RecordingChain::failLoads = false;
    EXPECT_TRUE(ChainLog::loads().empty()) << "nothing is loaded when a check fails";
    const auto missing = p.getMissingModelFiles();
    EXPECT_EQ(missing.size(), 4);
    EXPECT_TRUE(missing[0].endsWith("ravlinpre_eh_b1_pca.dat"));
    EXPECT_TRUE(missing[3].endsWith("ravlinpre_eh_b3_pca.dat.44100"));
    // The test binary has no model folder beside it.
    EXPECT_EQ(p.getModelFileFailures()[0].reason, "missing (the model folder does not exist)");
    const juce::String notice = p.getModelDataNotice();
    EXPECT_TRUE(notice.contains(p.getModelDirectory().getFullPathName())) << notice;
    EXPECT_TRUE(notice.contains("ravlinpre_eh_b1_pca.dat (missing")) << notice;
    EXPECT_TRUE(notice.contains("and 3 more")) << notice;
    // Never configured: the loop runs on the silent chains instead of passing the input through.
    EXPECT_EQ(p.getSampleLoopName(), "processMonoX1");

    const unsigned generation = p.getModelDataGeneration();
    p.setCurrentProgram(0);
    EXPECT_TRUE(p.getMissingModelFiles().isEmpty());
    EXPECT_TRUE(p.getModelDataNotice().isEmpty());
    EXPECT_NE(p.getModelDataGeneration(), generation);
}

TEST(Reconfiguration, FailedValveSetSwitchKeepsEveryBlockOnTheOldSet)
{
    TestProcessor p;
    p.setPlayConfigDetails(2, 2, 44100.0, 128);
    p.setParameter(8, 1.0f);
    ASSERT_EQ(p.getSampleLoopName(), "processStereoX1");
    RecordingChain::badFiles = {"ravlinpre_rsd_b2_pca.dat"};
    ChainLog::entries().clear();
    const unsigned generation = p.getModelDataGeneration();
    p.setParameter(0, 1.0f);
    RecordingChain::badFiles.clear();
    // Every file of the new set is checked; none is loaded, no rate set, no position selected.
    EXPECT_EQ(ChainLog::entries(),
              (std::vector<std::string>{"check 1 ravlinpre_rsd_b1_pca.dat", "check 2 ravlinpre_rsd_b2_pca.dat",
                                        "check 4 ravlinpre_rsd_b4_std.dat", "check 3 ravlinpre_rsd_b3_pca.dat.44100"}));
    ASSERT_EQ(p.getModelFileFailures().size(), 1u);
    EXPECT_TRUE(juce::String(p.getModelFileFailures()[0].path).endsWith("ravlinpre_rsd_b2_pca.dat"));
    EXPECT_NE(p.getModelDataGeneration(), generation);
    EXPECT_TRUE(p.getModelDataNotice().contains("ravlinpre_rsd_b2_pca.dat"));
    EXPECT_EQ(p.getSampleLoopName(), "processStereoX1");
    EXPECT_FALSE(p.isSuspended());
    EXPECT_EQ(p.getParameter(0), 1.0f) << "the choice stays stored; the notice says why it does not sound";

    // Gain still works on the blocks that are loaded.
    ChainLog::entries().clear();
    p.setParameter(2, 1.0f);
    EXPECT_EQ(ChainLog::entries(), (std::vector<std::string>{"select L1 16", "select L2 16", "follow L", "select R1 16",
                                                             "select R2 16", "follow R"}));

    // A rate change must not load the Aged block 3 beside Fresh blocks: it tries the whole set.
    RecordingChain::badFiles = {"ravlinpre_rsd_b2_pca.dat"};
    ChainLog::entries().clear();
    p.setParameter(7, 0.25f);
    RecordingChain::badFiles.clear();
    EXPECT_TRUE(ChainLog::loads().empty());
    EXPECT_EQ(ChainLog::entries().size(), 4u) << "the four files of the Aged set are checked";
    EXPECT_EQ(p.getSampleLoopName(), "processStereoX1");
    // Back to x1 once the Aged files are whole: the whole Aged set loads.
    ChainLog::entries().clear();
    p.setParameter(7, 0.0f);
    EXPECT_EQ(ChainLog::loads(), fullLoad("rsd", 44100));
    EXPECT_TRUE(p.getModelFileFailures().empty());

    // Back to the Fresh set.
    ChainLog::entries().clear();
    p.setParameter(0, 0.0f);
    EXPECT_EQ(ChainLog::loads(), fullLoad("eh", 44100));
    EXPECT_TRUE(p.getModelFileFailures().empty());
    EXPECT_TRUE(p.getModelDataNotice().isEmpty());
}

TEST(Reconfiguration, FailedRateChangeKeepsLoopRateAndLatency)
{
    TestProcessor p;
    RecordingChain::badFiles = {"ravlinpre_eh_b3_pca.dat.88200"};
    ChainLog::entries().clear();
    p.setParameter(7, 0.25f);
    RecordingChain::badFiles.clear();
    EXPECT_EQ(ChainLog::entries(),
              (std::vector<std::string>{"check 1 ravlinpre_eh_b1_pca.dat", "check 2 ravlinpre_eh_b2_pca.dat",
                                        "check 3 ravlinpre_eh_b3_pca.dat.88200"}))
        << "every file is checked and none is loaded";
    EXPECT_EQ(p.getSampleLoopName(), "processMonoX1");
    EXPECT_EQ(p.getOversamplingFactor(), 1);
    EXPECT_EQ(p.getLatencySamples(), 0);
    EXPECT_EQ(p.getMissingModelFiles().size(), 1);

    // Once the file is there, the next rate or mode change takes it.
    ChainLog::entries().clear();
    p.setParameter(8, 1.0f);
    EXPECT_EQ(
        ChainLog::loads(),
        (std::vector<std::string>{"load L1 ravlinpre_eh_b1_pca.dat", "load L2 ravlinpre_eh_b2_pca.dat",
                                  "load R1 ravlinpre_eh_b1_pca.dat", "load R2 ravlinpre_eh_b2_pca.dat",
                                  "load L3 ravlinpre_eh_b3_pca.dat.88200", "load R3 ravlinpre_eh_b3_pca.dat.88200"}));
    EXPECT_EQ(p.getOversamplingFactor(), 2);
    EXPECT_EQ(p.getLatencySamples(), 15);
    EXPECT_TRUE(p.getMissingModelFiles().isEmpty());
}

TEST(Reconfiguration, FileThatFailsAfterItsCheckSilencesOnlyThatChain)
{
    TestProcessor p;
    ChainLog::entries().clear();
    RecordingChain::failNextLoads = 1; // the left chain's block-1 file changed between check and load
    p.setCurrentProgram(0);
    RecordingChain::failNextLoads = 0;
    const auto& log = ChainLog::entries();
    auto has = [&log](const std::string& e) { return std::find(log.begin(), log.end(), e) != log.end(); };
    EXPECT_FALSE(has("select L1 8")) << "the left chain gets no position, so it stays silent";
    EXPECT_FALSE(has("rate L 44100"));
    EXPECT_TRUE(has("select R1 8"));
    EXPECT_TRUE(has("rate R 44100"));
    ASSERT_EQ(p.getMissingModelFiles().size(), 1);
    EXPECT_TRUE(p.getMissingModelFiles()[0].endsWith("ravlinpre_eh_b1_pca.dat"));
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
