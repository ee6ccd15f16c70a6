#pragma once
// Closed-loop refinement: a block's network fitted on what the block plays, not on
// single (p, i) pairs. Pairs of equal pointwise error play a factor of ten apart,
// because the block's own state update feeds every current error back: a small
// one-signed error where a grid is cut off charges a coupling capacitor and moves the
// bias of a high-gain stage, while a large error beyond the clamp costs nothing.
//
// So the fit steps the block as the run-time does, in windows cut from a reference
// run of the port solve: each window starts at the reference's states, runs W steps
// with the network (clamped, as the run-time evaluates it) in the loop, and its
// residuals are the block output's and the states' differences from the reference.
// Derivatives through the window by forward sensitivities; Levenberg-Marquardt
// (Ceres) on the weights the layout lets vary.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include <Eigen/Dense>
#include <ceres/ceres.h>

#include "BlockLayout.h"
#include "ModelData.h"
#include "Network.h"
#include "NetworkBlock.h"
#include "circuit/ReferenceChain.h"

namespace ravlin::modelgen {

/// One block's run by the port solve: per step its signal input, its states before the
/// step (one more set at the end: the states after the last step) and its output.
struct BlockRun
{
    int states = 0;
    std::vector<double> input, x, output;
    std::size_t size() const { return input.size(); }
    const double* statesAt(std::size_t n) const { return &x[n * static_cast<std::size_t>(states)]; }
};

/// The signal a block is refined on (or checked on, with another seed): plucked phrases,
/// strummed chords, a sweep and tone bursts, most of them soft (peaks from 2.5 % to 60 %
/// of `top`, one phrase at `top`): a soft touch is where the chain is heard against the
/// least signal. `seconds` long.
std::vector<double> loopSignal(double sampleRate, double seconds, double top, std::uint64_t seed);

/// Block `block` (1 or 2) of the reference chain at a setting, played with `signal`
/// (volts at block 1) from its operating point.
BlockRun referenceBlockRun(int block, const ChainSetting& setting, const std::vector<double>& signal, long* failures);

struct LoopOptions
{
    int window = 64;          ///< steps per window
    int windows = 100;        ///< windows cut from the run, evenly spaced
    int every = 4;            ///< a residual set every n-th step of a window
    int iterations = 20;      ///< LM iterations
    double stateWeight = 0.3; ///< weight of a state's residual against the output's (each by its spread)
    /// Each window's residuals divided by the output's spread within the window (floored at
    /// this share of the whole run's): quiet passages count as much as loud ones, since an
    /// error at a soft touch is heard against a soft signal. 0: the whole run's spread.
    double localFloor = 0.0;
};

struct LoopReport
{
    double before = 0.0; ///< cost at the start (½ sum of squared residuals)
    double after = 0.0;
    int iterations = 0;
};

/// The weights of `net` that vary: every hidden unit's, and of each output's row the
/// units that serve it (all of them unless the layout gives outputs units of their own).
std::vector<int> variableWeights(const TrainedNet& net, const BlockLayout& layout);

namespace detail {

template <class Model>
class WindowResiduals final : public ceres::CostFunction
{
public:
    static constexpr int NX = Model::Traits::NX, NV = Model::Traits::NV, NI = Model::Traits::NI;
    using Sens = Eigen::Matrix<double, NX, Eigen::Dynamic>;

    WindowResiduals(const Model& m, const TrainedNet& n, const BlockLayout& l, const BlockRun& r,
                    const double* restCurrents, const LoopOptions& o)
        : model(m), net(n), layout(l), run(r), options(o)
    {
        for (int c = 0; c < NI; ++c)
            fixedI[c] = restCurrents[c];
        // Spreads: the output's and each state's standard deviation over the run; a state
        // that never moves (an open capacitor terminal) gets no residual.
        auto spread = [&](auto value) {
            double mean = 0.0, sq = 0.0;
            const std::size_t count = run.size();
            for (std::size_t k = 0; k < count; ++k)
                mean += value(k);
            mean /= static_cast<double>(count);
            for (std::size_t k = 0; k < count; ++k)
                sq += (value(k) - mean) * (value(k) - mean);
            return std::sqrt(sq / static_cast<double>(count));
        };
        outputScale = 1.0 / std::max(spread([&](std::size_t k) { return run.output[k]; }), 1e-12);
        for (int c = 0; c < NX; ++c)
        {
            const double s = spread([&](std::size_t k) { return run.statesAt(k)[c]; });
            stateScale[c] = s > 1e-9 ? options.stateWeight / s : 0.0;
        }
        const std::size_t usable = run.size() > static_cast<std::size_t>(options.window)
                                       ? run.size() - static_cast<std::size_t>(options.window)
                                       : 0;
        for (int w = 0; w < options.windows && usable > 0; ++w)
            starts.push_back(usable * static_cast<std::size_t>(2 * w + 1)
                             / static_cast<std::size_t>(2 * options.windows));
        perWindow = options.window / options.every;
        for (std::size_t start : starts)
        {
            double f = 1.0;
            if (options.localFloor > 0.0)
            {
                double mean = 0.0, sq = 0.0;
                for (int t = 0; t < options.window; ++t)
                    mean += run.output[start + static_cast<std::size_t>(t)];
                mean /= options.window;
                for (int t = 0; t < options.window; ++t)
                {
                    const double d = run.output[start + static_cast<std::size_t>(t)] - mean;
                    sq += d * d;
                }
                const double local = std::sqrt(sq / options.window) * outputScale;
                f = 1.0 / std::max(local, options.localFloor);
            }
            windowScale.push_back(f);
        }
        set_num_residuals(static_cast<int>(starts.size()) * perWindow * (1 + NX));
        mutable_parameter_block_sizes()->push_back(static_cast<int>(net.weights.size()));
    }

