#pragma once
// Two channel chains stepped in lockstep, one vector lane per channel (left in lane 0, right in
// lane 1), the four blocks as a pipeline as in ChainKernel.h. Included after ChainKernel.h by each
// instruction-set unit. Each lane gives exactly the samples its chain gives alone: the formulas
// are the same expressions on lane vectors, and where the two lanes need different networks
// (block 3's region search, or chains at other positions) each lane is evaluated on its own. NaN
// recovery and block 4's statistics act per lane. This file: the lockstep streams and the stereo
// block loops around them.
#ifndef RAVLIN_KERNEL_NS
#error "define RAVLIN_KERNEL_NS before including StereoKernel.h"
#endif
#include <cmath>

#include "dsp/ForceInline.h"
#include "fast/ChainKernel.h"
#include "fast/ChainView.h"
#include "fast/KernelPipeline.h"
#include "fast/StereoBlockStep.h"
#include "fast/StereoLanes.h"

namespace ravlin::RAVLIN_KERNEL_NS {

/// One lane's samples s + 1 … a1 on its own, from the start, after its chain recovered at sample s
/// (blocks 1 and 2 had gone ahead from the state the recovery replaced).
RAVLIN_FORCE_INLINE void rerunAfter(ChainView& v, const double* in, double* out, int s, int a1) noexcept
{
    for (int from = s + 1; from <= a1;)
        from = streamFrom(v, in, out, from, a1 + 1);
}

/// One lane on its own after a non-finite output at sample s elsewhere in the pipeline: blocks 3
/// and 4 are at s, block 2 at a2 and block 1 at a1 (s <= a2 <= a1). Completes samples s + 1 … a1
/// through the blocks they have not reached yet, exactly as the scalar chain would have.
RAVLIN_FORCE_INLINE void finishInFlight(ChainView& v, const double* in, double* out, int s, int a2, int a1) noexcept
{
    for (int m = s + 1; m <= a1; ++m)
    {
        if (m > a2)
            runBlock2(v);
        runBlock3(v);
        if (!runBlock4(v, out[m]))
        {
            rerunAfter(v, in, out, m, a1);
            return;
        }
    }
}

/// The lanes' streams from `start`, the blocks as a pipeline (see pipelineFrom). Returns n, or the
/// sample to resume from after a non-finite output in either lane: the failing lane recovers and
/// runs on alone, the other finishes its steps in flight alone, then lockstep resumes.
RAVLIN_FORCE_INLINE int streamLanesFrom(ChainLanes& c, const double* const in[2], double* const out[2], int start,
                                        int n) noexcept
{
    const auto step1 = [&](int s) {
        c.b1.u[0] = v2d{in[0][s], in[1][s]};
        stepLanes<1, false>(c.b1, *c.share, nullptr, nullptr);
    };
    const auto step2 = [&]() {
        c.b2.u[0] = c.b1.y[0];
        stepLanes<2, false>(c.b2, *c.share, nullptr, nullptr);
    };
    const auto step3 = [&]() {
        c.b3.u[0] = c.b2.y[0];
        stepLanes<3, true>(c.b3, *c.share, nullptr, nullptr);
    };
    // Block 4 on sample s with blocks 2 and 1 at a2 and a1; after a failure, handled here, the
    // sample after a1.
    const auto step4 = [&](int s, int a2, int a1) {
        c.b4.u[0] = c.b3.y[0];
        stepLanes<4, false>(c.b4, *c.share, c.lane[0]->statistics, c.lane[1]->statistics);
        const v2d y = c.b4.y[0];
        const bool good[2] = {std::isfinite(y[0]), std::isfinite(y[1])};
        if (good[0] && good[1])
        {
            out[0][s] = y[0];
            out[1][s] = y[1];
            return -1;
        }
        c.storeLane(0);
        c.storeLane(1);
        for (int k = 0; k < 2; ++k)
        {
            ChainView& v = *c.lane[k];
            if (good[k])
            {
                out[k][s] = y[k];
                finishInFlight(v, in[k], out[k], s, a2, a1);
            }
            else
            {
                recoverChain(*v.chain);
                out[k][s] = 0.0;
                rerunAfter(v, in[k], out[k], s, a1);
            }
        }
        c.loadLane(0);
        c.loadLane(1);
        return a1 + 1;
    };
    return pipelineFrom(start, n, step1, step2, step3, step4);
}

RAVLIN_FORCE_INLINE void streamLanes(ChainLanes& c, const double* const in[2], double* const out[2], int n) noexcept
{
    int start = 0;
    while (start < n)
        start = streamLanesFrom(c, in, out, start, n);
}

/// n base-rate samples of both channels through their chains at factor L, in lockstep; the
/// filters of each channel run ahead and behind as in runChannel.
template <unsigned L, class Read, class Write>
RAVLIN_FORCE_INLINE void runLanes(ChainView& left, ChainView& right, int n, Read&& read, Write&& write) noexcept
{
    withLanes(left, right, [&](ChainLanes& c) {
        alignas(32) double a[2][streamLength];
        alignas(32) double b[2][streamLength];
        const double* const in[2] = {a[0], a[1]};
        double* const out[2] = {b[0], b[1]};
        constexpr int stretch = streamLength / static_cast<int>(L);
        for (int first = 0; first < n; first += stretch)
        {
            const int m = n - first < stretch ? n - first : stretch;
            if constexpr (L == 1)
            {
                for (int k = 0; k < m; ++k)
                    read(first + k, a[0][k], a[1][k]);
                streamLanes(c, in, out, m);
                for (int k = 0; k < m; ++k)
                    write(first + k, b[0][k], b[1][k]);
            }
            else
            {
                const OversamplerView* o[2] = {&left.oversamplers[factorIndex<L>], &right.oversamplers[factorIndex<L>]};
                for (int k = 0; k < m; ++k)
                {
                    double x[2];
                    read(first + k, x[0], x[1]);
                    for (int lane = 0; lane < 2; ++lane)
                    {
                        upPush(*o[lane], x[lane]);
                        for (unsigned p = 0; p < L; ++p)
                            a[lane][k * static_cast<int>(L) + static_cast<int>(p)] = upNext(*o[lane]);
                    }
                }
                streamLanes(c, in, out, m * static_cast<int>(L));
                for (int k = 0; k < m; ++k)
                {
                    double y[2];
                    for (int lane = 0; lane < 2; ++lane)
                    {
                        for (unsigned p = 0; p < L; ++p)
                            downPush(*o[lane], b[lane][k * static_cast<int>(L) + static_cast<int>(p)]);
                        y[lane] = downOutput(*o[lane]);
                    }
                    write(first + k, y[0], y[1]);
                }
            }
        }
    });
}

template <unsigned L>
void runStereo(ChainView& left, ChainView& right, float* l, float* r, int n, double inputGain,
               double outputGain) noexcept
{
    runLanes<L>(
        left, right, n,
        [&](int k, double& xl, double& xr) {
            xl = static_cast<double>(l[k]) * inputGain;
            xr = static_cast<double>(r[k]) * inputGain;
        },
        [&](int k, double yl, double yr) {
            l[k] = static_cast<float>(yl * outputGain);
            r[k] = static_cast<float>(yr * outputGain);
        });
}

template <unsigned L>
void runStereoDouble(ChainView& left, ChainView& right, const double* inL, const double* inR, double* outL,
                     double* outR, int n) noexcept
{
    runLanes<L>(
        left, right, n,
        [&](int k, double& xl, double& xr) {
            xl = inL[k];
            xr = inR[k];
        },
        [&](int k, double yl, double yr) {
            outL[k] = yl;
            outR[k] = yr;
        });
}

} // namespace ravlin::RAVLIN_KERNEL_NS
