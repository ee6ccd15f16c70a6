// The sample loops' arithmetic and channel rules, over chains that show which step ran.
#include "plugin/SampleLoops.h"

#include <gtest/gtest.h>

#include <vector>

using namespace ravlin::plugin;

namespace {
/** Adds `offset` to every sample and counts chain steps per factor. */
struct OffsetChain
{
    double offset = 0.0;
    int steps = 0;
    unsigned lastFactor = 0;
    double processSample(double x) noexcept
    {
        ++steps;
        lastFactor = 1;
        return x + offset;
    }
    template <unsigned L>
    double processOversampled(double x) noexcept
    {
        steps += static_cast<int>(L);
        lastFactor = L;
        return x + offset;
    }
};

struct Buffer
{
    std::vector<std::vector<float>> data;
    std::vector<float*> pointers;
    Buffer(int channels, int n)
    {
        data.assign(static_cast<std::size_t>(channels), std::vector<float>(static_cast<std::size_t>(n)));
        for (int c = 0; c < channels; ++c)
            for (int i = 0; i < n; ++i)
                data[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)] =
                    0.001f * static_cast<float>(i + 1) - 0.3f * static_cast<float>(c) + 1.0f / 3.0f;
        for (auto& d : data)
            pointers.push_back(d.data());
    }
    float* const* channels() { return pointers.data(); }
};
} // namespace

TEST(SampleLoops, IdentityChainAtUnitGainsIsBitExact)
{
    LoopGains unit;
    OffsetChain l, r;
    Buffer b(2, 64);
    const auto before = b.data;
    processStereo<1>(l, r, b.channels(), 2, 2, 64, unit);
    EXPECT_EQ(b.data, before);
    processMono<1>(l, b.channels(), 1, 1, 64, unit);
    EXPECT_EQ(b.data, before);
}

TEST(SampleLoops, GainsApplyInDoubleAroundTheChain)
{
    LoopGains g;
    g.input = 1.5;
    g.output = 0.25;
    OffsetChain l;
    l.offset = 0.1;
    Buffer b(1, 8);
    const auto before = b.data;
    processMono<4>(l, b.channels(), 1, 1, 8, g);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(b.data[0][static_cast<std::size_t>(i)],
                  static_cast<float>((static_cast<double>(before[0][static_cast<std::size_t>(i)]) * 1.5 + 0.1) * 0.25));
    EXPECT_EQ(l.lastFactor, 4u);
    EXPECT_EQ(l.steps, 32);
}

TEST(SampleLoops, MonoCopiesChannelZeroOverChannelOneOnlyWithTwoInputs)
{
    LoopGains unit;
    OffsetChain l;
    l.offset = 0.5;
    Buffer b(2, 16);
    processMono<2>(l, b.channels(), 2, 2, 16, unit);
    EXPECT_EQ(b.data[1], b.data[0]);
    EXPECT_EQ(l.steps, 32);

    Buffer one(2, 16);
    const auto before = one.data;
    processMono<1>(l, one.channels(), 2, 1, 16, unit);
    EXPECT_EQ(one.data[1], before[1]) << "with one input the second channel is left for the clearing";
    EXPECT_NE(one.data[0], before[0]);
}

TEST(SampleLoops, StereoRunsBothChainsIndependently)
{
    LoopGains unit;
    OffsetChain l, r;
    l.offset = 1.0;
    r.offset = -2.0;
    Buffer b(2, 10);
    const auto before = b.data;
    processStereo<16>(l, r, b.channels(), 2, 2, 10, unit);
    for (std::size_t i = 0; i < 10; ++i)
    {
        EXPECT_EQ(b.data[0][i], static_cast<float>(static_cast<double>(before[0][i]) + 1.0));
        EXPECT_EQ(b.data[1][i], static_cast<float>(static_cast<double>(before[1][i]) - 2.0));
    }
    EXPECT_EQ(l.steps, 160);
    EXPECT_EQ(r.steps, 160);
    EXPECT_EQ(r.lastFactor, 16u);
}

TEST(SampleLoops, StereoLoopOnAOneChannelBufferTouchesOnlyThatChannel)
{
    LoopGains unit;
    OffsetChain l, r;
    l.offset = 1.0;
    std::vector<float> only(12, 0.25f);
    float* channels[1] = {only.data()};
    // The processor still believes in two inputs, the buffer has one channel.
    processStereo<8>(l, r, channels, 1, 2, 12, unit);
    for (float v : only)
        EXPECT_EQ(v, 1.25f);
    EXPECT_EQ(r.steps, 0);
}

TEST(SampleLoops, ZeroSampleBlockChangesNothing)
{
    LoopGains unit;
    OffsetChain l, r;
    Buffer b(2, 4);
    const auto before = b.data;
    processMono<1>(l, b.channels(), 2, 2, 0, unit);
    processMono<16>(l, b.channels(), 2, 2, 0, unit);
    processStereo<2>(l, r, b.channels(), 2, 2, 0, unit);
    EXPECT_EQ(b.data, before);
    EXPECT_EQ(l.steps + r.steps, 0);
}
