#pragma once
// Newton solve of a block's port equations v = p + K f(v), f the triode laws.
// Used offline (model building, accuracy tests), never on the audio thread.
// Damped by backtracking on the residual norm, warm-started from the model's v.
#include <cmath>

#include <Eigen/Dense>

namespace ravlin {

struct NewtonResult
{
    bool converged = false;
    int iterations = 0;
    double residual = 0.0; ///< max |p + K f(v) - v| at the returned v, V
};

/// Solves v = p + Kp f(v) for the model's triodes, starting from model.v. On return
/// model.v holds the solution (or the best iterate) and model.i = f(model.v).
/// Converged when the residual is at most tolerance * (1 + max|v|) volts.
template <class Model, class VecV, class MatK>
NewtonResult solvePortEquations(Model& model, const VecV& p, const MatK& Kp, int maxIterations, double tolerance) noexcept
{
    using Vec = Eigen::Matrix<double, VecV::RowsAtCompileTime, 1>;
    using Mat = Eigen::Matrix<double, VecV::RowsAtCompileTime, VecV::RowsAtCompileTime>;
    NewtonResult result;
    if (!p.allFinite() || !model.v.allFinite())
        model.v = p;
    auto residualAt = [&](const Vec& vv, Vec& r) {
        model.v = vv;
        model.evaluateNonlinearity();
        model.storeCurrents();
        r = p + Kp * model.i - vv;
        return r.allFinite() ? r.cwiseAbs().maxCoeff() : HUGE_VAL;
    };
    Vec v = model.v;
    Vec r;
    double norm = residualAt(v, r);
    if (norm == HUGE_VAL)
    {
        v = p;
        norm = residualAt(v, r);
    }
    for (int it = 0; it < maxIterations; ++it)
    {
        if (norm <= tolerance * (1.0 + v.cwiseAbs().maxCoeff()))
        {
            result.converged = true;
            break;
        }
        result.iterations = it + 1;
        model.v = v;
        model.evaluateNonlinearity();
        model.fillJacobian();
        const Mat jac = Kp * model.J + model.negIdentity;
        const Vec step = -jac.partialPivLu().solve(r);
        if (!step.allFinite())
            break;
        double lambda = 1.0;
        Vec trial, rTrial;
        double trialNorm = HUGE_VAL;
        for (int halving = 0; halving < 40; ++halving, lambda *= 0.5)
        {
            trial = v + lambda * step;
            trialNorm = residualAt(trial, rTrial);
            if (trialNorm < norm)
                break;
        }
        if (!(trialNorm < norm))
        {
            // No descent along the step: accept only if already as good as it gets.
            result.converged = norm <= tolerance * (1.0 + v.cwiseAbs().maxCoeff());
            break;
        }
        v = trial;
        r = rTrial;
        norm = trialNorm;
    }
    if (!result.converged && norm <= tolerance * (1.0 + v.cwiseAbs().maxCoeff()))
        result.converged = true;
    result.residual = norm;
    residualAt(v, r); // leave model.v / model.i consistent with the returned v
    return result;
}

/// A block model stepped with the Newton solve in place of the trained network:
///   p = G x + H u; solve v = p + K i, i = f(v); x' = A x + B u + C i; y = D x' + E u + F i.
template <class Model>
class ReferenceBlock
{
public:
    Model model;
    NewtonResult last;
    long failures = 0; ///< steps whose solve did not converge
    /// Iteration cap of the offline solve. The model's maxIterations (70) suffices
    /// with a warm start; a cold start at strong grid drive can need several hundred
    /// damped steps.
    int iterationCap = 1000;

    explicit ReferenceBlock(double sampleRate)
        : model(sampleRate)
    {
    }

    double step(double input) noexcept
    {
        Model& m = model;
        m.u[0] = input;
        m.p = m.G * m.x + m.H * m.u;
        last = solvePortEquations(m, m.p, m.K, iterationCap, m.tolerance);
        if (!last.converged)
            ++failures;
        m.xNext = m.A * m.x + m.B * m.u + m.C * m.i;
        m.x = m.xNext;
        m.y = m.D * m.x + m.E * m.u + m.F * m.i;
        return m.y[0];
    }

    bool converged() const noexcept { return last.converged; }
};

} // namespace ravlin
