#pragma once
// Four doubles as one value of the vector chain step: one AVX register where the unit is compiled
// for AVX, else two SSE2 registers. Part of the per-instruction-set build of ChainKernel.h.
#ifndef RAVLIN_KERNEL_NS
#error "define RAVLIN_KERNEL_NS before including KernelQuad.h"
#endif

#include "dsp/ForceInline.h"
#include "fast/LaneVectors.h"

namespace ravlin::RAVLIN_KERNEL_NS {

using lanes::load4;
using lanes::store4;
using lanes::v2d;
using lanes::v4d;

/// Four doubles: one AVX register where the unit is compiled for AVX, else two SSE2 registers
/// (GCC would otherwise spread some 32-byte vector operations over scalar code).
#if defined(__AVX__)
struct Quad
{
    v4d v;
};
RAVLIN_FORCE_INLINE Quad qload(const double* p) noexcept { return {load4(p)}; }
RAVLIN_FORCE_INLINE void qstore(double* p, Quad q) noexcept { store4(p, q.v); }
RAVLIN_FORCE_INLINE Quad qsplat(double x) noexcept { return {lanes::splat4(x)}; }
RAVLIN_FORCE_INLINE Quad operator+(Quad a, Quad b) noexcept { return {a.v + b.v}; }
RAVLIN_FORCE_INLINE Quad operator*(Quad a, Quad b) noexcept { return {a.v * b.v}; }
/// t / (|t| + 1), |t| as the scalar code forms it (t < 0 ? -t : t).
RAVLIN_FORCE_INLINE Quad softsign(Quad t) noexcept
{
    const v4d zero = lanes::splat4(0.0);
    return {t.v / ((t.v < zero ? -t.v : t.v) + lanes::splat4(1.0))};
}
/// low if v < low, 1 if v > 1, else v (a NaN passes).
RAVLIN_FORCE_INLINE Quad clamp(Quad v, double low) noexcept
{
    const v4d lo = lanes::splat4(low), one = lanes::splat4(1.0);
    return {v.v < lo ? lo : (v.v > one ? one : v.v)};
}
#else
struct Quad
{
    v2d lo, hi;
};
RAVLIN_FORCE_INLINE Quad qload(const double* p) noexcept { return {lanes::load2(p), lanes::load2(p + 2)}; }
RAVLIN_FORCE_INLINE void qstore(double* p, Quad q) noexcept
{
    lanes::store2(p, q.lo);
    lanes::store2(p + 2, q.hi);
}
RAVLIN_FORCE_INLINE Quad qsplat(double x) noexcept { return {lanes::splat2(x), lanes::splat2(x)}; }
RAVLIN_FORCE_INLINE Quad operator+(Quad a, Quad b) noexcept { return {a.lo + b.lo, a.hi + b.hi}; }
RAVLIN_FORCE_INLINE Quad operator*(Quad a, Quad b) noexcept { return {a.lo * b.lo, a.hi * b.hi}; }
RAVLIN_FORCE_INLINE v2d softsign2(v2d t) noexcept
{
    const v2d zero = lanes::splat2(0.0);
    return t / ((t < zero ? -t : t) + lanes::splat2(1.0));
}
RAVLIN_FORCE_INLINE Quad softsign(Quad t) noexcept { return {softsign2(t.lo), softsign2(t.hi)}; }
RAVLIN_FORCE_INLINE v2d clamp2(v2d v, v2d lo) noexcept
{
    const v2d one = lanes::splat2(1.0);
    return v < lo ? lo : (v > one ? one : v);
}
RAVLIN_FORCE_INLINE Quad clamp(Quad v, double low) noexcept
{
    const v2d lo = lanes::splat2(low);
    return {clamp2(v.lo, lo), clamp2(v.hi, lo)};
}
#endif

} // namespace ravlin::RAVLIN_KERNEL_NS
