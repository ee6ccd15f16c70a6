// The oversampled path allocates nothing per base-rate sample, for every factor.
#include "AllocationCounter.h"

#include "dsp/Oversampling.h"

#include <cmath>

#include <gtest/gtest.h>

namespace {

constexpr int callsPerCase = 10000;

template <unsigned L>
void expectNoAllocation()
{
    SCOPED_TRACE(L);
    ravlin::Upsampler up(L);
    ravlin::Downsampler down(L);
    // A step with some state, standing in for a chain step that is not an identity.
    double state = 0.0;
    const auto step = [&state](double u) noexcept {
        state = 0.9 * state + 0.1 * std::tanh(3.0 * u);
        return state;
    };
    double sum = 0.0;
    ravlin::alloc::CountingScope scope;
    for (int n = 0; n < callsPerCase; ++n)
        sum += ravlin::processOversampled<L>(up, down, 0.5 * std::sin(0.01 * n), step);
    EXPECT_EQ(scope.allocations(), 0u);
    EXPECT_EQ(scope.deallocations(), 0u);
    EXPECT_TRUE(std::isfinite(sum));
    EXPECT_NE(sum, 0.0);
}

TEST(RealTimeAllocation, OversampledFilterPairs)
{
    expectNoAllocation<2>();
    expectNoAllocation<4>();
    expectNoAllocation<8>();
    expectNoAllocation<16>();
}

} // namespace
