// A configured channel chain allocates nothing on the audio thread: 10 000 calls of processSample
// and of each processOversampled<L>, and the vector block loops (one channel, two in lockstep, every
// factor, every instruction-set build), with synthetic but valid model files loaded in all four
// blocks and a position selected in each.
#include "AllocationCounter.h"

#include "ChainTestSupport.h"
#include "dsp/Oversampling.h"
#include "fast/ChainKernels.h"

#include <cmath>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

namespace {

constexpr int callsPerCase = 10000;

struct Drive
{
    // Guitar-like level at the chain input: a 220 Hz tone at 44.1 kHz, 0.2 V peak.
    static double input(int n) noexcept { return 0.2 * std::sin(2.0 * 3.14159265358979 * 220.0 * n / 44100.0); }
};

class ChainAllocation : public ::testing::Test
{
protected:
    void SetUp() override
    {
        chain = std::make_unique<ravlin::ChannelChain>();
        ASSERT_TRUE(ravlin::synthetic::loadSyntheticChain(*chain, 8, "alloc"));
        ASSERT_TRUE(chain->active());
    }

    template <class Call>
    void expectNoAllocation(const char* what, Call&& call)
    {
        SCOPED_TRACE(what);
        double sum = 0.0;
        ravlin::alloc::CountingScope scope;
        for (int n = 0; n < callsPerCase; ++n)
            sum += std::fabs(call(Drive::input(n)));
        const std::size_t allocations = scope.allocations();
        const std::size_t releases = scope.deallocations();
        EXPECT_EQ(allocations, 0u);
        EXPECT_EQ(releases, 0u);
        // The chain really ran: a configured chain is not silent for a 0.2 V tone.
        EXPECT_TRUE(std::isfinite(sum));
        EXPECT_GT(sum, 0.0);
    }

    std::unique_ptr<ravlin::ChannelChain> chain;
};

TEST_F(ChainAllocation, ProcessSample)
{
    expectNoAllocation("x1", [this](double x) noexcept { return chain->processSample(x); });
}

TEST_F(ChainAllocation, ProcessOversampledEveryFactor)
{
    chain->setSampleRate(88200.0);
    expectNoAllocation("x2", [this](double x) noexcept { return chain->processOversampled<2>(x); });
    expectNoAllocation("x4", [this](double x) noexcept { return chain->processOversampled<4>(x); });
    expectNoAllocation("x8", [this](double x) noexcept { return chain->processOversampled<8>(x); });
    expectNoAllocation("x16", [this](double x) noexcept { return chain->processOversampled<16>(x); });
}

TEST_F(ChainAllocation, OversampledHelperAroundTheChainStep)
{
    ravlin::Upsampler up(16);
    ravlin::Downsampler down(16);
    expectNoAllocation("helper x16", [&](double x) noexcept {
        return ravlin::processOversampled<16>(up, down, x,
                                              [this](double u) noexcept { return chain->processSample(u); });
    });
}

} // namespace

namespace {

/// Runs `blocks` host blocks of 256 samples through `run` and checks that nothing was allocated
/// or freed and that the chains were not silent.
template <class Run>
void expectBlocksAllocateNothing(const char* what, Run&& run)
{
    SCOPED_TRACE(what);
    std::vector<float> left(256), right(256);
    double sum = 0.0;
    std::size_t allocations = 0, releases = 0;
    for (int block = 0; block < 8; ++block)
    {
        for (int n = 0; n < 256; ++n)
            left[static_cast<std::size_t>(n)] = right[static_cast<std::size_t>(n)] =
                static_cast<float>(Drive::input(block * 256 + n));
        {
            ravlin::alloc::CountingScope scope;
            run(left.data(), right.data(), 256);
            allocations += scope.allocations();
            releases += scope.deallocations();
        }
        for (int n = 0; n < 256; ++n)
            sum += std::fabs(left[static_cast<std::size_t>(n)]) + std::fabs(right[static_cast<std::size_t>(n)]);
    }
    EXPECT_EQ(allocations, 0u);
    EXPECT_EQ(releases, 0u);
    EXPECT_TRUE(std::isfinite(sum));
    EXPECT_GT(sum, 0.0);
}

template <unsigned L>
void vectorLoopsAllocateNothing()
{
    auto left = std::make_unique<ravlin::ChannelChain>();
    auto right = std::make_unique<ravlin::ChannelChain>();
    ASSERT_TRUE(ravlin::synthetic::loadSyntheticChain(*left, 8, "alloc_vl"));
    ASSERT_TRUE(ravlin::synthetic::loadSyntheticChain(*right, 8, "alloc_vr"));
    right->selectPosition(1, 3); // other networks in the right lane
    left->setSampleRate(44100.0 * L);
    right->setSampleRate(44100.0 * L);
    const std::string factor = std::to_string(L);
    expectBlocksAllocateNothing(("processBlock x" + factor).c_str(),
                                [&](float* l, float*, int n) { left->processBlock<L>(l, n, 1.0, 1.0); });
    expectBlocksAllocateNothing(("processBlockPair x" + factor).c_str(), [&](float* l, float* r, int n) {
        ravlin::ChannelChain::processBlockPair<L>(*left, *right, l, r, n, 1.0, 1.0);
    });
    std::vector<const ravlin::ChainKernels*> builds{&ravlin::baselineChainKernels()};
    if (ravlin::avx2ChainKernels() != nullptr)
        builds.push_back(ravlin::avx2ChainKernels());
    for (const ravlin::ChainKernels* build : builds)
    {
        expectBlocksAllocateNothing(build->name, [&](float* l, float* r, int n) {
            build->mono[ravlin::factorSlot(L)](left->kernelView(), l, n, 1.0, 1.0);
            build->stereo[ravlin::factorSlot(L)](left->kernelView(), right->kernelView(), l, r, n, 1.0, 1.0);
        });
    }
}

TEST(VectorChainAllocation, BlockLoopsEveryFactorAndBuild)
{
    vectorLoopsAllocateNothing<1>();
    vectorLoopsAllocateNothing<2>();
    vectorLoopsAllocateNothing<4>();
    vectorLoopsAllocateNothing<8>();
    vectorLoopsAllocateNothing<16>();
}

} // namespace
