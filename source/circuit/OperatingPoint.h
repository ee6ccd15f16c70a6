#pragma once
// DC operating point of a block with a constant signal input (the resting output
// of the block before it): the x, p, v, i that one step maps onto themselves,
//   x = A x + B u + C i,  p = G x + H u,  v = p + K i,  i = f(v).
// The input voltage is given because block 4's grid rests on V3's plate, near 200 V,
// and the sources are ramped up from zero when the direct solve does not converge.
#include <Eigen/Dense>

#include "circuit/PortSolver.h"

namespace ravlin {

/// Writes the operating point into model.x, model.p, model.v, model.i and model.y.
/// States that never change (A(k,k) = 1, rest of the row 0) are kept at 0.
template <class Model>
PortSolve operatingPoint(Model& m, double input, double tolerance = 1e-10) noexcept
{
    constexpr int NX = decltype(m.x)::RowsAtCompileTime;
    using MatX = Eigen::Matrix<double, NX, NX>;
    using VecV = decltype(Model::p);
    m.u[0] = input;
    MatX M = MatX::Identity() - m.A;
    auto Bu = (m.B * m.u).eval();
    auto Cm = m.C.eval();
    for (int k = 0; k < NX; ++k)
    {
        bool frozen = m.A(k, k) == 1.0;
        for (int c = 0; c < NX; ++c)
            frozen = frozen && (c == k || m.A(k, c) == 0.0);
        if (frozen)
        {
            M.row(k).setZero();
            M(k, k) = 1.0;
            Bu[k] = 0.0;
            Cm.row(k).setZero();
        }
    }
    const Eigen::PartialPivLU<MatX> lu(M);
    const auto xFromU = lu.solve(Bu).eval();
    const auto xFromI = lu.solve(Cm).eval();
    // v = (G xu + H u) + (G xi + K) i
    const VecV p0 = m.G * xFromU + m.H * m.u;
    const auto Keff = (m.G * xFromI + m.K).eval();
    m.v = p0;
    PortSolve r = solvePorts(m, p0, Keff, tolerance, 200);
    if (!r.converged) // source stepping: all supplies and the input ramped from 0
        r = solvePortsFrom(m, p0, Keff, VecV(VecV::Zero()), VecV(VecV::Zero()), tolerance);
    m.x = xFromU + xFromI * m.i;
    m.p = m.G * m.x + m.H * m.u;
    m.y = m.D * m.x + m.E * m.u + m.F * m.i;
    return r;
}

} // namespace ravlin
