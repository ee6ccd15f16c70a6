#pragma once
// Where a block rests with its input held constant: the fixed point x = step(x) of its per-sample
// step. The block's networks approximate the circuit's port solve only to their error, so the
// circuit's operating point is not quite a rest of the trained block; started there, the block
// moves to its own rest and the chain plays that move as a thump. Found by Newton on
// r(x) = step(x) - x with a forward-difference Jacobian (NX + 1 steps an iteration) and a halving
// line search. Fixed sizes, no allocation: runs on the reconfiguring thread between a selection
// and the next sample loop, and in the model builder with the same code.
#include <cmath>

#include <Eigen/Dense>

namespace ravlin {

/// Moves `x` to the rest of `step` (a callable taking and returning the NX states). True when the
/// residual falls below 1e-13 of the states' size, or below 1e-10 of it when the search stalls
/// there; false (with `x` where the search stopped) otherwise. `steps` counts the calls of `step`.
template <int NX, class Step>
bool findRest(Eigen::Matrix<double, NX, 1>& x, Step&& step, int& steps, int maxIterations = 40)
{
    using Vec = Eigen::Matrix<double, NX, 1>;
    using Mat = Eigen::Matrix<double, NX, NX>;
    const auto residual = [&](const Vec& at) {
        ++steps;
        return Vec(step(at) - at);
    };
    const auto size = [](const Vec& at) { return 1.0 + at.cwiseAbs().maxCoeff(); };
    Vec r = residual(x);
    for (int iteration = 0; iteration < maxIterations; ++iteration)
    {
        if (!r.allFinite())
            return false;
        if (r.cwiseAbs().maxCoeff() <= 1e-13 * size(x))
            return true;
        Mat J;
        for (int c = 0; c < NX; ++c)
        {
            Vec moved = x;
            const double h = 1e-7 * (1.0 + std::fabs(x[c]));
            moved[c] += h;
            J.col(c) = (residual(moved) - r) / h;
        }
        const Vec dx = J.fullPivLu().solve(-r);
        if (!dx.allFinite())
            return false;
        double t = 1.0;
        Vec next = x + dx;
        Vec rNext = residual(next);
        while (!(rNext.norm() < r.norm()) && t > 1e-6)
        {
            t *= 0.5;
            next = x + t * dx;
            rNext = residual(next);
        }
        if (!(rNext.norm() < r.norm()))
            return r.cwiseAbs().maxCoeff() <= 1e-10 * size(x);
        x = next;
        r = rNext;
    }
    return r.cwiseAbs().maxCoeff() <= 1e-10 * size(x);
}

} // namespace ravlin
