#pragma once
// DC operating point of a block: with the signal input at 0 and the supplies at
// their values, the state x, port voltages and currents that one step maps onto
// themselves: x = A x + B u + C i, p = G x + H u, v = p + K i, i = f(v).
#include <Eigen/Dense>

#include "circuit/ReferenceSolver.h"

namespace ravlin {

/// Writes the operating point into model.x, model.p, model.v, model.i (u[0] = 0).
/// States that never change (A(k,k) = 1, rest of row 0) are kept at 0.
template <class Model>
NewtonResult findOperatingPoint(Model& m, int maxIterations = 200, double tolerance = 1e-13) noexcept
{
    constexpr int NX = decltype(m.x)::RowsAtCompileTime;
    using MatX = Eigen::Matrix<double, NX, NX>;
    m.u[0] = 0.0;
    // (I - A) x = B u + C i, with frozen states pinned to 0.
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
    const auto p0 = (m.G * xFromU + m.H * m.u).eval();
    const auto Keff = (m.G * xFromI + m.K).eval();
    m.v = p0;
    const NewtonResult r = solvePortEquations(m, p0, Keff, maxIterations, tolerance);
    m.x = xFromU + xFromI * m.i;
    m.p = m.G * m.x + m.H * m.u;
    return r;
}

} // namespace ravlin
