// The run-time ChannelChain itself on the shipped model data against the Newton-solved
// reference chain: files picked as the plug-in picks them (the rate's own file first), the
// same signal at the same Gain and tone, ESR of the output after the settling time.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>

#include <gtest/gtest.h>

#include "Accuracy.h"
#include "circuit/ReferenceChain.h"
#include "fast/ChannelChain.h"
#include "fast/ModelFileNames.h"

using namespace ravlin;
using namespace ravlin::modelgen;

namespace {

const std::filesystem::path kDir = RAVLIN_MODEL_DIR;

/// Largest ESR of the run-time chain accepted here: the worst measured on these cases with
/// the committed data (4.5e-2, Fresh at 48 kHz, Gain 16; the data before it gave 6.3e-2 there)
/// with a small margin. Far above the 1e-3 goal: blocks 1 and 2's networks at high Gain limit
/// it (scripts/accuracy shows where).
constexpr double kRunTimeChainEsrBound = 0.05;

struct ChainCase
{
    ValveSet set;
    double rate;
    unsigned gain;
};

/// ESR of ChannelChain against ReferenceChain for one case; `unconverged` gets the
/// reference's failed steps.
double runTimeEsr(const ChainCase& c, long& unconverged)
{
    auto chain = std::make_unique<ChannelChain>();
    const int set = c.set == ValveSet::aged ? 1 : 0;
    for (int block = 1; block <= 4; ++block)
    {
        std::string path;
        for (const std::string& name : modelFileCandidates(block, set, static_cast<long>(c.rate)))
        {
            path = (kDir / name).string();
            if (std::filesystem::exists(path))
                break;
        }
        const LoadResult r = chain->loadModelFile(block, path.c_str());
        EXPECT_TRUE(static_cast<bool>(r)) << path << ": " << r.message;
    }
    constexpr unsigned tone = 1687;
    chain->setSampleRate(c.rate);
    chain->selectPosition(1, c.gain);
    chain->selectPosition(2, c.gain);
    chain->selectPosition(3, 0);
    chain->selectPosition(4, tone);
    EXPECT_TRUE(chain->active());

    ReferenceChain ref;
    ChainSetting s;
    s.set = c.set;
    s.rate = c.rate;
    s.gain = c.gain;
    s.tone = tone;
    ref.configure(s);
    const Signal in = accuracySignal("pluck-6max", c.rate, kSettleSeconds + 0.25);
    const std::size_t settle = static_cast<std::size_t>(kSettleSeconds * c.rate);
    double num = 0.0, den = 0.0;
    for (std::size_t n = 0; n < in.size(); ++n)
    {
        const double yn = chain->processSample(in[n]);
        const double yr = ref.step(in[n]);
        if (n >= settle)
        {
            num += (yn - yr) * (yn - yr);
            den += yr * yr;
        }
    }
    unconverged = ref.failures() + (ref.settled ? 0 : 1);
    return den > 0.0 && std::isfinite(num) ? num / den : HUGE_VAL;
}

} // namespace

TEST(ShippedChain, RunTimeChainFollowsTheNewtonChainAtBaseAndOversampledRates)
{
    if (!std::filesystem::exists(kDir / plainModelFileName(1, 0)))
        GTEST_FAIL() << "no model data in " << kDir << " (the folder models/ comes with the source)";
    for (const ChainCase& c : {ChainCase{ValveSet::fresh, 48000.0, 0}, ChainCase{ValveSet::fresh, 48000.0, 16},
                               ChainCase{ValveSet::aged, 44100.0, 8}, ChainCase{ValveSet::fresh, 96000.0, 8}})
    {
        long unconverged = 0;
        const double esr = runTimeEsr(c, unconverged);
        std::printf("ChannelChain ESR set=%s rate=%.0f gain=%u: %.3e\n", valveSetName(c.set), c.rate, c.gain, esr);
        EXPECT_EQ(unconverged, 0) << c.rate << " Gain " << c.gain;
        EXPECT_LT(esr, kRunTimeChainEsrBound) << valveSetName(c.set) << " " << c.rate << " Gain " << c.gain;
    }
}

TEST(ShippedChain, BlocksHandedToNewtonLeaveTheErrorToTheOthers)
{
    if (!std::filesystem::exists(kDir / plainModelFileName(1, 0)))
        GTEST_SKIP() << "no model data in " << kDir;
    SetFiles files;
    std::string error;
    ASSERT_TRUE(loadSetFiles(kDir, ValveSet::fresh, {48000.0}, files, error)) << error;
    EsrCase c;
    c.rate = 48000.0;
    c.gain = 16;
    c.tones = {1687};
    c.signal = "pluck-6max";
    const double networks = measureEsr(files, c, kSettleSeconds + 0.1).esr.at(0);
    c.exactBlocks = 0b1111u;
    const EsrResult none = measureEsr(files, c, kSettleSeconds + 0.1);
    EXPECT_EQ(none.esr.at(0), 0.0) << "with every block solved by Newton both chains compute the same";
    c.exactBlocks = 0b0110u; // blocks 2 and 3
    const double someExact = measureEsr(files, c, kSettleSeconds + 0.1).esr.at(0);
    EXPECT_GT(networks, 0.0);
    EXPECT_GT(someExact, 0.0) << "blocks 1 and 4 still run their networks";
    EXPECT_NE(someExact, networks);
}
