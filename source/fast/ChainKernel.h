#pragma once
// The vector chain step, included by one translation unit per instruction set, each defining
// RAVLIN_KERNEL_NS to its own namespace name so that nothing here is shared between the builds.
// Results equal the scalar chain (ChannelChain::processSample / processOversampled) bit for bit:
// the linear formulas are the same expressions (BlockStepFormulas.h), the networks are evaluated
// from their vector layouts (NetworkLayout.h) with every sum in the scalar order, and the filters
// use the shared dot products (FilterDots.h). Nothing here allocates, locks or calls virtually.
#ifndef RAVLIN_KERNEL_NS
#error "define RAVLIN_KERNEL_NS before including ChainKernel.h"
#endif

#include <cmath>
#include <cstdint>

#include "dsp/FilterDots.h"
#include "dsp/ForceInline.h"
#include "fast/BlockStepFormulas.h"
#include "fast/ChainView.h"
#include "fast/LaneVectors.h"
#include "fast/NetworkLayout.h"

namespace ravlin::RAVLIN_KERNEL_NS {

using lanes::v2d;
using lanes::v4d;
using lanes::load4;
using lanes::store4;

//==================================================================================================
// Networks, one channel: four hidden units or four outputs per vector.

/// The hidden activations of every group: unit j of group g at hidden[4g + j].
RAVLIN_FORCE_INLINE void hiddenLayer(const NetworkLayout& l, const double* x, double* hidden) noexcept
{
    const double* w = l.hiddenWeights;
    const v4d gain = lanes::splat4(l.hiddenGain);
    const v4d one = lanes::splat4(1.0);
    const v4d zero = lanes::splat4(0.0);
    for (int g = 0; g < l.groupCount; ++g)
    {
        v4d s = load4(l.hiddenBias + 4 * g);
        for (int k = 0; k < l.inputCount; ++k)
        {
            s += lanes::splat4(x[k]) * load4(w);
            w += 4;
        }
        const v4d t = gain * s;
        const v4d magnitude = t < zero ? -t : t;
        store4(hidden + 4 * g, t / (magnitude + one));
    }
}

/// Gained, clamped and mapped outputs into their slots of `out`.
RAVLIN_FORCE_INLINE void outputLayer(const NetworkLayout& l, const double* hidden, double* out) noexcept
{
    v4d s = load4(l.outputBias);
    const double* w = l.outputWeights;
    if (l.form == NetworkLayout::OutputForm::shared)
        for (int k = 0; k < l.outputSteps; ++k)
            s += lanes::splat4(hidden[k]) * load4(w + 4 * k);
    else
        for (int k = 0; k < l.outputSteps; ++k)
            s += load4(hidden + 4 * k) * load4(w + 4 * k);
    const v4d v = lanes::splat4(l.outputGain) * s;
    const v4d low = lanes::splat4(l.clampLow);
    const v4d one = lanes::splat4(1.0);
    const v4d clamped = v < low ? low : (v > one ? one : v);
    alignas(32) double mapped[4];
    store4(mapped, load4(l.outputScale) * clamped + load4(l.outputMin));
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

//==================================================================================================
// Blocks, one channel.

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
        const double pv[2] = {b.p[0], b.p[1]};
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

/// One chain step (blocks 1 to 4) on an active chain; a non-finite output puts every block back
/// at its operating point and gives 0, as the scalar chain does.
RAVLIN_FORCE_INLINE double chainStep(ChainView& v, double x) noexcept
{
    v.b1.u[0] = x;
    stepBlock<1, false>(v.b1, nullptr);
    v.b2.u[0] = v.b1.y[0];
    stepBlock<2, false>(v.b2, nullptr);
    v.b3.u[0] = v.b2.y[0];
    stepBlock<3, true>(v.b3, nullptr);
    v.b4.u[0] = v.b3.y[0];
    stepBlock<4, false>(v.b4, v.statistics);
    const double out = v.b4.y[0];
    if (!std::isfinite(out))
    {
        recoverChain(*v.chain);
        return 0.0;
    }
    return out;
}

//==================================================================================================
// Oversampling around any step.

template <unsigned L>
constexpr int factorIndex = L == 2 ? 0 : L == 4 ? 1 : L == 8 ? 2 : 3;

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

//==================================================================================================
// Block loops.

/// n samples of one channel in place: x·inputGain through the chain at factor L, times outputGain.
template <unsigned L>
void runMono(ChainView& v, float* samples, int n, double inputGain, double outputGain) noexcept
{
    for (int k = 0; k < n; ++k)
        samples[k] = static_cast<float>(baseRateStep<L>(v, static_cast<double>(samples[k]) * inputGain) * outputGain);
}

/// n base-rate samples through the chain at factor L, without gains (tests and benchmarks).
template <unsigned L>
void runMonoDouble(ChainView& v, const double* in, double* out, int n) noexcept
{
    for (int k = 0; k < n; ++k)
        out[k] = baseRateStep<L>(v, in[k]);
}

} // namespace ravlin::RAVLIN_KERNEL_NS
