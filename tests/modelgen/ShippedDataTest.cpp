// The shipped model data (the committed folder models/):
// every file loads and covers every rate, the trained chain matches the reference
// chain, and every position stays finite and bounded under a ±10 V input.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "Accuracy.h"
#include "ModelData.h"
#include "NetworkBlock.h"
#include "Rates.h"
#include "circuit/ReferenceChain.h"

using namespace ravlin;
using namespace ravlin::modelgen;

namespace {

const std::filesystem::path kDir = RAVLIN_MODEL_DIR;
/// Largest chain ESR accepted at 44.1/48 kHz, Gain 8, on the short test: the measured
/// worst (scripts/accuracy: up to 6.1e-2 at Gain 8, block 1's share) with a margin. Still
/// above the 1e-3 goal: blocks 1 and 2's fits of the first stages' grid currents limit it.
constexpr double kChainEsrBound = 0.1;

class ShippedData : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!std::filesystem::exists(kDir / "ravlinpre_eh_b1_pca.dat"))
            GTEST_FAIL() << "no model data in " << kDir << " (the folder models/ comes with the source)";
    }
    static const SetFiles& files(ValveSet set)
    {
        static SetFiles eh, rsd;
        static bool loaded = false;
        if (!loaded)
        {
            std::string error;
            EXPECT_TRUE(loadSetFiles(kDir, ValveSet::fresh, effectiveRates(), eh, error)) << error;
            EXPECT_TRUE(loadSetFiles(kDir, ValveSet::aged, effectiveRates(), rsd, error)) << error;
            loaded = true;
        }
        return set == ValveSet::fresh ? eh : rsd;
    }
};

bool tableCoversEveryRate(const std::vector<double>& table, int entryLength)
{
    const std::vector<double> rates = effectiveRates();
    if (table.empty() || table[0] != static_cast<double>(rates.size()))
        return false;
    for (std::size_t k = 0; k < rates.size(); ++k)
        if (table[1 + k * static_cast<std::size_t>(entryLength)] != rates[k])
            return false;
    return true;
}

} // namespace

TEST_F(ShippedData, EveryFileLoadsAndEveryPositionHasAnEntryForEveryRate)
{
    for (ValveSet set : {ValveSet::fresh, ValveSet::aged})
    {
        const SetFiles& f = files(set);
        ASSERT_EQ(f.block1.positions.size(), 17u);
        ASSERT_EQ(f.block2.positions.size(), 17u);
        ASSERT_EQ(f.block4.positions.size(), 3375u);
        ASSERT_EQ(f.block3.size(), 14u);
        for (const auto& p : f.block1.positions)
            EXPECT_TRUE(tableCoversEveryRate(p.table, 14));
        for (const auto& p : f.block2.positions)
            EXPECT_TRUE(tableCoversEveryRate(p.table, 14));
        for (const auto& [rate, file] : f.block3)
            EXPECT_TRUE(tableCoversEveryRate(file.positions[0].table, 11)) << rate;
        // Blocks 1 and 2 have a file of their own at every rate but 44.1 kHz (the plain file's).
        ASSERT_EQ(f.block1Rates.size(), 13u);
        ASSERT_EQ(f.block2Rates.size(), 13u);
        for (const auto* list : {&f.block1Rates, &f.block2Rates})
            for (const auto& [rate, file] : *list)
            {
                EXPECT_NE(rate, 44100.0);
                ASSERT_EQ(file.positions.size(), 17u) << rate;
                for (const auto& p : file.positions)
                    EXPECT_TRUE(tableCoversEveryRate(p.table, 14)) << rate;
            }
        for (const auto& p : f.block4.positions)
            ASSERT_TRUE(tableCoversEveryRate(p.table, 8));
    }
}

TEST_F(ShippedData, EachTrainedBlockFollowsTheReferenceBlockFedTheSameInput)
{
    // Block-level ESR (each network block driven by the reference output of the block
    // before it), Gain 8, tone 1687, 44.1 kHz. Bounds: the measured values with a margin.
    const double bound[4] = {2e-3, 5e-3, 5e-3, 1e-4};
    for (ValveSet set : {ValveSet::fresh, ValveSet::aged})
    {
        const SetFiles& f = files(set);
        const Signal in = accuracySignal("pluck-6", 44100.0, 0.25);
        ReferenceChain ref;
        ChainSetting s;
        s.set = set;
        ref.configure(s);
        NetworkBlock<Block1Circuit> n1;
        NetworkBlock<Block2Circuit> n2;
        NetworkBlock<Block3Circuit> n3;
        NetworkBlock<Block4Circuit> n4;
        ASSERT_TRUE(n1.configure(f.block1, 8, 44100.0));
        ASSERT_TRUE(n2.configure(f.block2, 8, 44100.0));
        ASSERT_TRUE(n3.configure(*f.block3At(44100.0), 0, 44100.0));
        ASSERT_TRUE(n4.configure(f.block4, 1687, 44100.0));
        double num[4] = {0, 0, 0, 0}, den[4] = {0, 0, 0, 0};
        for (std::size_t n = 0; n < in.size(); ++n)
        {
            const double r1 = ref.b1.step(in[n]), r2 = ref.b2.step(r1), r3 = ref.b3.step(r2), r4 = ref.b4.step(r3);
            const double a[4] = {n1.step(in[n]), n2.step(r1), n3.step(r2), n4.step(r3)};
            const double r[4] = {r1, r2, r3, r4};
            if (n < 4410)
                continue;
            for (int b = 0; b < 4; ++b)
            {
                num[b] += (a[b] - r[b]) * (a[b] - r[b]);
                den[b] += r[b] * r[b];
            }
        }
        for (int b = 0; b < 4; ++b)
            EXPECT_LT(num[b] / den[b], bound[b]) << valveSetName(set) << " block " << b + 1;
    }
}

