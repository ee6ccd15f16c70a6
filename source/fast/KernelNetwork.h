#pragma once
// Networks on one channel, four hidden units or four outputs per vector, evaluated from their
// vector layouts (NetworkLayout.h) with every sum in the scalar evaluator's order. Part of the
// per-instruction-set build of ChainKernel.h.
#ifndef RAVLIN_KERNEL_NS
#error "define RAVLIN_KERNEL_NS before including KernelNetwork.h"
#endif

#include "dsp/ForceInline.h"
#include "fast/KernelQuad.h"
#include "fast/NetworkLayout.h"

namespace ravlin::RAVLIN_KERNEL_NS {

/// The hidden activations of every group: unit j of group g at hidden[4g + j]. The input count
/// is a compile-time constant here, so the sum over the inputs is written out in full.
template <int Inputs>
RAVLIN_FORCE_INLINE void hiddenGroups(const NetworkLayout& l, const double* x, double* hidden) noexcept
{
    const double* w = l.hiddenWeights;
    const Quad gain = qsplat(l.hiddenGain);
    Quad xs[Inputs];
    for (int k = 0; k < Inputs; ++k)
        xs[k] = qsplat(x[k]);
    for (int g = 0; g < l.groupCount; ++g)
    {
        Quad s = qload(l.hiddenBias + 4 * g);
        for (int k = 0; k < Inputs; ++k)
            s = s + xs[k] * qload(w + 4 * k);
        w += 4 * Inputs;
        qstore(hidden + 4 * g, softsign(gain * s));
    }
}

RAVLIN_FORCE_INLINE void hiddenLayer(const NetworkLayout& l, const double* x, double* hidden) noexcept
{
    switch (l.inputCount)
    {
    case 1: hiddenGroups<1>(l, x, hidden); break;
    case 2: hiddenGroups<2>(l, x, hidden); break;
    case 3: hiddenGroups<3>(l, x, hidden); break;
    default: hiddenGroups<4>(l, x, hidden); break;
    }
}

/// Gained, clamped and mapped outputs into their slots of `out`.
RAVLIN_FORCE_INLINE void outputLayer(const NetworkLayout& l, const double* hidden, double* out) noexcept
{
    Quad s = qload(l.outputBias);
    const double* w = l.outputWeights;
    if (l.form == NetworkLayout::OutputForm::shared)
        for (int k = 0; k < l.outputSteps; ++k)
            s = s + qsplat(hidden[k]) * qload(w + 4 * k);
    else
        for (int k = 0; k < l.outputSteps; ++k)
            s = s + qload(hidden + 4 * k) * qload(w + 4 * k);
    const Quad v = clamp(qsplat(l.outputGain) * s, l.clampLow);
    alignas(32) double mapped[4];
    qstore(mapped, qload(l.outputScale) * v + qload(l.outputMin));
    for (int u = 0; u < l.usedOutputs; ++u)
        out[l.slot[u]] = mapped[u];
}

/// Hidden values of the largest network the layouts allow: 255 units per output, 4 outputs.
constexpr int hiddenCapacity = 4 * 256;

RAVLIN_FORCE_INLINE void evaluate(const NetworkLayout& l, const double* x, double* out) noexcept
{
    alignas(32) double hidden[hiddenCapacity];
    hiddenLayer(l, x, hidden);
    outputLayer(l, hidden, out);
}

} // namespace ravlin::RAVLIN_KERNEL_NS
