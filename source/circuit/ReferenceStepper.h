#pragma once
// One block stepped with the offline port solve in place of the trained network,
// using the block model's own matrices:
//   p = G x + H u;  solve v = p + K f(v);  x' = A x + B u + C i;  y = D x' + E u + F i.
// Each solve continues from the previous step's (p, v), which keeps the solve on
// the physical branch when a grid starts conducting through a coupling capacitor.
#include "circuit/PortSolver.h"

namespace ravlin {

template <class Model>
class ReferenceStepper
{
public:
    using VecV = decltype(Model::p);
    Model model;
    long failures = 0;       ///< steps whose port solve did not reach the tolerance
    double tolerance = 1e-9; ///< port-voltage residual accepted, V

    explicit ReferenceStepper(double sampleRate) : model(sampleRate) {}

    /// Takes the model's current x, p, v, i as the starting point of the next steps
    /// (after an operating point has been written into the model).
    void restart() noexcept
    {
        lastP = model.p;
        lastV = model.v;
    }

    double step(double input) noexcept
    {
        Model& m = model;
        m.u[0] = input;
        m.p = m.G * m.x + m.H * m.u;
        const PortSolve r = solvePortsFrom(m, VecV(m.p), m.K, lastP, lastV, tolerance);
        if (!r.converged)
            ++failures;
        lastP = m.p;
        lastV = m.v;
        m.xNext = m.A * m.x + m.B * m.u + m.C * m.i;
        m.x = m.xNext;
        m.y = m.D * m.x + m.E * m.u + m.F * m.i;
        return m.y[0];
    }

private:
    VecV lastP = VecV::Zero();
    VecV lastV = VecV::Zero();
};

} // namespace ravlin
