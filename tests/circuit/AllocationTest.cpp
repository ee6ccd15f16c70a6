// computeCoefficients() and setPotPosition() must not allocate: they run when a
// control changes while audio may be running. Counts calls to global operator new.
#include <atomic>
#include <cstdlib>
#include <new>

#include <gtest/gtest.h>

#include "circuit/BlockModels.h"

namespace {
std::atomic<long> gNewCalls{0};
}

void* operator new(std::size_t n)
{
    ++gNewCalls;
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace ravlin {
namespace {

TEST(Allocation, RecomputingCoefficientsAllocatesNothing)
{
    Block1Circuit b1(44100.0);
    Block2Circuit b2(44100.0);
    Block3Circuit b3(44100.0);
    Block4Circuit b4(44100.0);
    const long before = gNewCalls.load();
    for (unsigned k = 0; k < 17; ++k)
    {
        b1.setPotPosition(k);
        b1.computeCoefficients();
        b2.setPotPosition(k);
        b2.computeCoefficients();
        b3.sampleRate = 48000.0 + k;
        b3.computeCoefficients();
        b4.setPotPosition(k * 199);
        b4.computeCoefficients();
    }
    EXPECT_EQ(gNewCalls.load() - before, 0);
    // The counter itself works.
    auto* probe = new int(3);
    EXPECT_EQ(gNewCalls.load() - before, 1);
    delete probe;
}

} // namespace
} // namespace ravlin
