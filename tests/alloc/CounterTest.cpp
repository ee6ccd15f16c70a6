// The counter itself: a zero from the real-time tests means something only if real allocations
// of every kind are seen.
#include "AllocationCounter.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// Keeps the compiler from eliding an allocation whose result is never used.
void* volatile sink = nullptr;

TEST(AllocationCounter, SeesEveryKindOfHeapRequest)
{
    ravlin::alloc::CountingScope scope;
    {
        std::vector<double> v(1000, 1.0);
        sink = v.data();
    }
    EXPECT_EQ(scope.allocations(), 1u);
    EXPECT_EQ(scope.deallocations(), 1u);

    void* p = std::malloc(64);
    sink = p;
    p = std::realloc(p, 4096);
    sink = p;
    std::free(p);
    void* c = std::calloc(8, 8);
    sink = c;
    std::free(c);
    void* a = nullptr;
    ASSERT_EQ(posix_memalign(&a, 64, 256), 0);
    sink = a;
    std::free(a);
    EXPECT_EQ(scope.allocations(), 5u);
    EXPECT_EQ(scope.deallocations(), 4u);

    struct alignas(64) Wide
    {
        double v[8];
    };
    auto wide = std::make_unique<Wide>();
    sink = wide.get();
    wide.reset();
    auto text = std::make_unique<std::string>(200, 'x');
    sink = text.get();
    text.reset();
    EXPECT_EQ(scope.allocations(), 8u);
    EXPECT_EQ(scope.deallocations(), 7u);
}

TEST(AllocationCounter, CountsOnlyInsideAScope)
{
    const std::size_t before = ravlin::alloc::allocations();
    {
        auto unseen = std::make_unique<double[]>(100);
        sink = unseen.get();
    }
    EXPECT_EQ(ravlin::alloc::allocations(), before);
}

} // namespace
