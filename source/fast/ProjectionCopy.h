#pragma once
// A position's input projection, taken from the file's column order into the row order the step
// reads, and whether the step needs it at all.
#include <cmath>
#include <cstdint>

namespace ravlin {

/// Copies the rows × cols projection stored by columns (element (r, c) at c·rows + r) into
/// `rowMajor` (element (r, c) at r·cols + c). Returns whether it differs from the identity: some
/// element, rounded to single precision, further than 2^-22 from 1 on the diagonal or from 0 off it.
/// A projection within that tolerance is skipped at run time and replaced by a plain copy.
inline bool copyProjection(const double* byColumns, std::uint32_t rows, std::uint32_t cols, double* rowMajor) noexcept
{
    constexpr float identityTolerance = 2.384185791015625e-07f; // 2^-22
    bool differs = false;
    for (std::uint32_t r = 0; r < rows; ++r)
    {
        for (std::uint32_t c = 0; c < cols; ++c)
        {
            const double e = byColumns[c * rows + r];
            rowMajor[r * cols + c] = e;
            const float ef = static_cast<float>(e);
            const float off = (r == c) ? std::fabs(ef - 1.0f) : std::fabs(ef);
            if (off > identityTolerance)
                differs = true;
        }
    }
    return differs;
}

} // namespace ravlin
