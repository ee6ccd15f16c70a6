// A configured channel chain allocates nothing on the audio thread: 10 000 calls of processSample
// and of each processOversampled<L>, with synthetic but valid model files loaded in all four blocks
// and a position selected in each.
#include "AllocationCounter.h"

#include "ChainTestSupport.h"
#include "dsp/Oversampling.h"

#include <cmath>
#include <memory>

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
        return ravlin::processOversampled<16>(up, down, x, [this](double u) noexcept { return chain->processSample(u); });
    });
}

} // namespace
