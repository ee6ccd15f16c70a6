#pragma once
// Two channel chains stepped in lockstep, one vector lane per channel (left in lane 0, right in
// lane 1). Included after ChainKernel.h by each instruction-set unit. Each lane gives exactly the
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
/// with the layout's own order.
RAVLIN_FORCE_INLINE void evaluateShared(const NetworkLayout& l, const v2d* x, v2d* out) noexcept
{
    v2d hidden[hiddenCapacity];
    const v2d one = splat2(1.0);
    const v2d zero = splat2(0.0);
    const v2d gain = splat2(l.hiddenGain);
    const double* w = l.hiddenWeights;
    for (int g = 0; g < l.groupCount; ++g)
    {
        v2d s0 = splat2(l.hiddenBias[4 * g]), s1 = splat2(l.hiddenBias[4 * g + 1]);
        v2d s2 = splat2(l.hiddenBias[4 * g + 2]), s3 = splat2(l.hiddenBias[4 * g + 3]);
        for (int k = 0; k < l.inputCount; ++k)
        {
            s0 += x[k] * splat2(w[0]);
            s1 += x[k] * splat2(w[1]);
            s2 += x[k] * splat2(w[2]);
            s3 += x[k] * splat2(w[3]);
            w += 4;
        }
        const v2d t0 = gain * s0, t1 = gain * s1, t2 = gain * s2, t3 = gain * s3;
        hidden[4 * g] = t0 / ((t0 < zero ? -t0 : t0) + one);
        hidden[4 * g + 1] = t1 / ((t1 < zero ? -t1 : t1) + one);
        hidden[4 * g + 2] = t2 / ((t2 < zero ? -t2 : t2) + one);
        hidden[4 * g + 3] = t3 / ((t3 < zero ? -t3 : t3) + one);
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
    double xl[4], xr[4], ol[4], orr[4];
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
        if (share.network[3])
            evaluateShared(l.layouts[0], b.p, b.i);
        else
            evaluateApart(l.layouts[0], r.layouts[0], b.p, b.i, 2, 2);
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

RAVLIN_FORCE_INLINE v2d chainStepLanes(ChainLanes& c, v2d x) noexcept
{
    c.b1.u[0] = x;
    stepLanes<1, false>(c.b1, *c.share, nullptr, nullptr);
    c.b2.u[0] = c.b1.y[0];
    stepLanes<2, false>(c.b2, *c.share, nullptr, nullptr);
    c.b3.u[0] = c.b2.y[0];
    stepLanes<3, true>(c.b3, *c.share, nullptr, nullptr);
    c.b4.u[0] = c.b3.y[0];
    stepLanes<4, false>(c.b4, *c.share, c.lane[0]->statistics, c.lane[1]->statistics);
    v2d out = c.b4.y[0];
    for (int k = 0; k < 2; ++k)
        if (!std::isfinite(out[k]))
        {
            c.storeLane(k);
            recoverChain(*c.lane[k]->chain);
            c.loadLane(k);
            out[k] = 0.0;
        }
    return out;
}

template <unsigned L>
RAVLIN_FORCE_INLINE v2d baseRateStepLanes(ChainLanes& c, v2d x) noexcept
{
    if constexpr (L == 1)
        return chainStepLanes(c, x);
    else
    {
        const OversamplerView& ol = c.lane[0]->oversamplers[factorIndex<L>];
        const OversamplerView& orr = c.lane[1]->oversamplers[factorIndex<L>];
        upPush(ol, x[0]);
        upPush(orr, x[1]);
        for (unsigned n = 0; n < L; ++n)
        {
            const v2d out = chainStepLanes(c, v2d{upNext(ol), upNext(orr)});
            downPush(ol, out[0]);
            downPush(orr, out[1]);
        }
        return v2d{downOutput(ol), downOutput(orr)};
    }
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

template <unsigned L>
void runStereo(ChainView& left, ChainView& right, float* l, float* r, int n, double inputGain,
               double outputGain) noexcept
{
    withLanes(left, right, [&](ChainLanes& c) {
        const v2d gi = splat2(inputGain), go = splat2(outputGain);
        for (int k = 0; k < n; ++k)
        {
            const v2d y = baseRateStepLanes<L>(c, v2d{static_cast<double>(l[k]), static_cast<double>(r[k])} * gi) * go;
            l[k] = static_cast<float>(y[0]);
            r[k] = static_cast<float>(y[1]);
        }
    });
}

template <unsigned L>
void runStereoDouble(ChainView& left, ChainView& right, const double* inL, const double* inR, double* outL,
                     double* outR, int n) noexcept
{
    withLanes(left, right, [&](ChainLanes& c) {
        for (int k = 0; k < n; ++k)
        {
            const v2d y = baseRateStepLanes<L>(c, v2d{inL[k], inR[k]});
            outL[k] = y[0];
            outR[k] = y[1];
        }
    });
}

} // namespace ravlin::RAVLIN_KERNEL_NS
