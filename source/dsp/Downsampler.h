#pragma once
// Polyphase decimator for one oversampling factor L: L oversampled samples in through push(), one
// base-rate sample out through output(), taken once after every L pushes. Audio thread only after
// construction.
#include <cstdint>

#include <Eigen/Core>

#include "dsp/FilterDots.h"

namespace ravlin {

class Downsampler
{
public:
    using Matrix = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;
    using Ring = Eigen::Matrix<double, 1, Eigen::Dynamic>;

    /// Builds the factor-L decimator (L = 2, 4, 8 or 16) from that factor's N = 16·L tap prototype.
    /// Allocates the N × N coefficient matrix and the N-sample ring; throws std::invalid_argument for
    /// another L and std::bad_alloc when memory runs out. History starts all zero.
    explicit Downsampler(unsigned factor);

    /// Stores one oversampled sample; the write slot and the coefficient row advance together.
    void push(double s) noexcept
    {
        history[writeIndex] = s;
        writeIndex = static_cast<std::uint16_t>((writeIndex + 1u) & mask);
        row = static_cast<std::uint16_t>((row + 1u) & mask);
    }

    /// Decimated output Σ_{d=0..N-1} h[d] · s[newest - d]: one wrap-free dot product of the whole ring
    /// with the row rotated to the current write position.
    double output() const noexcept
    {
        return decimationDot(history.data(), coefficients.data() + static_cast<std::size_t>(row) * length(), length());
    }

    unsigned factor() const noexcept { return (mask + 1u) / 16u; }
    unsigned length() const noexcept { return mask + 1u; }

    /// Ring slot that receives the next oversampled sample (0 … N-1).
    std::uint16_t writeIndex;
    /// Row of `coefficients` used by output(); always equal to writeIndex.
    std::uint16_t row;
    /// The last N oversampled samples in ring order.
    Ring history;
    /// Row r, column m holds h[(r + N - 1 - m) mod N].
    Matrix coefficients;

private:
    std::uint16_t mask;
};

} // namespace ravlin
