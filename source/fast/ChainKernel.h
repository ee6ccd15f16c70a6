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
// Streams of chain steps, one channel: the four blocks as a pipeline. At tick t block 4 steps
// sample t - 3, block 3 sample t - 2, block 2 sample t - 1 and block 1 sample t, each reading the
// hand-over its predecessor wrote in the tick before. Every block still sees exactly the inputs and
// states it sees in the scalar chain, so the samples are the same; the four steps of a tick do not
// depend on one another, so the processor overlaps them.

/// Runs samples from `start` on; returns n when done, or the sample after one whose output was
/// not finite. Then every block is back at its operating point and out[s] is 0, as in the scalar
/// chain, and blocks 1 and 2 have dropped the steps they had taken ahead (block 3 had taken none).
RAVLIN_FORCE_INLINE int streamFrom(ChainView& v, const double* in, double* out, int start, int n) noexcept
{
    const auto step1 = [&](int s) {
        v.b1.u[0] = in[s];
        stepBlock<1, false>(v.b1, nullptr);
    };
    const auto step2 = [&]() {
        v.b2.u[0] = v.b1.y[0];
        stepBlock<2, false>(v.b2, nullptr);
    };
    const auto step3 = [&]() {
        v.b3.u[0] = v.b2.y[0];
        stepBlock<3, true>(v.b3, nullptr);
    };
    const auto step4 = [&](int s) {
        v.b4.u[0] = v.b3.y[0];
        stepBlock<4, false>(v.b4, v.statistics);
        const double y = v.b4.y[0];
        if (std::isfinite(y))
        {
            out[s] = y;
            return true;
        }
        recoverChain(*v.chain);
        out[s] = 0.0;
        return false;
    };
    const int count = n - start;
    // Fill: blocks join one tick after another.
    if (count >= 3)
    {
        step1(start);
        step2();
        step1(start + 1);
        step3();
        step2();
        step1(start + 2);
        for (int t = start + 3; t < n; ++t)
        {
            if (!step4(t - 3))
                return t - 2;
            step3();
            step2();
            step1(t);
        }
        // Drain: the last three samples leave block by block.
        if (!step4(n - 3))
            return n - 2;
        step3();
        step2();
        if (!step4(n - 2))
            return n - 1;
        step3();
        step4(n - 1);
        return n;
    }
    // Fewer than three samples: one after the other.
    for (int s = start; s < n; ++s)
    {
        step1(s);
        step2();
        step3();
        if (!step4(s))
            return s + 1;
    }
    return n;
}

/// n chain steps: out[s] = the chain's output for input in[s].
RAVLIN_FORCE_INLINE void chainStream(ChainView& v, const double* in, double* out, int n) noexcept
{
    int start = 0;
    while (start < n)
        start = streamFrom(v, in, out, start, n);
}

/// Chain steps per stream: a few thousand bytes of stack for the inputs and the outputs.
constexpr int streamLength = 512;

//==================================================================================================
// Block loops.

/// n base-rate samples through the chain at factor L: in[k] → out[k] (may be the same array).
/// The interpolator runs ahead over a stretch of samples, the chain streams over all its outputs,
/// the decimator follows: each filter and each block sees the same sequence as sample by sample.
template <unsigned L, class Read, class Write>
RAVLIN_FORCE_INLINE void runChannel(ChainView& v, int n, Read&& read, Write&& write) noexcept
{
    alignas(32) double a[streamLength];
    alignas(32) double b[streamLength];
    constexpr int stretch = streamLength / static_cast<int>(L);
    for (int first = 0; first < n; first += stretch)
    {
        const int m = n - first < stretch ? n - first : stretch;
        if constexpr (L == 1)
        {
            for (int k = 0; k < m; ++k)
                a[k] = read(first + k);
            chainStream(v, a, b, m);
            for (int k = 0; k < m; ++k)
                write(first + k, b[k]);
        }
        else
        {
            const OversamplerView& o = v.oversamplers[factorIndex<L>];
            for (int k = 0; k < m; ++k)
            {
                upPush(o, read(first + k));
                for (unsigned p = 0; p < L; ++p)
                    a[k * static_cast<int>(L) + static_cast<int>(p)] = upNext(o);
            }
            chainStream(v, a, b, m * static_cast<int>(L));
            for (int k = 0; k < m; ++k)
            {
                for (unsigned p = 0; p < L; ++p)
                    downPush(o, b[k * static_cast<int>(L) + static_cast<int>(p)]);
                write(first + k, downOutput(o));
            }
        }
    }
}

/// n samples of one channel in place: x·inputGain through the chain at factor L, times outputGain.
template <unsigned L>
void runMono(ChainView& v, float* samples, int n, double inputGain, double outputGain) noexcept
{
    runChannel<L>(
        v, n, [&](int k) { return static_cast<double>(samples[k]) * inputGain; },
        [&](int k, double y) { samples[k] = static_cast<float>(y * outputGain); });
}

/// n base-rate samples through the chain at factor L, without gains (tests and benchmarks).
template <unsigned L>
void runMonoDouble(ChainView& v, const double* in, double* out, int n) noexcept
{
    runChannel<L>(
        v, n, [&](int k) { return in[k]; }, [&](int k, double y) { out[k] = y; });
}

} // namespace ravlin::RAVLIN_KERNEL_NS
