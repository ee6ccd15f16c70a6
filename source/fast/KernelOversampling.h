#pragma once
// The interpolator and decimator of one oversampling factor around any chain step, on the plain
// pointers of an OversamplerView and the shared dot products (FilterDots.h). Part of the
// per-instruction-set build of ChainKernel.h.
#ifndef RAVLIN_KERNEL_NS
#error "define RAVLIN_KERNEL_NS before including KernelOversampling.h"
#endif

#include <cstdint>

#include "dsp/FilterDots.h"
#include "dsp/ForceInline.h"
#include "fast/ChainView.h"
#include "fast/KernelBlockStep.h"

namespace ravlin::RAVLIN_KERNEL_NS {

template <unsigned L>
constexpr int factorIndex = L == 2   ? 0
                            : L == 4 ? 1
                            : L == 8 ? 2
                                     : 3;

RAVLIN_FORCE_INLINE void upPush(const OversamplerView& o, double x) noexcept
{
    o.upHistory[*o.upWrite] = x;
    *o.upWrite = static_cast<std::uint16_t>((*o.upWrite + 1u) & 15u);
}

RAVLIN_FORCE_INLINE double upNext(const OversamplerView& o) noexcept
{
    *o.upRow = static_cast<std::uint16_t>((*o.upRow + 1u) & o.upMask);
    return interpolationDot(o.upHistory, o.upCoefficients + static_cast<unsigned>(*o.upRow) * 16u);
}

RAVLIN_FORCE_INLINE void downPush(const OversamplerView& o, double s) noexcept
{
    o.downHistory[*o.downWrite] = s;
    *o.downWrite = static_cast<std::uint16_t>((*o.downWrite + 1u) & o.downMask);
    *o.downRow = static_cast<std::uint16_t>((*o.downRow + 1u) & o.downMask);
}

RAVLIN_FORCE_INLINE double downOutput(const OversamplerView& o) noexcept
{
    const unsigned n = o.downMask + 1u;
    return decimationDot(o.downHistory, o.downCoefficients + static_cast<unsigned>(*o.downRow) * n, n);
}

template <unsigned L>
RAVLIN_FORCE_INLINE double oversampledStep(ChainView& v, double x) noexcept
{
    const OversamplerView& o = v.oversamplers[factorIndex<L>];
    upPush(o, x);
    for (unsigned n = 0; n < L; ++n)
        downPush(o, chainStep(v, upNext(o)));
    return downOutput(o);
}

template <unsigned L>
RAVLIN_FORCE_INLINE double baseRateStep(ChainView& v, double x) noexcept
{
    if constexpr (L == 1)
        return chainStep(v, x);
    else
        return oversampledStep<L>(v, x);
}

} // namespace ravlin::RAVLIN_KERNEL_NS
