#pragma once
// One block step on two lanes: the same linear expressions as the scalar step (BlockStepFormulas.h)
// on lane vectors, the network input per lane where the projections differ, and the network
// evaluated once for both lanes where they share it. Part of the per-instruction-set build of
// StereoKernel.h.
#ifndef RAVLIN_KERNEL_NS
#error "define RAVLIN_KERNEL_NS before including StereoBlockStep.h"
#endif

#include "dsp/ForceInline.h"
#include "fast/BlockStepFormulas.h"
#include "fast/ChainView.h"
#include "fast/KernelBlockStep.h"
#include "fast/StereoNetwork.h"

namespace ravlin::RAVLIN_KERNEL_NS {

/// z from p on both lanes: as one vector where both chains use the same projection, else per lane.
template <class Lanes>
RAVLIN_FORCE_INLINE void formNetworkInputLanes(Lanes& b, bool sameProjection) noexcept
{
    auto& l = *b.lane[0];
    if (sameProjection)
    {
        if (l.projectionEnabled)
        {
            unsigned next = 0;
            for (unsigned r = 0; r < l.componentCount; ++r)
            {
                v2d z = splat2(0.0);
                for (int k = 0; k < 4; ++k)
                    if (l.featureEnabled[k] == 1)
                        z += b.p[k] * splat2(l.projection[next++]);
                b.z[r] = z;
            }
        }
        else
        {
            for (unsigned r = 0; r < l.componentCount; ++r)
                b.z[r] = b.p[r];
        }
        return;
    }
    for (int k = 0; k < 2; ++k)
    {
        auto& v = *b.lane[k];
        for (int n = 0; n < 4; ++n)
            v.p[n] = b.p[n][k];
        formNetworkInput(v);
        for (unsigned n = 0; n < v.componentCount; ++n)
            b.z[n][k] = v.z[n];
    }
}

template <int Block, bool Search, class Lanes>
RAVLIN_FORCE_INLINE void stepLanes(Lanes& b, const PairSharing& share, RunningStatistics* statsLeft,
                                   RunningStatistics* statsRight) noexcept
{
    using Formulas = typename stepformulas::ForBlock<Block>::type;
    Formulas::ports(b, b.x, b.u, b.p);
    auto& l = *b.lane[0];
    auto& r = *b.lane[1];
    if constexpr (Block == 4)
    {
        const v2d pv[4] = {b.p[0], b.p[1], splat2(0.0), splat2(0.0)};
        if (share.network[3])
            evaluateShared(l.layouts[0], pv, b.i);
        else
            evaluateApart(l.layouts[0], r.layouts[0], pv, b.i, 2, 2);
        if (statsLeft != nullptr)
            statsLeft->update(b.i[1][0]);
        if (statsRight != nullptr)
            statsRight->update(b.i[1][1]);
    }
    else
    {
        formNetworkInputLanes(b, share.projection[Block - 1]);
        if constexpr (Search)
        {
            double zl[4], zr[4];
            for (int k = 0; k < 4; ++k)
            {
                zl[k] = b.z[k][0];
                zr[k] = b.z[k][1];
            }
            const NetworkLayout& nl = regionNetwork(l, zl);
            const NetworkLayout& nr = regionNetwork(r, zr);
            const long at = &nl - l.layouts;
            if (at == &nr - r.layouts && at < PairSharing::maxRegionNetworks && share.region[at])
                evaluateShared(nl, b.z, b.i);
            else
                evaluateApart(nl, nr, b.z, b.i, 4, 4);
        }
        else
        {
            if (share.network[Block - 1])
                evaluateShared(l.layouts[0], b.z, b.i);
            else
                evaluateApart(l.layouts[0], r.layouts[0], b.z, b.i, 4, 4);
        }
    }
    Formulas::advance(b, b.x, b.u, b.i, b.y);
}

} // namespace ravlin::RAVLIN_KERNEL_NS
