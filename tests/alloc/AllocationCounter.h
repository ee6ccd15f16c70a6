#pragma once
// Counts heap allocations made by the current thread while a scope is open. The test binary that
// links AllocationCounter.cpp replaces the global operator new/delete and malloc/calloc/realloc/
// free/aligned allocations, so every heap request of the code under test passes through the counter.
#include <cstddef>

namespace ravlin::alloc {

/// Heap requests (new, malloc, calloc, realloc, aligned forms) seen on this thread while counting.
std::size_t allocations() noexcept;
/// Releases (delete, free) seen on this thread while counting.
std::size_t deallocations() noexcept;

/// Counts this thread's allocations from construction to destruction; nested scopes are allowed.
class CountingScope
{
public:
    CountingScope() noexcept;
    ~CountingScope();
    CountingScope(const CountingScope&) = delete;
    CountingScope& operator=(const CountingScope&) = delete;

    /// Allocations and releases since this scope opened.
    std::size_t allocations() const noexcept;
    std::size_t deallocations() const noexcept;

private:
    std::size_t allocationsAtStart;
    std::size_t deallocationsAtStart;
};

} // namespace ravlin::alloc
