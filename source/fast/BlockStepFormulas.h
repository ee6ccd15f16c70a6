#pragma once
// The linear part of each block's step: the port voltages p from the states x and inputs u before
// the network, the new states x' and the output y after it. Each formula keeps only the products
// that the block's circuit can make non-zero; the facts it relies on are written beside it. The
// same expressions serve the scalar step (T = double on the circuit model's own matrices) and the
// vector steps (a lane per channel), so every path rounds exactly alike.
//
// `c` is anything with G, H, A, B, C, D, E, F callable as (row, column) and giving T; x, u, p, i, y
// are indexable by port, state or input number.
#include "dsp/ForceInline.h"

namespace ravlin::stepformulas {

/// Block 1: input stage V1, coupling capacitor, Gain pot network, V2 loading the wiper; y is the
/// node couple1.
/// - The signal u0 reaches only p0, with the gain exactly 1; p0 reads x0 and x4 only.
/// - p3 reads nothing but the supply u1 (a constant port voltage).
/// - x0 and x4 are driven by V1's currents i0, i1 only; x1..x3 by i1, i2 and the supply u1;
///   i3 reaches no state and not y.
/// - y reads x1'..x3' (never x0', x4'), the supply and i1, i2.
struct Block1
{
    template <class Coef, class X, class U, class P>
    static RAVLIN_FORCE_INLINE void ports(const Coef& c, const X& x, const U& u, P& p) noexcept
    {
        p[0] = c.G(0, 0) * x[0] + c.G(0, 4) * x[4] + u[0];
        p[1] = c.G(1, 0) * x[0] + c.G(1, 1) * x[1] + c.G(1, 2) * x[2] + c.G(1, 3) * x[3] + c.H(1, 1) * u[1];
        p[2] = c.G(2, 1) * x[1] + c.G(2, 2) * x[2] + c.G(2, 3) * x[3] + c.H(2, 1) * u[1];
        p[3] = c.H(3, 1) * u[1];
    }

    template <class Coef, class X, class U, class I, class Y>
    static RAVLIN_FORCE_INLINE void advance(const Coef& c, X& x, const U& u, const I& i, Y& y) noexcept
    {
        const auto x0 = c.A(0, 0) * x[0] + c.C(0, 0) * i[0] + c.C(0, 1) * i[1];
        const auto x1 = c.A(1, 1) * x[1] + c.A(1, 2) * x[2] + c.A(1, 3) * x[3] + c.B(1, 1) * u[1] + c.C(1, 1) * i[1]
                        + c.C(1, 2) * i[2];
        const auto x2 = c.A(2, 1) * x[1] + c.A(2, 2) * x[2] + c.A(2, 3) * x[3] + c.B(2, 1) * u[1] + c.C(2, 1) * i[1]
                        + c.C(2, 2) * i[2];
        const auto x3 = c.A(3, 1) * x[1] + c.A(3, 2) * x[2] + c.A(3, 3) * x[3] + c.B(3, 1) * u[1] + c.C(3, 1) * i[1]
                        + c.C(3, 2) * i[2];
        const auto x4 = c.A(4, 4) * x[4] + c.C(4, 0) * i[0];
        x[0] = x0;
        x[1] = x1;
        x[2] = x2;
        x[3] = x3;
        x[4] = x4;
        y[0] =
            c.D(0, 1) * x1 + c.D(0, 2) * x2 + c.D(0, 3) * x3 + c.E(0, 1) * u[1] + c.F(0, 1) * i[1] + c.F(0, 2) * i[2];
    }
};

/// Block 2: Gain pot network driven by couple1, second stage V2, coupling into V3 with V3's
/// cathode network; y is the node couple2.
/// - p0 reads x0, x1 and the signal u0; p1 and p2 read x2 (p2 also x4); p3 reads x4 and the
///   second supply u2.
/// - x3 (CX) has one terminal open: its row of A is the identity and nothing drives it, so it never
///   changes and is not written.
/// - y reads only x2', the supply u1 and i1, i2.
struct Block2
{
    template <class Coef, class X, class U, class P>
    static RAVLIN_FORCE_INLINE void ports(const Coef& c, const X& x, const U& u, P& p) noexcept
    {
        p[0] = c.G(0, 0) * x[0] + c.G(0, 1) * x[1] + c.H(0, 0) * u[0];
        p[1] = c.G(1, 2) * x[2] + c.H(1, 1) * u[1];
        p[2] = c.G(2, 2) * x[2] + c.G(2, 4) * x[4] + c.H(2, 1) * u[1];
        p[3] = c.G(3, 4) * x[4] + c.H(3, 2) * u[2];
    }

