#pragma once
// Two channel chains' block states on vector lanes (left in lane 0, right in lane 1) with both
// chains' coefficients interleaved, loaded from the chains before a lockstep run and stored back
// after it. Part of the per-instruction-set build of StereoKernel.h.
#ifndef RAVLIN_KERNEL_NS
#error "define RAVLIN_KERNEL_NS before including StereoLanes.h"
#endif

#include "dsp/ForceInline.h"
#include "fast/ChainView.h"
#include "fast/LaneVectors.h"

namespace ravlin::RAVLIN_KERNEL_NS {

using lanes::load2;
using lanes::v2d;

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
struct BlockLanes : StepCoefficients<PairMatrix, NX, NU, NV, NI>
{
    using View = BlockView<NX, NU, NV, NI>;
    View* lane[2];
    v2d x[NX], u[NU], p[NV], i[NI], y[1], z[4];

    RAVLIN_FORCE_INLINE void bind(View& left, View& right, const double* pairCoefficients) noexcept
    {
        lane[0] = &left;
        lane[1] = &right;
        const double* at = pairCoefficients;
        this->G.d = at;
        at += 2 * NV * NX;
        this->H.d = at;
        at += 2 * NV * NU;
        this->A.d = at;
        at += 2 * NX * NX;
        this->B.d = at;
        at += 2 * NX * NU;
        this->C.d = at;
        at += 2 * NX * NI;
        this->D.d = at;
        at += 2 * NX;
        this->E.d = at;
        at += 2 * NU;
        this->F.d = at;
    }

    RAVLIN_FORCE_INLINE void load() noexcept
    {
        const View& l = *lane[0];
        const View& r = *lane[1];
        for (int k = 0; k < NX; ++k)
            x[k] = v2d{l.x[k], r.x[k]};
        for (int k = 0; k < NU; ++k)
            u[k] = v2d{l.u[k], r.u[k]};
        for (int k = 0; k < NV; ++k)
            p[k] = v2d{l.p[k], r.p[k]};
        for (int k = 0; k < NI; ++k)
            i[k] = v2d{l.i[k], r.i[k]};
        for (int k = 0; k < 4; ++k)
            z[k] = v2d{k < NV ? l.z[k] : 0.0, k < NV ? r.z[k] : 0.0};
        y[0] = v2d{l.y[0], r.y[0]};
    }

    RAVLIN_FORCE_INLINE void storeLane(int k) noexcept
    {
        View& v = *lane[k];
        for (int n = 0; n < NX; ++n)
            v.x[n] = x[n][k];
        for (int n = 0; n < NU; ++n)
            v.u[n] = u[n][k];
        for (int n = 0; n < NV; ++n)
            v.p[n] = p[n][k];
        for (int n = 0; n < NI; ++n)
            v.i[n] = i[n][k];
        for (int n = 0; n < NV; ++n)
            v.z[n] = z[n][k];
        v.y[0] = y[0][k];
    }

    RAVLIN_FORCE_INLINE void loadLane(int k) noexcept
    {
        const View& v = *lane[k];
        for (int n = 0; n < NX; ++n)
            x[n][k] = v.x[n];
        for (int n = 0; n < NU; ++n)
            u[n][k] = v.u[n];
        for (int n = 0; n < NV; ++n)
            p[n][k] = v.p[n];
        for (int n = 0; n < NI; ++n)
            i[n][k] = v.i[n];
        for (int n = 0; n < NV; ++n)
            z[n][k] = v.z[n];
        y[0][k] = v.y[0];
    }

    RAVLIN_FORCE_INLINE void store() noexcept
    {
        storeLane(0);
        storeLane(1);
    }
};

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

} // namespace ravlin::RAVLIN_KERNEL_NS
