#pragma once
// The order of block steps in a stream of chain steps: the four blocks as a pipeline. At tick t
// block 4 steps sample t - 3, block 3 sample t - 2, block 2 sample t - 1 and block 1 sample t, each
// reading the hand-over its predecessor wrote in the tick before. Every block still sees exactly
// the inputs and states it sees in the scalar chain, so the samples are the same; the four steps of
// a tick do not depend on one another, so the processor overlaps them. Used by the one-channel and
// the two-lane streams alike. Part of the per-instruction-set build of ChainKernel.h.
#ifndef RAVLIN_KERNEL_NS
#error "define RAVLIN_KERNEL_NS before including KernelPipeline.h"
#endif
#include "dsp/ForceInline.h"

namespace ravlin::RAVLIN_KERNEL_NS {

/// Steps samples start … n - 1 through the pipeline. step1(s) feeds sample s into block 1;
/// step2() and step3() hand the last output of blocks 1 and 2 on; step4(s, a2, a1) finishes sample
/// s in block 4 while blocks 2 and 1 are at samples a2 and a1, and returns a negative value, or
/// after a non-finite output (which it has handled) the sample to resume from. Returns n when
/// done, else that sample.
template <class Step1, class Step2, class Step3, class Step4>
RAVLIN_FORCE_INLINE int pipelineFrom(int start, int n, Step1&& step1, Step2&& step2, Step3&& step3,
                                     Step4&& step4) noexcept
{
    if (n - start >= 3)
    {
        // Fill: blocks join one tick after another.
        step1(start);
        step2();
        step1(start + 1);
        step3();
        step2();
        step1(start + 2);
        for (int t = start + 3; t < n; ++t)
        {
            if (const int resume = step4(t - 3, t - 2, t - 1); resume >= 0)
                return resume;
            step3();
            step2();
            step1(t);
        }
        // Drain: the last three samples leave block by block.
        if (const int resume = step4(n - 3, n - 2, n - 1); resume >= 0)
            return resume;
        step3();
        step2();
        if (const int resume = step4(n - 2, n - 1, n - 1); resume >= 0)
            return resume;
        step3();
        step4(n - 1, n - 1, n - 1);
        return n;
    }
    // Fewer than three samples: one after the other.
    for (int s = start; s < n; ++s)
    {
        step1(s);
        step2();
        step3();
        if (const int resume = step4(s, s, s); resume >= 0)
            return resume;
    }
    return n;
}

} // namespace ravlin::RAVLIN_KERNEL_NS