    template <class Coef, class X, class U, class I, class Y>
    static RAVLIN_FORCE_INLINE void advance(const Coef& c, X& x, const U& u, const I& i, Y& y) noexcept
    {
        const auto x0 = c.A(0, 0) * x[0] + c.A(0, 1) * x[1] + c.B(0, 0) * u[0] + c.C(0, 0) * i[0];
        const auto x1 = c.A(1, 0) * x[0] + c.A(1, 1) * x[1] + c.B(1, 0) * u[0] + c.C(1, 0) * i[0];
        const auto x2 = c.A(2, 2) * x[2] + c.B(2, 1) * u[1] + c.C(2, 1) * i[1] + c.C(2, 2) * i[2];
        const auto x4 = c.A(4, 4) * x[4] + c.C(4, 2) * i[2] + c.C(4, 3) * i[3];
        x[0] = x0;
        x[1] = x1;
        x[2] = x2;
        x[4] = x4;
        y[0] = c.D(0, 2) * x2 + c.E(0, 1) * u[1] + c.F(0, 1) * i[1] + c.F(0, 2) * i[2];
    }
};

/// Block 3: divider into V3, third stage V3, V4's grid on V3's plate; y is the node plate3.
/// - p1 is x1's contribution plus the supply u1 with the gain exactly 1; p2 and p3 are the supply
///   itself.
/// - x1 sees i0 and i1 through one coefficient: C(1, 0) = C(1, 1) in this circuit.
/// - y is the supply plus i1 and i2 through one coefficient, F(0, 1) = F(0, 2); it reads no state.
struct Block3
{
    template <class Coef, class X, class U, class P>
    static RAVLIN_FORCE_INLINE void ports(const Coef& c, const X& x, const U& u, P& p) noexcept
    {
        p[0] = c.G(0, 0) * x[0] + c.G(0, 1) * x[1] + c.H(0, 0) * u[0];
        p[1] = c.G(1, 1) * x[1] + u[1];
        p[2] = u[1];
        p[3] = u[1];
    }

    template <class Coef, class X, class U, class I, class Y>
    static RAVLIN_FORCE_INLINE void advance(const Coef& c, X& x, const U& u, const I& i, Y& y) noexcept
    {
        const auto x0 = c.A(0, 0) * x[0] + c.B(0, 0) * u[0] + c.C(0, 0) * i[0];
        const auto x1 = c.A(1, 1) * x[1] + c.C(1, 0) * i[0] + c.C(1, 0) * i[1];
        x[0] = x0;
        x[1] = x1;
        y[0] = c.F(0, 1) * i[1] + c.F(0, 1) * i[2] + u[1];
    }
};

/// Block 4: cathode follower V4 driving the tone stack; y is the node trebleWiper.
/// - p0 takes the signal u0 with the gain exactly -1, p1 the supply u1 with the gain exactly 1;
///   both read all three tone-stack states.
/// - x' and y read every state and both currents; the inputs do not reach them (B = 0, E = 0).
struct Block4
{
    template <class Coef, class X, class U, class P>
    static RAVLIN_FORCE_INLINE void ports(const Coef& c, const X& x, const U& u, P& p) noexcept
    {
        p[0] = c.G(0, 0) * x[0] + c.G(0, 1) * x[1] + c.G(0, 2) * x[2] - u[0];
        p[1] = c.G(1, 0) * x[0] + c.G(1, 1) * x[1] + c.G(1, 2) * x[2] + u[1];
    }

    template <class Coef, class X, class U, class I, class Y>
    static RAVLIN_FORCE_INLINE void advance(const Coef& c, X& x, const U&, const I& i, Y& y) noexcept
    {
        const auto x0 = c.A(0, 0) * x[0] + c.A(0, 1) * x[1] + c.A(0, 2) * x[2] + c.C(0, 0) * i[0] + c.C(0, 1) * i[1];
        const auto x1 = c.A(1, 0) * x[0] + c.A(1, 1) * x[1] + c.A(1, 2) * x[2] + c.C(1, 0) * i[0] + c.C(1, 1) * i[1];
        const auto x2 = c.A(2, 0) * x[0] + c.A(2, 1) * x[1] + c.A(2, 2) * x[2] + c.C(2, 0) * i[0] + c.C(2, 1) * i[1];
        x[0] = x0;
        x[1] = x1;
        x[2] = x2;
        y[0] = c.D(0, 0) * x0 + c.D(0, 1) * x1 + c.D(0, 2) * x2 + c.F(0, 0) * i[0] + c.F(0, 1) * i[1];
    }
};

template <int Block>
struct ForBlock;
template <>
struct ForBlock<1>
{
    using type = Block1;
};
template <>
struct ForBlock<2>
{
    using type = Block2;
};
template <>
struct ForBlock<3>
{
    using type = Block3;
};
template <>
struct ForBlock<4>
{
    using type = Block4;
};

} // namespace ravlin::stepformulas
