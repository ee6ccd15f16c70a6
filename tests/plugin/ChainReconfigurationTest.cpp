// The reconfiguration of the two chains without the framework: which files each kind of change
// checks and loads (per-rate files preferred, damaged ones set aside, all or nothing), the rate,
// the positions; the sample-loop choice; the model-data status the editor polls.
#include "plugin/ChainReconfiguration.h"
#include "plugin/ModelDataStatus.h"
#include "plugin/SampleLoopChoice.h"

#include "FullLoadSequence.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

using namespace ravlin::plugin;

namespace {
std::string fileName(const char* path) { return std::filesystem::path(path).filename().string(); }

/** Logs every operation in one list shared by both chains ("L"/"R" tells them apart). */
struct LogChain
{
    static inline std::vector<std::string> log;
    static inline std::set<std::string> badFiles; ///< fail their check and their load
    static inline int failNextLoads = 0;          ///< loads that fail although the check passed

    std::string side;
    long steps = 0;

    static bool checkModelFile(int block, const char* path)
    {
        log.push_back("check " + std::to_string(block) + " " + fileName(path));
        return badFiles.count(fileName(path)) == 0;
    }
    bool loadModelFile(int block, const char* path)
    {
        log.push_back("load " + side + std::to_string(block) + " " + fileName(path));
        if (failNextLoads > 0)
        {
            --failNextLoads;
            return false;
        }
        return badFiles.count(fileName(path)) == 0;
    }
    void selectPosition(int block, unsigned index)
    {
        log.push_back("select " + side + std::to_string(block) + " " + std::to_string(index));
    }
    void setSampleRate(double rate) { log.push_back("rate " + side + " " + std::to_string(static_cast<long>(rate))); }
    void startAtRest() noexcept { log.push_back("rest " + side); }
    void keepMotion() noexcept { log.push_back("keep " + side); }
    void followRests() noexcept { log.push_back("follow " + side); }
    double processSample(double x) noexcept
    {
        ++steps;
        return x;
    }
    template <unsigned L>
    double processOversampled(double x) noexcept
    {
        for (unsigned n = 0; n < L; ++n)
            processSample(x);
        return x;
    }
};

class ChainReconfigurationTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LogChain::log.clear();
        LogChain::badFiles.clear();
        LogChain::failNextLoads = 0;
        folder = std::filesystem::temp_directory_path()
                 / ("ravlin-reconfiguration-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-"
                    + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    void touch(const std::string& name) { std::ofstream(folder / name) << "x"; }
    ReconfigurationOutcome apply(Change change, ChainTarget target)
    {
        return chains.apply(change, target, folder.string());
    }
    std::vector<std::string> loads() const
    {
        std::vector<std::string> out;
        for (const auto& e : LogChain::log)
            if (e.rfind("load", 0) == 0)
                out.push_back(e);
        return out;
    }

    std::filesystem::path folder;
    LogChain left{"L"};
    LogChain right{"R"};
    ChainReconfiguration<LogChain> chains{left, right};
    const ChainTarget fresh{0, 8, 1687, 44100};
};
} // namespace

TEST_F(ChainReconfigurationTest, FullChangeChecksEveryFileThenLoadsSetsTheRateAndSelectsEveryBlock)
{
    const auto outcome = apply(Change::all, fresh);
    const std::vector<std::string> expected = freshSetFullLoadAt44100();
    EXPECT_EQ(LogChain::log, expected);
    EXPECT_TRUE(outcome.failures.empty());
    EXPECT_FALSE(outcome.keepPrevious);
    EXPECT_TRUE(chains.isConfigured());
}

TEST_F(ChainReconfigurationTest, RateChangeReloadsBlocksOneToThreeAndLeavesBlockFourAlone)
{
    apply(Change::all, fresh);
    LogChain::log.clear();
    apply(Change::rateOrMode, {0, 8, 1687, 96000});
    const std::vector<std::string> expected = freshSetRateChangeTo96000();
    EXPECT_EQ(LogChain::log, expected);
}

