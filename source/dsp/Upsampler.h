#pragma once
// Polyphase interpolator for one oversampling factor L: one base-rate sample in through push(),
// L oversampled samples out through L calls of next(). Audio thread only after construction.
#include <cstdint>

#include <Eigen/Core>

#include "dsp/FilterDots.h"

namespace ravlin {

class Upsampler
{
public:
    using Matrix = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;

    /// Taps per phase, and length of the base-rate history ring.
    static constexpr unsigned historyLength = 16;

    /// Builds the factor-L interpolator (L = 2, 4, 8 or 16) from that factor's prototype scaled by L.
    /// Allocates the 16·L × 16 coefficient matrix; throws std::invalid_argument for another L and
    /// std::bad_alloc when memory runs out. History starts all zero.
    explicit Upsampler(unsigned factor);

    /// Stores one base-rate input sample in the ring.
    void push(double x) noexcept
    {
        history[writeIndex] = x;
        writeIndex = static_cast<std::uint16_t>((writeIndex + 1u) & (historyLength - 1u));
    }

    /// Next oversampled output. The p-th call (p = 0 … L-1) after the push of x[n] returns
    /// L · Σ_{d=0..15} h[p + L·d] · x[n - d]: one wrap-free dot product of the ring with a row
    /// rotated to match the ring's current write position.
    double next() noexcept
    {
        row = static_cast<std::uint16_t>((row + 1u) & rowMask);
        return interpolationDot(history, coefficients.data() + static_cast<std::size_t>(row) * historyLength);
    }

    unsigned factor() const noexcept { return (rowMask + 1u) / historyLength; }

    /// Ring slot that receives the next input sample (0 … 15).
    std::uint16_t writeIndex = historyLength - 1;
    /// Row of `coefficients` used by the next output, advanced before each output (0 … 16·L - 1).
    std::uint16_t row;
    /// The last 16 base-rate inputs in ring order.
    double history[historyLength] = {};
    /// Row L·j + p, column m holds L · h[p + L·((j + 15 - m) mod 16)].
    Matrix coefficients;

private:
    std::uint16_t rowMask;
};

} // namespace ravlin
