#pragma once
// The vector chain step, included by one translation unit per instruction set, each defining
// RAVLIN_KERNEL_NS to its own namespace name so that nothing here is shared between the builds.
// Results equal the scalar chain (ChannelChain::processSample / processOversampled) bit for bit:
// the linear formulas are the same expressions (BlockStepFormulas.h), the networks are evaluated
// from their vector layouts (KernelNetwork.h) with every sum in the scalar order, and the filters
// use the shared dot products (FilterDots.h). Nothing here allocates, locks or calls virtually.
// This file: streams of chain steps on one channel and the mono block loops around them.
#ifndef RAVLIN_KERNEL_NS
#error "define RAVLIN_KERNEL_NS before including ChainKernel.h"
#endif

#include "dsp/ForceInline.h"
#include "fast/ChainView.h"
#include "fast/KernelBlockStep.h"
#include "fast/KernelOversampling.h"
#include "fast/KernelPipeline.h"

namespace ravlin::RAVLIN_KERNEL_NS {

/// Runs samples from `start` on (see pipelineFrom); returns n when done, or the sample after one
/// whose output was not finite. Then every block is back at its operating point and out[s] is 0,
/// as in the scalar chain, and blocks 1 and 2 have dropped the steps they had taken ahead (block 3
/// had taken none).
RAVLIN_FORCE_INLINE int streamFrom(ChainView& v, const double* in, double* out, int start, int n) noexcept
{
    return pipelineFrom(
        start, n, [&](int s) { runBlock1(v, in[s]); }, [&]() { runBlock2(v); }, [&]() { runBlock3(v); },
        [&](int s, int, int) { return runBlock4(v, out[s]) ? -1 : s + 1; });
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
