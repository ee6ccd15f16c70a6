#pragma once
// Two channel chains stepped in lockstep, one vector lane per channel (left in lane 0, right in
// lane 1), the four blocks as a pipeline as in ChainKernel.h. Included after ChainKernel.h by each
// instruction-set unit. Each lane gives exactly the
// samples its chain gives alone: the formulas are the same expressions on lane vectors, and where
// the two lanes need different networks (block 3's region search, or chains at other positions)
// each lane is evaluated on its own. NaN recovery and block 4's statistics act per lane.
#include "fast/ChainView.h"

namespace ravlin::RAVLIN_KERNEL_NS {

using lanes::load2;
using lanes::splat2;
using lanes::store2;

/// A coefficient matrix of both lanes, interleaved: element (r, c) of lane k at d[2(c·Rows + r) + k].
template <int Rows, int Cols>
struct PairMatrix
{
    const double* d;
    RAVLIN_FORCE_INLINE v2d operator()(int r, int c) const noexcept { return load2(d + 2 * (c * Rows + r)); }
};

/// One block's state on two lanes, loaded from both chains at the start of a run and stored back at
/// its end.
template <int NX, int NU, int NV, int NI>
struct BlockLanes
{
    using View = BlockView<NX, NU, NV, NI>;
    View* lane[2];
    v2d x[NX], u[NU], p[NV], i[NI], y[1], z[4];
    PairMatrix<NV, NX> G;
    PairMatrix<NV, NU> H;
    PairMatrix<NX, NX> A;
    PairMatrix<NX, NU> B;
    PairMatrix<NX, NI> C;
    PairMatrix<1, NX> D;
    PairMatrix<1, NU> E;
    PairMatrix<1, NI> F;

    RAVLIN_FORCE_INLINE void bind(View& left, View& right, const double* pairCoefficients) noexcept
    {
        lane[0] = &left;
        lane[1] = &right;
        const double* at = pairCoefficients;
        G.d = at;
        at += 2 * NV * NX;
        H.d = at;
        at += 2 * NV * NU;
        A.d = at;
        at += 2 * NX * NX;
        B.d = at;
        at += 2 * NX * NU;
        C.d = at;
        at += 2 * NX * NI;
        D.d = at;
        at += 2 * NX;
        E.d = at;
        at += 2 * NU;
        F.d = at;
    }

    RAVLIN_FORCE_INLINE void load() noexcept
    {
        const View& l = *lane[0];
        const View& r = *lane[1];
        for (int k = 0; k < NX; ++k) x[k] = v2d{l.x[k], r.x[k]};
        for (int k = 0; k < NU; ++k) u[k] = v2d{l.u[k], r.u[k]};
        for (int k = 0; k < NV; ++k) p[k] = v2d{l.p[k], r.p[k]};
        for (int k = 0; k < NI; ++k) i[k] = v2d{l.i[k], r.i[k]};
        for (int k = 0; k < 4; ++k) z[k] = v2d{k < NV ? l.z[k] : 0.0, k < NV ? r.z[k] : 0.0};
        y[0] = v2d{l.y[0], r.y[0]};
    }

    RAVLIN_FORCE_INLINE void storeLane(int k) noexcept
    {
        View& v = *lane[k];
        for (int n = 0; n < NX; ++n) v.x[n] = x[n][k];
        for (int n = 0; n < NU; ++n) v.u[n] = u[n][k];
        for (int n = 0; n < NV; ++n) v.p[n] = p[n][k];
        for (int n = 0; n < NI; ++n) v.i[n] = i[n][k];
        for (int n = 0; n < NV; ++n) v.z[n] = z[n][k];
        v.y[0] = y[0][k];
    }

    RAVLIN_FORCE_INLINE void loadLane(int k) noexcept
    {
        const View& v = *lane[k];
        for (int n = 0; n < NX; ++n) x[n][k] = v.x[n];
        for (int n = 0; n < NU; ++n) u[n][k] = v.u[n];
        for (int n = 0; n < NV; ++n) p[n][k] = v.p[n];
        for (int n = 0; n < NI; ++n) i[n][k] = v.i[n];
        for (int n = 0; n < NV; ++n) z[n][k] = v.z[n];
        y[0][k] = v.y[0];
    }

    RAVLIN_FORCE_INLINE void store() noexcept
    {
        storeLane(0);
        storeLane(1);
    }
};

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

struct ChainLanes
{
    BlockLanes<5, 2, 4, 4> b1;
    BlockLanes<5, 3, 4, 4> b2;
    BlockLanes<2, 2, 4, 4> b3;
    BlockLanes<3, 2, 2, 2> b4;
    ChainView* lane[2];
    const PairSharing* share;

