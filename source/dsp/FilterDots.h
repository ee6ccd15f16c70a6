#pragma once
// The dot products of the oversampling filters, in one fixed summation order that every build of
// the chain (scalar, vector, each instruction set) shares, so all paths give identical samples.
#include "dsp/ForceInline.h"

namespace ravlin {

/// Interpolator output: Σ history[m]·c[m] over the 16 ring slots, as two running sums (even and
/// odd m) added at the end.
RAVLIN_FORCE_INLINE double interpolationDot(const double* history, const double* c) noexcept
{
    double even = 0.0;
    double odd = 0.0;
    for (unsigned m = 0; m < 16; m += 2)
    {
        even += history[m] * c[m];
        odd += history[m + 1] * c[m + 1];
    }
    return even + odd;
}

/// Decimator output: Σ history[m]·c[m] over n slots (a multiple of 4), as four running sums over
/// m mod 4, combined as (s0 + s1) + (s2 + s3).
RAVLIN_FORCE_INLINE double decimationDot(const double* history, const double* c, unsigned n) noexcept
{
    double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
    for (unsigned m = 0; m < n; m += 4)
    {
        s0 += history[m] * c[m];
        s1 += history[m + 1] * c[m + 1];
        s2 += history[m + 2] * c[m + 2];
        s3 += history[m + 3] * c[m + 3];
    }
    return (s0 + s1) + (s2 + s3);
}

} // namespace ravlin
