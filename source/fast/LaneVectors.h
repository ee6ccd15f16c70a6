#pragma once
// Vectors of doubles as the compiler's generic vector types: the same source becomes SSE2 pairs in
// the baseline build and single AVX registers where the translation unit is compiled for AVX2.
// Element-wise operations round exactly like the scalar ones.
#include <cstring>

#include "dsp/ForceInline.h"

namespace ravlin::lanes {

typedef double v4d __attribute__((vector_size(32)));
typedef double v2d __attribute__((vector_size(16)));

RAVLIN_FORCE_INLINE v4d load4(const double* p) noexcept
{
    v4d v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
RAVLIN_FORCE_INLINE void store4(double* p, v4d v) noexcept { std::memcpy(p, &v, sizeof v); }
RAVLIN_FORCE_INLINE v4d splat4(double x) noexcept { return v4d{x, x, x, x}; }

RAVLIN_FORCE_INLINE v2d load2(const double* p) noexcept
{
    v2d v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
RAVLIN_FORCE_INLINE void store2(double* p, v2d v) noexcept { std::memcpy(p, &v, sizeof v); }
RAVLIN_FORCE_INLINE v2d splat2(double x) noexcept { return v2d{x, x}; }

} // namespace ravlin::lanes
