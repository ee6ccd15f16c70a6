// Replacement of the global allocation functions for the allocation test binary. Every request is
// forwarded to glibc's own allocator (__libc_malloc and friends) and counted when the calling
// thread has a CountingScope open. Thread-local counters: GoogleTest's own bookkeeping on other
// threads never disturbs a measurement.
#include "AllocationCounter.h"

#include <cerrno>
#include <cstdlib>
#include <new>

extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
void __libc_free(void*);
}

namespace ravlin::alloc {
namespace {

// Plain thread-local integers, constant-initialised: touching them allocates nothing.
thread_local int depth = 0;
thread_local std::size_t allocationCount = 0;
thread_local std::size_t deallocationCount = 0;

inline void noteAllocation() noexcept
{
    if (depth > 0)
        ++allocationCount;
}

inline void noteRelease(void* p) noexcept
{
    if (p != nullptr && depth > 0)
        ++deallocationCount;
}

void* allocateOrThrow(std::size_t size)
{
    noteAllocation();
    if (void* p = __libc_malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

void* allocateAlignedOrThrow(std::size_t size, std::size_t alignment)
{
    noteAllocation();
    if (void* p = __libc_memalign(alignment, size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

} // namespace

std::size_t allocations() noexcept { return allocationCount; }
std::size_t deallocations() noexcept { return deallocationCount; }

CountingScope::CountingScope() noexcept : allocationsAtStart(allocationCount), deallocationsAtStart(deallocationCount)
{
    ++depth;
}

CountingScope::~CountingScope() { --depth; }

std::size_t CountingScope::allocations() const noexcept { return allocationCount - allocationsAtStart; }
std::size_t CountingScope::deallocations() const noexcept { return deallocationCount - deallocationsAtStart; }

} // namespace ravlin::alloc

using ravlin::alloc::noteAllocation;
using ravlin::alloc::noteRelease;

// C allocation functions.
extern "C" {

void* malloc(std::size_t size)
{
    noteAllocation();
    return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size)
{
    noteAllocation();
    return __libc_calloc(count, size);
}

void* realloc(void* p, std::size_t size)
{
    noteAllocation();
    return __libc_realloc(p, size);
}

void free(void* p)
{
    noteRelease(p);
    __libc_free(p);
}

void* aligned_alloc(std::size_t alignment, std::size_t size)
{
    noteAllocation();
    return __libc_memalign(alignment, size);
}

void* memalign(std::size_t alignment, std::size_t size)
{
    noteAllocation();
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, std::size_t alignment, std::size_t size)
{
    noteAllocation();
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0)
        return EINVAL;
    void* p = __libc_memalign(alignment, size);
    if (p == nullptr)
        return ENOMEM;
    *out = p;
    return 0;
}

} // extern "C"

// C++ allocation functions.
void* operator new(std::size_t size) { return ravlin::alloc::allocateOrThrow(size); }
void* operator new[](std::size_t size) { return ravlin::alloc::allocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    noteAllocation();
    return __libc_malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    noteAllocation();
    return __libc_malloc(size == 0 ? 1 : size);
}
void* operator new(std::size_t size, std::align_val_t a)
{
    return ravlin::alloc::allocateAlignedOrThrow(size, static_cast<std::size_t>(a));
}
void* operator new[](std::size_t size, std::align_val_t a)
{
    return ravlin::alloc::allocateAlignedOrThrow(size, static_cast<std::size_t>(a));
}

void operator delete(void* p) noexcept
{
    noteRelease(p);
    __libc_free(p);
}
void operator delete[](void* p) noexcept
{
    noteRelease(p);
    __libc_free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    noteRelease(p);
    __libc_free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    noteRelease(p);
    __libc_free(p);
}
void operator delete(void* p, std::align_val_t) noexcept
{
    noteRelease(p);
    __libc_free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept
{
    noteRelease(p);
    __libc_free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept
{
    noteRelease(p);
    __libc_free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept
{
    noteRelease(p);
    __libc_free(p);
}