TEST_F(ChainReconfigurationTest, GainAndToneOnlySelectPositions)
{
    EXPECT_TRUE(apply(Change::gain, {0, 16, 1687, 44100}).failures.empty());
    EXPECT_EQ(LogChain::log, (std::vector<std::string>{"keep L", "select L1 16", "select L2 16", "follow L", "keep R",
                                                       "select R1 16", "select R2 16", "follow R"}));
    LogChain::log.clear();
    apply(Change::tone, {0, 16, 1912, 44100});
    EXPECT_EQ(LogChain::log, (std::vector<std::string>{"keep L", "select L4 1912", "follow L", "keep R",
                                                       "select R4 1912", "follow R"}));
    EXPECT_FALSE(chains.isConfigured()) << "selecting positions loads nothing";
}

TEST_F(ChainReconfigurationTest, PerRateFilesArePreferredAndADamagedOneIsSetAside)
{
    for (const char* name : {"ravlinpre_eh_b1_pca.dat.96000", "ravlinpre_eh_b2_pca.dat.96000"})
        touch(name);
    LogChain::badFiles = {"ravlinpre_eh_b2_pca.dat.96000"};
    const auto outcome = apply(Change::all, {0, 8, 1687, 96000});
    EXPECT_EQ(loads(), (std::vector<std::string>{
                           "load L1 ravlinpre_eh_b1_pca.dat.96000", "load L2 ravlinpre_eh_b2_pca.dat",
                           "load L4 ravlinpre_eh_b4_std.dat", "load R1 ravlinpre_eh_b1_pca.dat.96000",
                           "load R2 ravlinpre_eh_b2_pca.dat", "load R4 ravlinpre_eh_b4_std.dat",
                           "load L3 ravlinpre_eh_b3_pca.dat.96000", "load R3 ravlinpre_eh_b3_pca.dat.96000"}));
    ASSERT_EQ(outcome.failures.size(), 1u);
    EXPECT_EQ(outcome.failures[0].path, (folder / "ravlinpre_eh_b2_pca.dat.96000").string());
    EXPECT_EQ(outcome.failures[0].reason, "unreadable; the file for all rates plays instead");
    EXPECT_FALSE(outcome.keepPrevious) << "the change went ahead on the plain file";
}

TEST_F(ChainReconfigurationTest, AFailedCheckLoadsNothingAndARateChangeThenTriesTheWholeSet)
{
    LogChain::badFiles = {"ravlinpre_eh_b4_std.dat"};
    auto outcome = apply(Change::all, fresh);
    EXPECT_TRUE(loads().empty());
    ASSERT_EQ(outcome.failures.size(), 1u);
    EXPECT_EQ(outcome.failures[0].reason, "missing");
    EXPECT_FALSE(outcome.keepPrevious) << "never configured: nothing to keep";
    EXPECT_FALSE(chains.isConfigured());

    LogChain::badFiles.clear();
    apply(Change::all, fresh);
    LogChain::badFiles = {"ravlinpre_rsd_b1_pca.dat"};
    LogChain::log.clear();
    const ChainTarget aged{1, 8, 1687, 44100};
    outcome = apply(Change::all, aged);
    EXPECT_TRUE(loads().empty());
    EXPECT_TRUE(outcome.keepPrevious) << "the chains still hold the Fresh set";
    // The chains hold Fresh files while the program asks for Aged ones: a rate change alone
    // would put an Aged block 3 beside Fresh blocks.
    EXPECT_EQ(chains.widen(Change::rateOrMode, 1), Change::all);
    EXPECT_EQ(chains.widen(Change::rateOrMode, 0), Change::rateOrMode);
    EXPECT_EQ(chains.widen(Change::gain, 1), Change::gain);
}

