#pragma once
// Running mean and mean square of block 4's port current i1 over the last 20480 steps (at the
// oversampled rate). The audio thread is the only writer; the editor's timer reads mean() and
// meanSquare() from the message thread. The sums are relaxed atomics, so those reads are race-free
// and at worst one step stale.
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>

#include "dsp/ForceInline.h"

namespace ravlin {

class RunningStatistics
{
public:
    static constexpr std::uint32_t length = 20480;
    static constexpr std::uint32_t lastIndex = length - 1;
    static constexpr double inverseLength = 1.0 / length;

    /// Allocates the zero-filled window; throws std::bad_alloc.
    RunningStatistics() : buffer(static_cast<double*>(::operator new(length * sizeof(double), std::align_val_t(16))))
    {
        std::memset(buffer, 0, length * sizeof(double));
        current = buffer + lastIndex;
        last = buffer + lastIndex;
    }
    RunningStatistics(const RunningStatistics&) = delete;
    RunningStatistics& operator=(const RunningStatistics&) = delete;
    ~RunningStatistics() { ::operator delete(buffer, std::align_val_t(16)); }

    /// Audio thread: the window advances by one element and takes v; the sums are updated
    /// incrementally for the whole life of the block.
    RAVLIN_FORCE_INLINE void update(double v) noexcept
    {
        if (!std::isfinite(v))
            v = 0.0; // one bad step must not poison the sums for the rest of the block's life
        current = (current == last) ? buffer : current + 1;
        const double old = *current;
        sum.store(sum.load(std::memory_order_relaxed) + (v - old), std::memory_order_relaxed);
        sumOfSquares.store(sumOfSquares.load(std::memory_order_relaxed) + (v * v - old * old),
                           std::memory_order_relaxed);
        *current = v;
    }

    /// Any thread.
    double mean() const noexcept { return inverseLength * sum.load(std::memory_order_relaxed); }
    double meanSquare() const noexcept { return inverseLength * sumOfSquares.load(std::memory_order_relaxed); }

    double* buffer;
    double* current;
    double* last;
    std::atomic<double> sum{0.0};
    std::atomic<double> sumOfSquares{0.0};
};

} // namespace ravlin
