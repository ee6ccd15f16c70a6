#pragma once
// The block steps of one channel chain on the plain pointers of its ChainView: the same linear
// expressions as the scalar step (BlockStepFormulas.h) around the vector network evaluation.
// Part of the per-instruction-set build of ChainKernel.h.
#ifndef RAVLIN_KERNEL_NS
#error "define RAVLIN_KERNEL_NS before including KernelBlockStep.h"
#endif

#include <cmath>

#include "dsp/ForceInline.h"
#include "fast/BlockStepFormulas.h"
#include "fast/ChainView.h"
#include "fast/KernelNetwork.h"

namespace ravlin::RAVLIN_KERNEL_NS {

/// z from p: the projection over the enabled features, or a plain copy of the first componentCount.
template <class View>
RAVLIN_FORCE_INLINE void formNetworkInput(View& b) noexcept
{
    if (b.projectionEnabled)
    {
        unsigned next = 0;
        for (unsigned r = 0; r < b.componentCount; ++r)
        {
            double z = 0.0;
            for (int k = 0; k < 4; ++k)
                if (b.featureEnabled[k] == 1)
                    z += b.p[k] * b.projection[next++];
            b.z[r] = z;
        }
    }
    else
    {
        for (unsigned r = 0; r < b.componentCount; ++r)
            b.z[r] = b.p[r];
    }
}

/// Block 3's choice: the first network of the position whose open input box holds z (a NaN never
/// matches); if none does, the one that matched last. Keeps the block's lastNetwork current.
template <class View>
RAVLIN_FORCE_INLINE const NetworkLayout& regionNetwork(View& b, const double* z) noexcept
{
    for (unsigned n = 0; n < b.networkCount; ++n)
    {
        const NetworkLayout& l = b.layouts[n];
        bool inside = true;
        for (int k = 0; k < l.inputCount; ++k)
            if (!(l.regionLow[k] < z[k] && z[k] < l.regionHigh[k]))
            {
                inside = false;
                break;
            }
        if (inside)
        {
            *b.lastNetwork = b.networks + n;
            return l;
        }
    }
    return b.layouts[*b.lastNetwork - b.networks];
}

template <int Block, bool Search, class View>
RAVLIN_FORCE_INLINE void stepBlock(View& b, RunningStatistics* statistics) noexcept
{
    using Formulas = typename stepformulas::ForBlock<Block>::type;
    Formulas::ports(b, b.x, b.u, b.p);
    if constexpr (Block == 4)
    {
        const double pv[4] = {b.p[0], b.p[1], 0.0, 0.0};
        evaluate(b.layouts[0], pv, b.i);
        if (statistics != nullptr)
            statistics->update(b.i[1]);
    }
    else
    {
        formNetworkInput(b);
        if constexpr (Search)
            evaluate(regionNetwork(b, b.z), b.z, b.i);
        else
            evaluate(b.layouts[0], b.z, b.i);
    }
    Formulas::advance(b, b.x, b.u, b.i, b.y);
}

/// Block 1 on the chain's input sample x.
RAVLIN_FORCE_INLINE void runBlock1(ChainView& v, double x) noexcept
{
    v.b1.u[0] = x;
    stepBlock<1, false>(v.b1, nullptr);
}

/// Block 2 on block 1's last output.
RAVLIN_FORCE_INLINE void runBlock2(ChainView& v) noexcept
{
    v.b2.u[0] = v.b1.y[0];
    stepBlock<2, false>(v.b2, nullptr);
}

/// Block 3 on block 2's last output.
RAVLIN_FORCE_INLINE void runBlock3(ChainView& v) noexcept
{
    v.b3.u[0] = v.b2.y[0];
    stepBlock<3, true>(v.b3, nullptr);
}

/// Block 4 on block 3's last output; `out` is the chain's output sample. A non-finite output puts
/// every block back at its operating point and gives 0, as the scalar chain does; then false.
RAVLIN_FORCE_INLINE bool runBlock4(ChainView& v, double& out) noexcept
{
    v.b4.u[0] = v.b3.y[0];
    stepBlock<4, false>(v.b4, v.statistics);
    const double y = v.b4.y[0];
    if (std::isfinite(y))
    {
        out = y;
        return true;
    }
    recoverChain(*v.chain);
    out = 0.0;
    return false;
}

/// One chain step (blocks 1 to 4) on an active chain.
RAVLIN_FORCE_INLINE double chainStep(ChainView& v, double x) noexcept
{
    runBlock1(v, x);
    runBlock2(v);
    runBlock3(v);
    double out;
    runBlock4(v, out);
    return out;
}

} // namespace ravlin::RAVLIN_KERNEL_NS
