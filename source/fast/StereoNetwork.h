#pragma once
// Networks on two lanes: one evaluation for both where the lanes use the same network, else each
// lane through its own as on one channel. Sums in the scalar evaluator's order. Part of the
// per-instruction-set build of StereoKernel.h.
#ifndef RAVLIN_KERNEL_NS
#error "define RAVLIN_KERNEL_NS before including StereoNetwork.h"
#endif

#include "dsp/ForceInline.h"
#include "fast/KernelNetwork.h"
#include "fast/LaneVectors.h"
#include "fast/NetworkLayout.h"

namespace ravlin::RAVLIN_KERNEL_NS {

using lanes::splat2;
using lanes::v2d;

/// Both lanes through the same network: hidden units one at a time (a lane per channel), outputs
/// with the layout's own order. The input count is a compile-time constant in the hidden sums.
template <int Inputs>
RAVLIN_FORCE_INLINE void hiddenLanes(const NetworkLayout& l, const v2d* x, v2d* hidden) noexcept
{
    const v2d one = splat2(1.0);
    const v2d zero = splat2(0.0);
    const v2d gain = splat2(l.hiddenGain);
    const double* w = l.hiddenWeights;
    for (int g = 0; g < l.groupCount; ++g)
    {
        v2d s0 = splat2(l.hiddenBias[4 * g]), s1 = splat2(l.hiddenBias[4 * g + 1]);
        v2d s2 = splat2(l.hiddenBias[4 * g + 2]), s3 = splat2(l.hiddenBias[4 * g + 3]);
        for (int k = 0; k < Inputs; ++k)
        {
            s0 += x[k] * splat2(w[4 * k]);
            s1 += x[k] * splat2(w[4 * k + 1]);
            s2 += x[k] * splat2(w[4 * k + 2]);
            s3 += x[k] * splat2(w[4 * k + 3]);
        }
        w += 4 * Inputs;
        const v2d t0 = gain * s0, t1 = gain * s1, t2 = gain * s2, t3 = gain * s3;
        hidden[4 * g] = t0 / ((t0 < zero ? -t0 : t0) + one);
        hidden[4 * g + 1] = t1 / ((t1 < zero ? -t1 : t1) + one);
        hidden[4 * g + 2] = t2 / ((t2 < zero ? -t2 : t2) + one);
        hidden[4 * g + 3] = t3 / ((t3 < zero ? -t3 : t3) + one);
    }
}

RAVLIN_FORCE_INLINE void evaluateShared(const NetworkLayout& l, const v2d* x, v2d* out) noexcept
{
    v2d hidden[hiddenCapacity];
    const v2d one = splat2(1.0);
    switch (l.inputCount)
    {
    case 1: hiddenLanes<1>(l, x, hidden); break;
    case 2: hiddenLanes<2>(l, x, hidden); break;
    case 3: hiddenLanes<3>(l, x, hidden); break;
    default: hiddenLanes<4>(l, x, hidden); break;
    }
    v2d s[4] = {splat2(l.outputBias[0]), splat2(l.outputBias[1]), splat2(l.outputBias[2]), splat2(l.outputBias[3])};
    const double* ow = l.outputWeights;
    if (l.form == NetworkLayout::OutputForm::shared)
        for (int k = 0; k < l.outputSteps; ++k)
        {
            const v2d h = hidden[k];
            s[0] += h * splat2(ow[4 * k]);
            s[1] += h * splat2(ow[4 * k + 1]);
            s[2] += h * splat2(ow[4 * k + 2]);
            s[3] += h * splat2(ow[4 * k + 3]);
        }
    else
        for (int k = 0; k < l.outputSteps; ++k)
        {
            s[0] += hidden[4 * k] * splat2(ow[4 * k]);
            s[1] += hidden[4 * k + 1] * splat2(ow[4 * k + 1]);
            s[2] += hidden[4 * k + 2] * splat2(ow[4 * k + 2]);
            s[3] += hidden[4 * k + 3] * splat2(ow[4 * k + 3]);
        }
    const v2d gainOut = splat2(l.outputGain);
    const v2d low = splat2(l.clampLow);
    for (int u = 0; u < l.usedOutputs; ++u)
    {
        const v2d v = gainOut * s[u];
        const v2d clamped = v < low ? low : (v > one ? one : v);
        out[l.slot[u]] = splat2(l.outputScale[u]) * clamped + splat2(l.outputMin[u]);
    }
}

/// Each lane through its own network (the mono evaluation once per lane).
RAVLIN_FORCE_INLINE void evaluateApart(const NetworkLayout& left, const NetworkLayout& right, const v2d* x, v2d* out,
                                       int inputs, int slots) noexcept
{
    double xl[4] = {}, xr[4] = {}, ol[4] = {}, orr[4] = {};
    for (int k = 0; k < inputs; ++k)
    {
        xl[k] = x[k][0];
        xr[k] = x[k][1];
    }
    for (int q = 0; q < slots; ++q)
    {
        ol[q] = out[q][0];
        orr[q] = out[q][1];
    }
    evaluate(left, xl, ol);
    evaluate(right, xr, orr);
    for (int q = 0; q < slots; ++q)
        out[q] = v2d{ol[q], orr[q]};
}

} // namespace ravlin::RAVLIN_KERNEL_NS