    RAVLIN_FORCE_INLINE void storeLane(int k) noexcept
    {
        b1.storeLane(k);
        b2.storeLane(k);
        b3.storeLane(k);
        b4.storeLane(k);
    }
    RAVLIN_FORCE_INLINE void loadLane(int k) noexcept
    {
        b1.loadLane(k);
        b2.loadLane(k);
        b3.loadLane(k);
        b4.loadLane(k);
    }
};

/// One lane on its own after a non-finite output at sample s elsewhere in the pipeline: blocks 3
/// and 4 are at s, block 2 at a2 and block 1 at a1 (s <= a2 <= a1). Completes samples s + 1 … a1
/// through the blocks they have not reached yet, exactly as the scalar chain would have.
RAVLIN_FORCE_INLINE void finishInFlight(ChainView& v, const double* in, double* out, int s, int a2, int a1) noexcept
{
    for (int m = s + 1; m <= a1; ++m)
    {
        if (m > a2)
        {
            v.b2.u[0] = v.b1.y[0];
            stepBlock<2, false>(v.b2, nullptr);
        }
        v.b3.u[0] = v.b2.y[0];
        stepBlock<3, true>(v.b3, nullptr);
        v.b4.u[0] = v.b3.y[0];
        stepBlock<4, false>(v.b4, v.statistics);
        const double y = v.b4.y[0];
        if (std::isfinite(y))
        {
            out[m] = y;
            continue;
        }
        recoverChain(*v.chain);
        out[m] = 0.0;
        // Blocks 1 and 2 had gone ahead from the state the recovery replaced: run those samples again.
        for (int start = m + 1; start <= a1;)
            start = streamFrom(v, in, out, start, a1 + 1);
        return;
    }
}

/// The lanes' streams from `start`, the blocks as a pipeline (see streamFrom). Returns n, or the
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
    // Block 4 on sample s with blocks 2 and 1 at a2 and a1; false after a failure was handled.
    const auto step4 = [&](int s, int a2, int a1) {
        c.b4.u[0] = c.b3.y[0];
        stepLanes<4, false>(c.b4, *c.share, c.lane[0]->statistics, c.lane[1]->statistics);
        const v2d y = c.b4.y[0];
        const bool good[2] = {std::isfinite(y[0]), std::isfinite(y[1])};
        if (good[0] && good[1])
        {
            out[0][s] = y[0];
            out[1][s] = y[1];
            return true;
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
                for (int from = s + 1; from <= a1;)
                    from = streamFrom(v, in[k], out[k], from, a1 + 1);
            }
        }
        c.loadLane(0);
        c.loadLane(1);
        return false;
    };
    if (n - start >= 3)
    {
        step1(start);
        step2();
        step1(start + 1);
        step3();
        step2();
        step1(start + 2);
        for (int t = start + 3; t < n; ++t)
        {
            if (!step4(t - 3, t - 2, t - 1))
                return t;
            step3();
            step2();
            step1(t);
        }
        if (!step4(n - 3, n - 2, n - 1))
            return n;
        step3();
        step2();
        if (!step4(n - 2, n - 1, n - 1))
            return n;
        step3();
        step4(n - 1, n - 1, n - 1);
        return n;
    }
    for (int s = start; s < n; ++s)
    {
        step1(s);
        step2();
        step3();
        if (!step4(s, s, s))
            return s + 1;
    }
    return n;
}

RAVLIN_FORCE_INLINE void streamLanes(ChainLanes& c, const double* const in[2], double* const out[2], int n) noexcept
{
    int start = 0;
    while (start < n)
        start = streamLanesFrom(c, in, out, start, n);
}

/// Runs `body` with both chains' state on lanes; the state goes back to the chains afterwards.
template <class Body>
RAVLIN_FORCE_INLINE void withLanes(ChainView& left, ChainView& right, Body&& body) noexcept
{
    ChainLanes c;
    c.lane[0] = &left;
    c.lane[1] = &right;
    const StereoPair& pair = refreshStereoPair(left, right);
    c.share = &pair.sharing;
    c.b1.bind(left.b1, right.b1, pair.coefficients[0]);
    c.b2.bind(left.b2, right.b2, pair.coefficients[1]);
    c.b3.bind(left.b3, right.b3, pair.coefficients[2]);
    c.b4.bind(left.b4, right.b4, pair.coefficients[3]);
    c.b1.load();
    c.b2.load();
    c.b3.load();
    c.b4.load();
    body(c);
    c.b1.store();
    c.b2.store();
    c.b3.store();
    c.b4.store();
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