TEST_F(ShippedData, TrainedChainStaysCloseToTheReferenceChain)
{
    for (ValveSet set : {ValveSet::fresh, ValveSet::aged})
        for (double rate : {44100.0, 48000.0, 88200.0, 192000.0})
        {
            EsrCase c;
            c.set = set;
            c.rate = rate;
            c.gain = 8;
            c.tones = {1687, 0};
            c.signal = "pluck-6max";
            const EsrResult r = measureEsr(files(set), c, rate > 48000.0 ? 0.2 : 0.25);
            EXPECT_EQ(r.unconverged, 0) << valveSetName(set) << " " << rate;
            for (double e : r.esr)
                EXPECT_LT(e, kChainEsrBound) << valveSetName(set) << " " << rate;
        }
}

TEST_F(ShippedData, ValveSetsSoundMeasurablyDifferent)
{
    EsrCase c;
    c.gain = 8;
    c.tones = {1687};
    c.signal = "pluck-6";
    // The aged set's chain against the fresh set's reference: far from each other.
    SetFiles crossed = files(ValveSet::aged);
    crossed.set = ValveSet::aged;
    c.set = ValveSet::fresh; // reference with fresh valves, networks of the aged set
    EXPECT_GT(measureEsr(crossed, c, 0.25).esr[0], 1e-2);
}

TEST_F(ShippedData, EveryPositionStaysFiniteAndBoundedWithTenVoltInputs)
{
    for (ValveSet set : {ValveSet::fresh, ValveSet::aged})
    {
        const SetFiles& f = files(set);
        for (unsigned g = 0; g < 17; ++g)
        {
            NetworkBlock<Block1Circuit> b1;
            NetworkBlock<Block2Circuit> b2;
            NetworkBlock<Block3Circuit> b3;
            ASSERT_TRUE(b1.configure(f.block1, g, 44100.0));
            ASSERT_TRUE(b2.configure(f.block2, g, 44100.0));
            ASSERT_TRUE(b3.configure(*f.block3At(44100.0), 0, 44100.0));
            for (int n = 0; n < 3000; ++n)
            {
                const double x = 10.0 * std::sin(2.0 * M_PI * 220.0 * n / 44100.0) * (n % 1000 < 500 ? 1.0 : -1.0);
                const double y = b3.step(b2.step(b1.step(x)));
                ASSERT_TRUE(std::isfinite(y) && std::fabs(y) < 2000.0) << "gain " << g << " step " << n;
            }
        }
        for (const auto& [rate, file] : f.block3)
        {
            NetworkBlock<Block3Circuit> b3;
            ASSERT_TRUE(b3.configure(file, 0, rate));
            for (int n = 0; n < 2000; ++n)
            {
                const double y = b3.step(400.0 * std::sin(2.0 * M_PI * 300.0 * n / rate));
                ASSERT_TRUE(std::isfinite(y) && std::fabs(y) < 2000.0) << "rate " << rate;
            }
        }
        for (unsigned t = 0; t < 3375; ++t)
        {
            NetworkBlock<Block4Circuit> b4;
            ASSERT_TRUE(b4.configure(f.block4, t, 44100.0));
            for (int n = 0; n < 400; ++n)
            {
                const double y = b4.step(n % 100 < 50 ? 345.0 : -50.0);
                ASSERT_TRUE(std::isfinite(y) && std::fabs(y) < 2000.0) << "tone " << t;
            }
        }
    }
}

TEST_F(ShippedData, EveryFileDecodesAndEncodesBackToItsOwnBytes)
{
    // The builder's codec and the run-time's readers over every shipped file: nothing the reader
    // keeps is lost or reordered on the way back.
    int checked = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kDir))
    {
        const std::string name = entry.path().filename().string();
        const auto b = name.find("_b");
        if (name.rfind("ravlinpre_", 0) != 0 || b == std::string::npos || b + 2 >= name.size())
            continue;
        const int block = name[b + 2] - '0';
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        BlockFileData data;
        ASSERT_TRUE(decodeModelFile(bytes, block, data)) << name;
        EXPECT_TRUE(encodeModelFile(data) == bytes) << name;
        ++checked;
    }
    EXPECT_GE(checked, 8) << "every block of both valve sets";
}