    int windowCount() const { return static_cast<int>(starts.size()); }

    bool Evaluate(double const* const* parameters, double* residuals, double** jacobians) const override
    {
        const double* w = parameters[0];
        const int n = net.inputs, h = net.hidden, m = net.outputs;
        const int P = static_cast<int>(net.weights.size());
        const int outBase = (n + 1) * h;
        const bool wantJ = jacobians != nullptr && jacobians[0] != nullptr;
        const int rows = num_residuals();
        if (wantJ)
            std::fill(jacobians[0], jacobians[0] + static_cast<std::size_t>(rows) * P, 0.0);
        Eigen::Map<Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>> J(
            wantJ ? jacobians[0] : nullptr, wantJ ? rows : 0, wantJ ? P : 0);

        double span[4], zn[4], act[256], slope[256];
        for (int k = 0; k < n; ++k)
            span[k] = net.inputMax[k] > net.inputMin[k] ? 2.0 / (net.inputMax[k] - net.inputMin[k]) : 0.0;
        Sens S(NX, P), Snext(NX, P);
        Eigen::Matrix<double, NI, Eigen::Dynamic> dI(NI, P);
        Eigen::Matrix<double, 4, Eigen::Dynamic> dz(4, P);
        Eigen::RowVectorXd dv(P);
        int row = 0;
        Eigen::Matrix<double, NX, 1> x;
        Eigen::Matrix<double, NI, 1> i;
        for (std::size_t wi = 0; wi < starts.size(); ++wi)
        {
            const std::size_t start = starts[wi];
            const double ws = windowScale[wi], ys = ws * outputScale;
            for (int c = 0; c < NX; ++c)
                x[c] = run.statesAt(start)[c];
            if (wantJ)
                S.setZero();
            for (int t = 0; t < options.window; ++t)
            {
                const std::size_t s = start + static_cast<std::size_t>(t);
                Eigen::Matrix<double, Model::Traits::NU, 1> u = model.u;
                u[0] = run.input[s];
                const Eigen::Matrix<double, NV, 1> p = model.G * x + model.H * u;
                for (int k = 0; k < n; ++k)
                {
                    const double lo = net.inputMin[k];
                    zn[k] =
                        span[k] != 0.0 ? (p[layout.features[static_cast<std::size_t>(k)]] - lo) * span[k] - 1.0 : -1.0;
                }
                for (int j = 0; j < h; ++j)
                {
                    const double* wj = w + j * (n + 1);
                    double sum = wj[n];
                    for (int k = 0; k < n; ++k)
                        sum += wj[k] * zn[k];
                    const double tt = net.hiddenGain * sum;
                    const double d = 1.0 / (std::fabs(tt) + 1.0);
                    act[j] = tt * d;
                    slope[j] = net.hiddenGain * d * d;
                }
                for (int c = 0; c < NI; ++c)
                    i[c] = fixedI[c];
                if (wantJ)
                {
                    dI.setZero();
                    const Eigen::Matrix<double, NV, Eigen::Dynamic> dp = model.G * S;
                    for (int k = 0; k < n; ++k)
                        dz.row(k) = dp.row(layout.features[static_cast<std::size_t>(k)]) * span[k];
                }
                const double lo = net.clamp == Clamp::bipolar ? -1.0 : 0.0;
                for (int o = 0; o < m; ++o)
                {
                    const double* wo = w + outBase + o * (h + 1);
                    double sum = wo[h];
                    for (int j = 0; j < h; ++j)
                        sum += wo[j] * act[j];
                    double v = net.outputGain * sum;
                    const bool clamped = v < lo || v > 1.0;
                    v = v < lo ? lo : (v > 1.0 ? 1.0 : v);
                    const double sc = net.scale(o);
                    const int port = layout.outputs[static_cast<std::size_t>(o)];
                    i[port] = sc * v + net.outputMin[o];
                    if (!wantJ || clamped)
                        continue;
                    // d i / d weights: direct terms, then through the inputs' sensitivities.
                    dv.setZero();
                    const double g = sc * net.outputGain;
                    double dzCoef[4] = {0, 0, 0, 0};
                    for (int j = 0; j < h; ++j)
                    {
                        if (wo[j] == 0.0)
                            continue;
                        const double c = g * wo[j] * slope[j];
                        const int base = j * (n + 1);
                        for (int k = 0; k < n; ++k)
                        {
                            dv[base + k] = c * zn[k];
                            dzCoef[k] += c * w[base + k];
                        }
                        dv[base + n] = c;
                    }
                    for (int j = 0; j < h; ++j)
                        dv[outBase + o * (h + 1) + j] = g * act[j];
                    dv[outBase + o * (h + 1) + h] = g;
                    for (int k = 0; k < n; ++k)
                        if (dzCoef[k] != 0.0)
                            dv += dzCoef[k] * dz.row(k);
                    dI.row(port) = dv;
                }
                const Eigen::Matrix<double, NX, 1> xNext = model.A * x + model.B * u + model.C * i;
                const double y = (model.D * xNext + model.E * u + model.F * i)[0];
                if (wantJ)
                {
                    Snext.noalias() = model.A * S;
                    Snext.noalias() += model.C * dI;
                    S.swap(Snext);
                }
                x = xNext;
                if ((t + 1) % options.every != 0)
                    continue;
                residuals[row] = ys * (y - run.output[s]);
                if (wantJ)
                {
                    J.row(row).noalias() = ys * (model.D.row(0) * S);
                    J.row(row).noalias() += ys * (model.F.row(0) * dI);
                }
                ++row;
                const double* ref = run.statesAt(s + 1);
                for (int c = 0; c < NX; ++c, ++row)
                {
                    residuals[row] = ws * stateScale[c] * (x[c] - ref[c]);
                    if (wantJ)
                        J.row(row) = ws * stateScale[c] * S.row(c);
                }
            }
        }
        for (int r = 0; r < rows; ++r)
            if (!std::isfinite(residuals[r]))
                return false;
        return true;
    }

private:
    const Model& model;
    const TrainedNet& net;
    const BlockLayout& layout;
    const BlockRun& run;
    LoopOptions options;
    double fixedI[NI] = {};
    double outputScale = 1.0;
    double stateScale[NX] = {};
    std::vector<std::size_t> starts;
    std::vector<double> windowScale; ///< per window: its residuals' factor
    int perWindow = 0;
};

} // namespace detail

/// Refines `net` in the loop of `model` (configured for the run's setting) over windows of
/// `run`; `restCurrents` are the currents of the ports the network does not produce.
template <class Model>
LoopReport refineInLoop(TrainedNet& net, const BlockLayout& layout, const Model& model, const BlockRun& run,
                        const double* restCurrents, const LoopOptions& options)
{
    LoopReport report;
    detail::WindowResiduals<Model> cost(model, net, layout, run, restCurrents, options);
    if (cost.windowCount() == 0)
        return report;
    ceres::Problem::Options problemOptions;
    problemOptions.cost_function_ownership = ceres::DO_NOT_TAKE_OWNERSHIP;
    problemOptions.manifold_ownership = ceres::TAKE_OWNERSHIP;
    ceres::Problem problem(problemOptions);
    problem.AddResidualBlock(&cost, nullptr, net.weights.data());
    const std::vector<int> vary = variableWeights(net, layout);
    std::vector<int> fixed;
    for (int k = 0; k < static_cast<int>(net.weights.size()); ++k)
        if (!std::binary_search(vary.begin(), vary.end(), k))
            fixed.push_back(k);
    if (!fixed.empty())
        problem.SetManifold(net.weights.data(), new ceres::SubsetManifold(static_cast<int>(net.weights.size()), fixed));
    ceres::Solver::Options solverOptions;
    solverOptions.minimizer_type = ceres::TRUST_REGION;
    solverOptions.trust_region_strategy_type = ceres::LEVENBERG_MARQUARDT;
    solverOptions.linear_solver_type = ceres::DENSE_NORMAL_CHOLESKY;
    solverOptions.max_num_iterations = options.iterations;
    solverOptions.function_tolerance = 1e-10;
    solverOptions.num_threads = 1;
    solverOptions.logging_type = ceres::SILENT;
    ceres::Solver::Summary summary;
    ceres::Solve(solverOptions, &problem, &summary);
    report.before = summary.initial_cost;
    report.after = summary.final_cost;
    report.iterations = static_cast<int>(summary.iterations.size());
    return report;
}

/// ESR (sum of squared differences over sum of squared reference, after `settle` steps)
/// of the block played freely with `position`'s networks from its table's state at
/// `rate`, against the run. HUGE_VAL without a table entry or for a non-finite output.
template <class Model>
double freeRunEsr(const BlockLayout& layout, const PositionData& position, unsigned index, double rate,
                  const BlockRun& run, std::size_t settle)
{
    BlockFileData file;
    file.layout = layout;
    file.positions.assign(index + 1, position);
    NetworkBlock<Model> block;
    if (!block.configure(file, index, rate))
        return HUGE_VAL;
    double num = 0.0, den = 0.0;
    for (std::size_t n = 0; n < run.size(); ++n)
    {
        const double y = block.step(run.input[n]);
        if (n < settle)
            continue;
        const double e = y - run.output[n];
        num += e * e;
        den += run.output[n] * run.output[n];
    }
    return den > 0.0 && std::isfinite(num) ? num / den : HUGE_VAL;
}

} // namespace ravlin::modelgen
