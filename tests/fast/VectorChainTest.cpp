// The vector chain step against the scalar chain, bit for bit: every oversampling factor, one
// channel and two channels in lockstep, every instruction-set build this processor can run, over
// synthetic files shaped to reach every layout form (split and shared outputs, unused outputs,
// projections, block 3's region search with a gap between regions) and over the shipped model data
// (both valve sets, Gains 0, 8 and 16). Includes channels whose block 3 picks different networks and
// a non-finite input in one lane only.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "SyntheticModelFiles.h"
#include "fast/ChainKernels.h"
#include "fast/ChannelChain.h"
#include "plugin/SampleLoops.h"

using namespace ravlin;
using namespace ravlin::synthetic;

namespace {

constexpr unsigned factors[] = {1, 2, 4, 8, 16};

struct ChainFiles
{
    std::string path[4];
};

struct Setting
{
    unsigned gain = 8;
    unsigned tone = 1;
    double baseRate = 44100.0;
};

/// Loads, sets the rate and selects positions; false when a load fails.
bool configure(ChannelChain& chain, const ChainFiles& files, const Setting& s, unsigned factor)
{
    for (int b = 0; b < 4; ++b)
        if (!chain.loadModelFile(b + 1, files.path[b].c_str()))
            return false;
    chain.setSampleRate(s.baseRate * factor);
    chain.selectPosition(1, s.gain);
    chain.selectPosition(2, s.gain);
    chain.selectPosition(3, 0);
    chain.selectPosition(4, s.tone);
    return chain.active();
}

/// A plucked-string-like test signal: decaying partials, louder towards the end, with a different
/// pitch and phase per seed so two channels differ.
std::vector<double> testSignal(int n, double peak, int seed)
{
    std::vector<double> v(static_cast<std::size_t>(n));
    const double f = 0.011 + 0.003 * seed;
    for (int k = 0; k < n; ++k)
    {
        const double env = std::exp(-3.0 * (k % 700) / 700.0) * (0.3 + 0.7 * k / n);
        v[static_cast<std::size_t>(k)] =
            peak * env * (std::sin(f * k + seed) + 0.4 * std::sin(2.3 * f * k) + 0.2 * std::sin(5.1 * f * k + 1.0));
    }
    return v;
}

std::vector<double> scalarRun(ChannelChain& chain, const std::vector<double>& in, unsigned factor)
{
    std::vector<double> out(in.size());
    for (std::size_t k = 0; k < in.size(); ++k)
    {
        switch (factor)
        {
        case 1: out[k] = chain.scalarStep<1>(in[k]); break;
        case 2: out[k] = chain.scalarStep<2>(in[k]); break;
        case 4: out[k] = chain.scalarStep<4>(in[k]); break;
        case 8: out[k] = chain.scalarStep<8>(in[k]); break;
        default: out[k] = chain.scalarStep<16>(in[k]); break;
        }
    }
    return out;
}

/// Index of the first sample whose bits differ, or -1.
long firstDifference(const std::vector<double>& a, const std::vector<double>& b)
{
    if (a.size() != b.size())
        return 0;
    for (std::size_t k = 0; k < a.size(); ++k)
        if (std::memcmp(&a[k], &b[k], sizeof(double)) != 0)
            return static_cast<long>(k);
    return -1;
}

template <class Block>
bool sameState(const Block& a, const Block& b)
{
    return std::memcmp(a.x.data(), b.x.data(), sizeof(double) * a.x.size()) == 0
           && std::memcmp(a.i.data(), b.i.data(), sizeof(double) * a.i.size()) == 0
           && std::memcmp(a.p.data(), b.p.data(), sizeof(double) * a.p.size()) == 0;
}

bool sameChainState(const ChannelChain& a, const ChannelChain& b)
{
    return sameState(a.block1(), b.block1()) && sameState(a.block2(), b.block2()) && sameState(a.block3(), b.block3())
           && sameState(a.block4(), b.block4())
           && a.block4().runningStatistics.mean() == b.block4().runningStatistics.mean();
}

std::vector<const ChainKernels*> kernelBuilds()
{
    std::vector<const ChainKernels*> builds{&baselineChainKernels()};
    if (avx2ChainKernels() != nullptr)
        builds.push_back(avx2ChainKernels());
    return builds;
}

/// Steps in which the two chains' block 3 evaluated different networks (scalar chains).
struct RegionCount
{
    long differing = 0;
};

/// Runs the scalar chains and every vector build on the same inputs and compares every sample and
/// the final states. Left and right may differ in setting and signal.
void expectIdentical(const ChainFiles& files, const Setting& left, const Setting& right, const std::vector<double>& inL,
                     const std::vector<double>& inR, unsigned factor, RegionCount* regions = nullptr)
{
    SCOPED_TRACE("factor " + std::to_string(factor) + ", Gains " + std::to_string(left.gain) + "/"
                 + std::to_string(right.gain));
    auto refL = std::make_unique<ChannelChain>();
    auto refR = std::make_unique<ChannelChain>();
    ASSERT_TRUE(configure(*refL, files, left, factor));
    ASSERT_TRUE(configure(*refR, files, right, factor));
    std::vector<double> wantL(inL.size()), wantR(inR.size());
    for (std::size_t k = 0; k < inL.size(); ++k)
    {
        wantL[k] = scalarRun(*refL, {inL[k]}, factor)[0];
        wantR[k] = scalarRun(*refR, {inR[k]}, factor)[0];
        if (regions != nullptr
            && refL->block3().lastNetwork - refL->block3().positionNetworks
                   != refR->block3().lastNetwork - refR->block3().positionNetworks)
            ++regions->differing;
    }
    const int slot = factorSlot(factor);
    const int n = static_cast<int>(inL.size());
    for (const ChainKernels* build : kernelBuilds())
    {
        SCOPED_TRACE(build->name);
        auto monoL = std::make_unique<ChannelChain>();
        ASSERT_TRUE(configure(*monoL, files, left, factor));
        std::vector<double> got(inL.size());
        build->monoDouble[slot](monoL->kernelView(), inL.data(), got.data(), n);
        EXPECT_EQ(firstDifference(got, wantL), -1) << "mono";
        EXPECT_TRUE(sameChainState(*monoL, *refL)) << "mono state";

        auto kl = std::make_unique<ChannelChain>();
        auto kr = std::make_unique<ChannelChain>();
        ASSERT_TRUE(configure(*kl, files, left, factor));
        ASSERT_TRUE(configure(*kr, files, right, factor));
        std::vector<double> gotL(inL.size()), gotR(inR.size());
        // Two runs, so the second starts from state the first left on the chains.
        const int half = n / 2;
        build->stereoDouble[slot](kl->kernelView(), kr->kernelView(), inL.data(), inR.data(), gotL.data(), gotR.data(),
                                  half);
        build->stereoDouble[slot](kl->kernelView(), kr->kernelView(), inL.data() + half, inR.data() + half,
                                  gotL.data() + half, gotR.data() + half, n - half);
        EXPECT_EQ(firstDifference(gotL, wantL), -1) << "stereo left";
        EXPECT_EQ(firstDifference(gotR, wantR), -1) << "stereo right";
        EXPECT_TRUE(sameChainState(*kl, *refL)) << "stereo left state";
        EXPECT_TRUE(sameChainState(*kr, *refR)) << "stereo right state";
    }
}

//==================================================================================================
// Synthetic files reaching every layout form.

/// Block 2 with hidden units fitted per output (disjoint runs of 3, 3, 4 and 2 units), a random
/// projection of three enabled features.
std::string splitBlock2(const std::string& tag)
{
    PcaShape shape;
    shape.networksPerPosition.assign(17, 1);
    shape.hidden = 12;
    shape.inputFlags = {1, 0, 1, 1};
    shape.networkInputs = 3;
    shape.identityProjection = false;
    shape.rates = {44100.0, 88200.0, 176400.0, 352800.0, 705600.0};
    shape.seed = 7;
    PCAModelFileF f = makePca(shape);
    const int runs[4][2] = {{0, 3}, {3, 6}, {6, 10}, {10, 12}};
    for (auto& pos : f.sets[0].positions)
        for (auto& net : pos.networks)
        {
            const std::size_t outputStart = (3 + 1) * std::size_t(shape.hidden);
            for (int o = 0; o < 4; ++o)
                for (int h = 0; h < 12; ++h)
                    if (h < runs[o][0] || h >= runs[o][1])
                        net.weights[outputStart + std::size_t(o) * (12 + 1) + std::size_t(h)] = 0.0f;
        }
    return writeTempFile(f.encode(), tag + "_b2.pca");
}

/// Block 1 with one unused output slot and a hidden count that is no multiple of the vector width.
std::string sharedBlock1(const std::string& tag)
{
    PcaShape shape;
    shape.networksPerPosition.assign(17, 1);
    shape.hidden = 6;
    shape.inputFlags = {1, 1, 1, 0};
    shape.networkInputs = 3;
    shape.outputFlags = {1, 1, 1, 0};
    shape.rates = {44100.0, 88200.0, 176400.0, 352800.0, 705600.0};
    return writeTempFile(makePca(shape).encode(), tag + "_b1.pca");
}

/// Block 3 with three networks split along z0 at the given edges, a gap between the second and the
/// third (where the last match is evaluated again).
std::string regionBlock3(const std::string& tag, float edge1, float edge2, float gapEnd)
{
    PcaShape shape;
    shape.networksPerPosition = {3};
    shape.entryLength = 11;
    shape.hidden = 9;
    shape.inputFlags = {1, 1, 0, 0};
    shape.networkInputs = 2;
    shape.outputFlags = {1, 1, 1, 0};
    shape.rates = {44100.0, 88200.0, 176400.0, 352800.0, 705600.0};
    shape.seed = 11;
    PCAModelFileF f = makePca(shape);
    auto& nets = f.sets[0].positions[0].networks;
    nets[0].regionHigh[0] = edge1;
    nets[1].regionLow[0] = edge1;
    nets[1].regionHigh[0] = edge2;
    nets[2].regionLow[0] = gapEnd;
    return writeTempFile(f.encode(), tag + "_b3.pca");
}

std::string toneBlock4(const std::string& tag)
{
    StdShape shape;
    shape.positions = 4;
    shape.hidden = 7;
    shape.rates = {44100.0, 88200.0, 176400.0, 352800.0, 705600.0};
    return writeTempFile(makeStd(shape).encode(), tag + "_b4.std");
}

/// The z0 values block 3 sees over a signal (scalar chain).
std::vector<double> block3Inputs(const ChainFiles& files, const std::vector<double>& in)
{
    auto chain = std::make_unique<ChannelChain>();
    Setting s;
    if (!configure(*chain, files, s, 1))
        return {};
    std::vector<double> z;
    for (double x : in)
    {
        chain->processSample(x);
        z.push_back(chain->block3().networkInput[0]);
    }
    std::sort(z.begin(), z.end());
    return z;
}

ChainFiles syntheticFiles(const std::vector<double>& probe)
{
    ChainFiles files{
        {sharedBlock1("vec"), splitBlock2("vec"), regionBlock3("vec_wide", 1e6f, 2e6f, 3e6f), toneBlock4("vec")}};
    // Region edges at the terciles of what block 3 sees, with a gap around the upper one.
    const std::vector<double> z = block3Inputs(files, probe);
    if (z.empty())
        return files;
    const auto at = [&](double q) { return static_cast<float>(z[static_cast<std::size_t>(q * (z.size() - 1))]); };
    files.path[2] = regionBlock3("vec", at(0.33), at(0.6), at(0.7));
    return files;
}

TEST(VectorChain, SyntheticLayoutsEveryFactorMonoAndLockstep)
{
    const std::vector<double> probe = testSignal(3000, 1.5, 0);
    const ChainFiles files = syntheticFiles(probe);
    for (unsigned factor : factors)
    {
        const int n = factor >= 8 ? 700 : 2500;
        RegionCount regions;
        Setting left, right;
        right.gain = 3; // other networks in blocks 1 and 2, other tone in block 4
        right.tone = 2;
        expectIdentical(files, left, right, testSignal(n, 1.5, 0), testSignal(n, 0.9, 3), factor, &regions);
        if (factor == 1)
        {
            EXPECT_GT(regions.differing, 0) << "the lanes never chose different block-3 networks";
        }
        // Same setting in both lanes: shared networks, block 3 still choosing per lane.
        expectIdentical(files, left, left, testSignal(n, 1.5, 0), testSignal(n, 1.2, 5), factor);
    }
}

TEST(VectorChain, NonFiniteInputRecoversPerLaneAsTheScalarChain)
{
    const ChainFiles files = syntheticFiles(testSignal(3000, 1.5, 0));
    for (unsigned factor : {1u, 4u})
    {
        std::vector<double> left = testSignal(600, 1.0, 1), right = testSignal(600, 1.0, 2);
        right[100] = std::numeric_limits<double>::infinity();
        right[101] = std::numeric_limits<double>::quiet_NaN();
        right[300] = 1e300;
        left[598] = -std::numeric_limits<double>::infinity(); // inside the last steps of the stream
        Setting s;
        expectIdentical(files, s, s, left, right, factor);
    }
}

TEST(VectorChain, FloatLoopsApplyGainsAsTheScalarLoop)
{
    const ChainFiles files = syntheticFiles(testSignal(3000, 1.5, 0));
    for (unsigned factor : factors)
    {
        SCOPED_TRACE(factor);
        Setting s;
        auto ref = std::make_unique<ChannelChain>();
        auto mono = std::make_unique<ChannelChain>();
        auto l = std::make_unique<ChannelChain>();
        auto r = std::make_unique<ChannelChain>();
        ASSERT_TRUE(configure(*ref, files, s, factor) && configure(*mono, files, s, factor)
                    && configure(*l, files, s, factor) && configure(*r, files, s, factor));
        const std::vector<double> signal = testSignal(400, 0.8, 4);
        std::vector<float> want(signal.size()), got(signal.size()), gotL(signal.size()), gotR(signal.size());
        const double gi = 1.7, go = 0.45;
        for (std::size_t k = 0; k < signal.size(); ++k)
        {
            got[k] = gotL[k] = gotR[k] = static_cast<float>(signal[k]);
            want[k] = static_cast<float>(
                scalarRun(*ref, {static_cast<double>(static_cast<float>(signal[k])) * gi}, factor)[0] * go);
        }
        const int n = static_cast<int>(signal.size());
        switch (factor)
        {
        case 1:
            mono->processBlock<1>(got.data(), n, gi, go);
            ChannelChain::processBlockPair<1>(*l, *r, gotL.data(), gotR.data(), n, gi, go);
            break;
        case 2:
            mono->processBlock<2>(got.data(), n, gi, go);
            ChannelChain::processBlockPair<2>(*l, *r, gotL.data(), gotR.data(), n, gi, go);
            break;
        case 4:
            mono->processBlock<4>(got.data(), n, gi, go);
            ChannelChain::processBlockPair<4>(*l, *r, gotL.data(), gotR.data(), n, gi, go);
            break;
        case 8:
            mono->processBlock<8>(got.data(), n, gi, go);
            ChannelChain::processBlockPair<8>(*l, *r, gotL.data(), gotR.data(), n, gi, go);
            break;
        default:
            mono->processBlock<16>(got.data(), n, gi, go);
            ChannelChain::processBlockPair<16>(*l, *r, gotL.data(), gotR.data(), n, gi, go);
            break;
        }
        EXPECT_EQ(std::memcmp(got.data(), want.data(), want.size() * sizeof(float)), 0);
        EXPECT_EQ(std::memcmp(gotL.data(), want.data(), want.size() * sizeof(float)), 0);
        EXPECT_EQ(std::memcmp(gotR.data(), want.data(), want.size() * sizeof(float)), 0);
    }
}

/// The plug-in's ten sample loops on the real chain against the scalar loop of the same chain.
TEST(VectorChain, EverySampleLoopMatchesTheScalarLoop)
{
    const ChainFiles files = syntheticFiles(testSignal(3000, 1.5, 0));
    plugin::LoopGains gains;
    gains.input.store(2.5);
    gains.output.store(0.3);
    for (unsigned factor : factors)
        for (bool stereo : {false, true})
        {
            SCOPED_TRACE(std::string(stereo ? "processStereoX" : "processMonoX") + std::to_string(factor));
            Setting s, other;
            other.gain = 14;
            auto refL = std::make_unique<ChannelChain>(), refR = std::make_unique<ChannelChain>();
            auto l = std::make_unique<ChannelChain>(), r = std::make_unique<ChannelChain>();
            ASSERT_TRUE(configure(*refL, files, s, factor) && configure(*refR, files, other, factor)
                        && configure(*l, files, s, factor) && configure(*r, files, other, factor));
            const int n = 300;
            const std::vector<double> a = testSignal(n, 0.6, 1), b = testSignal(n, 0.4, 2);
            std::vector<float> c0(n), c1(n), want0(n), want1(n);
            for (int k = 0; k < n; ++k)
            {
                c0[k] = static_cast<float>(a[k]);
                c1[k] = static_cast<float>(b[k]);
                want0[k] = static_cast<float>(scalarRun(*refL, {static_cast<double>(c0[k]) * 2.5}, factor)[0] * 0.3);
                want1[k] =
                    stereo ? static_cast<float>(scalarRun(*refR, {static_cast<double>(c1[k]) * 2.5}, factor)[0] * 0.3)
                           : want0[k];
            }
            float* channels[2] = {c0.data(), c1.data()};
            // Two host blocks of different sizes.
            for (int part = 0; part < 2; ++part)
            {
                const int first = part == 0 ? 0 : 117, count = part == 0 ? 117 : n - 117;
                float* at[2] = {channels[0] + first, channels[1] + first};
                switch (factor)
                {
                case 1:
                    stereo ? plugin::processStereo<1>(*l, *r, at, 2, 2, count, gains)
                           : plugin::processMono<1>(*l, at, 2, 2, count, gains);
                    break;
                case 2:
                    stereo ? plugin::processStereo<2>(*l, *r, at, 2, 2, count, gains)
                           : plugin::processMono<2>(*l, at, 2, 2, count, gains);
                    break;
                case 4:
                    stereo ? plugin::processStereo<4>(*l, *r, at, 2, 2, count, gains)
                           : plugin::processMono<4>(*l, at, 2, 2, count, gains);
                    break;
                case 8:
                    stereo ? plugin::processStereo<8>(*l, *r, at, 2, 2, count, gains)
                           : plugin::processMono<8>(*l, at, 2, 2, count, gains);
                    break;
                default:
                    stereo ? plugin::processStereo<16>(*l, *r, at, 2, 2, count, gains)
                           : plugin::processMono<16>(*l, at, 2, 2, count, gains);
                    break;
                }
            }
            EXPECT_EQ(std::memcmp(c0.data(), want0.data(), sizeof(float) * n), 0);
            EXPECT_EQ(std::memcmp(c1.data(), want1.data(), sizeof(float) * n), 0);
        }
}

TEST(VectorChain, InactiveChainIsSilentThroughTheFilters)
{
    auto ref = std::make_unique<ChannelChain>();
    auto chain = std::make_unique<ChannelChain>();
    std::vector<float> samples(64, 0.5f);
    chain->processBlock<4>(samples.data(), 64, 1.0, 1.0);
    for (float v : samples)
        EXPECT_EQ(v, 0.0f);
}

TEST(VectorChain, ReselectionRefreshesWhatTheVectorStepReads)
{
    const ChainFiles files = syntheticFiles(testSignal(3000, 1.5, 0));
    Setting s;
    auto ref = std::make_unique<ChannelChain>();
    auto vec = std::make_unique<ChannelChain>();
    ASSERT_TRUE(configure(*ref, files, s, 1) && configure(*vec, files, s, 1));
    const std::vector<double> in = testSignal(300, 1.0, 6);
    std::vector<double> got(in.size());
    chainKernels().monoDouble[0](vec->kernelView(), in.data(), got.data(), 150);
    for (std::size_t k = 0; k < 150; ++k)
        ref->processSample(in[k]);
    // A Gain change straight on the blocks, not through the chain: the view must follow it.
    ref->block1().selectPosition(12);
    ref->block2().selectPosition(12);
    vec->block1().selectPosition(12);
    vec->block2().selectPosition(12);
    std::vector<double> want;
    for (std::size_t k = 150; k < in.size(); ++k)
        want.push_back(ref->processSample(in[k]));
    chainKernels().monoDouble[0](vec->kernelView(), in.data() + 150, got.data() + 150, 150);
    EXPECT_EQ(firstDifference(std::vector<double>(got.begin() + 150, got.end()), want), -1);
}

//==================================================================================================
// Shipped model data.

const std::filesystem::path modelDir = RAVLIN_TEST_MODEL_DIR;

/// The set's file of block b at the effective rate: "<plain>.<rate>" where it exists, else the
/// plain name.
std::string shippedPath(int block, int valveSet, long rate)
{
    const std::string plain = std::string("ravlinpre_") + (valveSet == 0 ? "eh" : "rsd") + "_b" + std::to_string(block)
                              + (block == 4 ? "_std.dat" : "_pca.dat");
    const std::filesystem::path perRate = modelDir / (plain + "." + std::to_string(rate));
    return std::filesystem::exists(perRate) ? perRate.string() : (modelDir / plain).string();
}

TEST(VectorChain, ShippedDataBothValveSetsGainsEveryFactor)
{
    if (!std::filesystem::exists(modelDir / "ravlinpre_eh_b1_pca.dat"))
        GTEST_FAIL() << "no model data in " << modelDir << " (the folder models/ comes with the source)";
    long differing = 0;
    for (int set : {0, 1})
        for (unsigned factor : factors)
        {
            const long rate = 48000L * factor;
            ChainFiles files;
            for (int b = 1; b <= 4; ++b)
                files.path[b - 1] = shippedPath(b, set, rate);
            if (!std::filesystem::exists(files.path[2]))
            {
                ADD_FAILURE() << "no block-3 file for " << rate << " Hz: " << files.path[2];
                continue;
            }
            SCOPED_TRACE(std::string("valve set ") + (set == 0 ? "eh" : "rsd"));
            const int n = factor >= 8 ? 500 : 3000;
            for (unsigned gain : {0u, 8u, 16u})
            {
                Setting left, right;
                left.baseRate = right.baseRate = 48000.0;
                left.gain = gain;
                left.tone = 1687;
                right.gain = gain == 16 ? 4 : 16 - gain; // the other lane at another Gain and tone
                right.tone = 2021;
                RegionCount regions;
                expectIdentical(files, left, right, testSignal(n, 2.0, 0), testSignal(n, 0.5, 7), factor, &regions);
                differing += regions.differing;
            }
        }
    EXPECT_GT(differing, 0) << "block 3 never chose different networks in the two lanes";
}

} // namespace
