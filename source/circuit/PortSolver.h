#pragma once
// Offline solve of a block's port equations v = p + K f(v), f the triode laws of
// the block's own valves (reached through the model's evaluateNonlinearity and
// storeCurrents, so the wiring is the model's). Newton with a central-difference
// Jacobian of the whole port map, a limit on how far one step may drive a valve
// towards conduction, and a backtracking line search.
//
// Why the step limit and this acceptance test: with one-sided slopes, no limit and
// a residual-norm line search, a step that carries a cut-off valve into conduction
// makes the residual explode (the port gains K J reach several hundred), the
// backtracking then stalls, and at high Gain with V2's grid conducting through the
// coupling capacitor about one step in ten of block 1 ends unconverged.
// Used for training data, the accuracy reference, the plots and the benchmarks;
// never at run time.
#include <algorithm>
#include <array>
#include <cmath>
#include <type_traits>

#include <Eigen/Dense>

namespace ravlin {

struct PortSolve
{
    bool converged = false;
    int iterations = 0;
    double residual = 0.0; ///< max |p + K f(v) - v| at the returned v, V
};

/// How one triode's physical voltages follow from the port voltages:
/// vgk = gridSign * v[grid], vak = plateSign * v[plate].
struct TriodeWiring
{
    int grid = 0, plate = 1;
    double gridSign = 1.0, plateSign = 1.0;
    double invMu = 1.0 / 103.2;
};

/// Reads a block model's wiring by evaluating its triodes at distinct probe voltages.
template <class Model>
std::array<TriodeWiring, (Model::Traits::NV / 2)> probeWiring(Model m)
{
    constexpr int NV = Model::Traits::NV;
    std::array<TriodeWiring, NV / 2> w{};
    for (int k = 0; k < NV; ++k)
        m.v[k] = static_cast<double>(k + 1) * 0.01; // 0.01, 0.02, ... : small, so nothing overflows
    m.evaluateNonlinearity();
    auto identify = [&](double value, int& port, double& sign) {
        for (int k = 0; k < NV; ++k)
            if (std::fabs(std::fabs(value) - m.v[k]) < 1e-12)
            {
                port = k;
                sign = value < 0 ? -1.0 : 1.0;
            }
    };
    auto read = [&](const auto& valve, TriodeWiring& t) {
        identify(valve.vgk, t.grid, t.gridSign);
        identify(valve.vak, t.plate, t.plateSign);
        t.invMu = valve.invMu;
    };
    if constexpr (NV == 2)
        read(m.valve, w[0]);
    else
    {
        read(m.valve1, w[0]);
        read(m.valve2, w[1]);
    }
    return w;
}

/// The wiring of `model` now: which port is which belongs to the block's circuit and is
/// probed once per block type; mu belongs to the valve set the model holds, so it is read
/// from the model's valves on every call.
template <class Model>
std::array<TriodeWiring, (Model::Traits::NV / 2)> wiringOf(const Model& model)
{
    static const auto ports = probeWiring(model);
    auto wiring = ports;
    if constexpr (Model::Traits::NV == 2)
        wiring[0].invMu = model.valve.invMu;
    else
    {
        wiring[0].invMu = model.valve1.invMu;
        wiring[1].invMu = model.valve2.invMu;
    }
    return wiring;
}

/// Largest rise, in volts, of a valve's grid voltage or of its cathode-law argument
/// vak/mu + vgk that one Newton step may make: currents grow at most about
/// e^(3.4 * 0.5) per step, so a step from cut-off cannot overshoot by decades.
/// Below these knees (grid voltage, and cathode-law argument vak/mu + vgk, in V)
/// the currents are negligible and a Newton step may move freely; above them the
/// laws bend too fast for the linear model, and one step may move the argument by
/// at most kMaxConductionStep in either direction. Without the limit, a step that
/// cuts a valve off is compensated by a plate-voltage move of thousands of volts.
inline constexpr double kMaxConductionStep = 0.25;
inline constexpr double kGridKnee = -1.2;
inline constexpr double kCathodeKnee = -1.5;

/// Largest fraction of a step `da` from argument `a` that moves the part of the
/// argument above `knee` by at most kMaxConductionStep.
inline double conductionLimit(double a, double da, double knee) noexcept
{
    const double above = std::max(a, knee);
    if (da > 0.0)
        return std::min(1.0, (above + kMaxConductionStep - a) / da);
    if (da < 0.0 && a - kMaxConductionStep > knee)
        return std::min(1.0, kMaxConductionStep / -da);
    return 1.0;
}

/// Solves v = p + K f(v) starting from model.v. On return model.v is the solution
/// (or the best iterate) and model.i = f(model.v). Converged when the largest
/// residual is at most `tolerance` volts.
template <class Model, class VecV, class MatK>
PortSolve solvePorts(Model& model, const VecV& p, const MatK& K, double tolerance = 1e-9,
                     int maxIterations = 100) noexcept
{
    constexpr int NV = VecV::RowsAtCompileTime;
    using Vec = Eigen::Matrix<double, NV, 1>;
    using Mat = Eigen::Matrix<double, NV, NV>;
    const auto wiring = wiringOf(model);
    auto currents = [&model](const Vec& vv) -> Vec {
        model.v = vv;
        model.evaluateNonlinearity();
        model.storeCurrents();
        return model.i;
    };
    PortSolve result;
    Vec v = model.v.allFinite() ? Vec(model.v) : Vec(p);
    Vec r = p + K * currents(v) - v;
    if (!r.allFinite())
    {
        v = p;
        r = p + K * currents(v) - v;
    }
    for (int it = 0; it < maxIterations && r.cwiseAbs().maxCoeff() > tolerance; ++it)
    {
        result.iterations = it + 1;
        Mat J;
        for (int k = 0; k < NV; ++k)
        {
            const double h = 1e-6 * (1.0 + std::fabs(v[k]));
            Vec a = v, b = v;
            a[k] += h;
            b[k] -= h;
            J.col(k) = (currents(a) - currents(b)) / (2.0 * h);
        }
        const Mat jac = K * J - Mat::Identity();
        const Eigen::PartialPivLU<Mat> lu(jac);
        const Vec step = -lu.solve(r);
        if (!step.allFinite())
            break;
        double lambda = 1.0;
        for (const TriodeWiring& t : wiring)
        {
            const double vg = t.gridSign * v[t.grid];
            const double dg = t.gridSign * step[t.grid];
            lambda = std::min(lambda, conductionLimit(vg, dg, kGridKnee));
            lambda = std::min(lambda, conductionLimit(vg + t.invMu * t.plateSign * v[t.plate],
                                                      dg + t.invMu * t.plateSign * step[t.plate], kCathodeKnee));
        }
        // Natural monotonicity test: the simplified Newton step from the trial point,
        // measured with this iteration's Jacobian, must be shorter than the step taken.
        // Unlike the residual norm it does not weigh a volt at a grid like a volt at a
        // plate, which a stage gain of 100 turns into a hundred times larger residual.
        const double stepNorm = step.norm();
        bool accepted = false;
        for (int halving = 0; halving < 30; ++halving, lambda *= 0.5)
        {
            const Vec trial = v + lambda * step;
            const Vec rt = p + K * currents(trial) - trial;
            if (!rt.allFinite())
                continue;
            const double simplified = lu.solve(rt).norm();
            if (simplified <= (1.0 - 0.25 * lambda) * stepNorm || rt.cwiseAbs().maxCoeff() <= tolerance)
            {
                v = trial;
                r = rt;
                accepted = true;
                break;
            }
        }
        if (!accepted)
            break;
    }
    currents(v);
    result.residual = r.cwiseAbs().maxCoeff();
    result.converged = result.residual <= tolerance;
    return result;
}

/// Solves the port equations for `p`, continuing from a known solution (pFrom, vFrom):
/// walks p from pFrom to p in adaptive pieces (a piece that does not converge within
/// a few Newton steps is halved, one that does lets the next piece double), so each
/// piece starts close to its solution.
template <class Model, class VecV, class MatK>
PortSolve solvePortsFrom(Model& model, const VecV& p, const MatK& K, const VecV& pFrom, const VecV& vFrom,
                         double tolerance = 1e-9) noexcept
{
    double done = 0.0, piece = 1.0;
    VecV v = vFrom;
    PortSolve r;
    int total = 0;
    while (done < 1.0 && piece > 1e-7)
    {
        const double next = std::min(1.0, done + piece);
        const VecV pk = pFrom + (p - pFrom) * next;
        model.v = v;
        r = solvePorts(model, pk, K, tolerance, 10);
        total += r.iterations;
        if (r.converged)
        {
            v = model.v;
            done = next;
            piece *= 2.0;
        }
        else
            piece *= 0.25;
    }
    if (done < 1.0)
    {
        model.v = v;
        r = solvePorts(model, p, K, tolerance, 200);
        total += r.iterations;
    }
    r.iterations = total;
    return r;
}

} // namespace ravlin