TEST_F(ChainReconfigurationTest, ALoadThatFailsAfterItsCheckLeavesOnlyThatChainWithoutPositions)
{
    LogChain::failNextLoads = 1; // the left chain's block-1 file changed between check and load
    const auto outcome = apply(Change::all, fresh);
    auto has = [](const std::string& e) {
        return std::find(LogChain::log.begin(), LogChain::log.end(), e) != LogChain::log.end();
    };
    EXPECT_FALSE(has("select L1 8"));
    EXPECT_FALSE(has("rate L 44100"));
    EXPECT_TRUE(has("select R4 1687"));
    EXPECT_TRUE(has("rate R 44100"));
    ASSERT_EQ(outcome.failures.size(), 1u);
    EXPECT_FALSE(outcome.keepPrevious);
    EXPECT_TRUE(chains.isConfigured());
}

TEST(ChangeFor, FileReadingChangesAreTheValveSetRateAndMode)
{
    int reading = 0;
    for (int p = 0; p < numParameters; ++p)
        if (const auto change = changeFor(p); change && readsFiles(*change))
            ++reading;
    EXPECT_EQ(reading, 3) << "Dual Triodes, Oversampling, Mono/Stereo";
    EXPECT_FALSE(changeFor(input).has_value());
    EXPECT_FALSE(changeFor(showSettings).has_value());
    EXPECT_EQ(changeFor(middle), Change::tone);
}

TEST(SampleLoopChoice, FactorAndModeOfTheChosenLoopAreTheOnesThatRun)
{
    using Choice = SampleLoopChoice<LogChain>;
    LoopGains gains;
    for (int code = 0; code <= 4; ++code)
        for (bool stereo : {false, true})
        {
            const Choice choice = Choice::select(code, stereo, 2);
            LogChain l{"L"}, r{"R"};
            float a[3] = {0.1f, 0.2f, 0.3f}, b[3] = {0.4f, 0.5f, 0.6f};
            float* channels[2] = {a, b};
            choice.loop(l, r, channels, 2, 2, 3, gains);
            EXPECT_EQ(l.steps, 3L << code) << choice.name();
            EXPECT_EQ(r.steps, stereo ? 3L << code : 0) << choice.name();
            EXPECT_EQ(choice.factor, 1 << code);
            EXPECT_EQ(choice.latency(), code == 0 ? 0 : oversamplingLatency);
            EXPECT_EQ(choice.name(), (stereo ? "processStereoX" : "processMonoX") + std::to_string(1 << code));
        }
    EXPECT_EQ(Choice::select(3, true, 1).name(), "processMonoX8") << "one input: mono";
    EXPECT_EQ(Choice::select(9, false, 2).factor, 1);

    // Before any choice, the loop leaves the buffer as it is.
    LogChain l{"L"}, r{"R"};
    float a[2] = {0.25f, -0.5f};
    float* channels[1] = {a};
    Choice{}.loop(l, r, channels, 1, 1, 2, gains);
    EXPECT_EQ(a[0], 0.25f);
    EXPECT_EQ(l.steps, 0);
}

TEST(ModelDataStatus, ANewGenerationOnlyWhenTheNoticeChanges)
{
    ModelDataStatus status;
    const unsigned start = status.generation();
    EXPECT_FALSE(status.publish("/models", {}));
    EXPECT_EQ(status.generation(), start);
    EXPECT_TRUE(status.publish("/models", {{"/models/ravlinpre_eh_b1_pca.dat", "missing"}}));
    EXPECT_NE(status.generation(), start);
    EXPECT_NE(status.notice().find("ravlinpre_eh_b1_pca.dat (missing)"), std::string::npos) << status.notice();
    const unsigned second = status.generation();
    EXPECT_FALSE(status.publish("/models", {{"/models/ravlinpre_eh_b1_pca.dat", "missing"}}));
    EXPECT_EQ(status.generation(), second);
    EXPECT_TRUE(status.publish(
        "/models", {{"/models/ravlinpre_eh_b1_pca.dat", "missing"}, {"/models/ravlinpre_eh_b2_pca.dat", "missing"}}));
    EXPECT_EQ(status.failures().size(), 2u);
    EXPECT_TRUE(status.publish("/models", {}));
    EXPECT_TRUE(status.notice().empty());
    EXPECT_TRUE(status.failures().empty());
}
