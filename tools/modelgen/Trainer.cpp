#include "Trainer.h"

#include <algorithm>
#include <cmath>

#include <Eigen/Dense>
#include <ceres/ceres.h>

#include "Rng.h"

namespace ravlin::modelgen {

void Dataset::add(const double* xi, const double* yi, double w)
{
    x.insert(x.end(), xi, xi + inputs);
    y.insert(y.end(), yi, yi + outputs);
    if (w != 1.0 || !weight.empty())
    {
        if (weight.empty())
            weight.assign(size() - 1, 1.0);
        weight.push_back(w);
    }
}

namespace {

// All residuals of the fit in one block: (output_o(x_n) - target_{n,o}) * weight_n,
// with the analytic Jacobian of the softsign network.
class NetworkResiduals final : public ceres::CostFunction
{
public:
    NetworkResiduals(const TrainedNet& shape, const std::vector<double>& xn, const std::vector<double>& tn,
                     const std::vector<double>& w)
        : net(shape), xNorm(xn), tNorm(tn), weights(w)
    {
        const std::size_t count = xn.size() / static_cast<std::size_t>(net.inputs);
        set_num_residuals(static_cast<int>(count) * net.outputs);
        mutable_parameter_block_sizes()->push_back(static_cast<int>(net.weights.size()));
    }

    bool Evaluate(double const* const* parameters, double* residuals, double** jacobians) const override
    {
        const double* p = parameters[0];
        const int n = net.inputs, h = net.hidden, m = net.outputs;
        const std::size_t P = net.weights.size();
        const std::size_t count = xNorm.size() / static_cast<std::size_t>(n);
        const std::size_t outBase = static_cast<std::size_t>((n + 1) * h);
        std::vector<double> act(h), slope(h);
        for (std::size_t s = 0; s < count; ++s)
        {
            const double* xs = &xNorm[s * n];
            for (int j = 0; j < h; ++j)
            {
                const double* wj = p + static_cast<std::size_t>(j) * (n + 1);
                double sum = wj[n];
                for (int k = 0; k < n; ++k)
                    sum += wj[k] * xs[k];
                const double t = net.hiddenGain * sum;
                const double d = 1.0 / (std::fabs(t) + 1.0);
                act[j] = t * d;
                slope[j] = net.hiddenGain * d * d;
            }
            const double ws = weights.empty() ? 1.0 : weights[s];
            for (int o = 0; o < m; ++o)
            {
                const double* wo = p + outBase + static_cast<std::size_t>(o) * (h + 1);
                double sum = wo[h];
                for (int j = 0; j < h; ++j)
                    sum += wo[j] * act[j];
                const std::size_t r = s * m + o;
                // A target on the lower clamp (a current that is exactly zero) is met by
                // any output below the clamp: the run-time clamps it to exactly zero.
                const bool clamped =
                    net.clamp == Clamp::bipolar && tNorm[r] * net.outputGain <= -1.0 && net.outputGain * sum < -1.0;
                residuals[r] = clamped ? 0.0 : ws * (net.outputGain * sum - tNorm[r]);
                if (jacobians && jacobians[0])
                {
                    double* row = jacobians[0] + r * P;
                    std::fill(row, row + P, 0.0);
                    if (clamped)
                        continue;
                    const double g = ws * net.outputGain;
                    for (int j = 0; j < h; ++j)
                    {
                        const double c = g * wo[j] * slope[j];
                        double* rj = row + static_cast<std::size_t>(j) * (n + 1);
                        for (int k = 0; k < n; ++k)
                            rj[k] = c * xs[k];
                        rj[n] = c;
                    }
                    double* ro = row + outBase + static_cast<std::size_t>(o) * (h + 1);
                    for (int j = 0; j < h; ++j)
                        ro[j] = g * act[j];
                    ro[h] = g;
                }
            }
        }
        return true;
    }

private:
    const TrainedNet& net;
    const std::vector<double>& xNorm;
    const std::vector<double>& tNorm;
    const std::vector<double>& weights;
};

void normalise(const TrainedNet& net, const Dataset& data, std::vector<double>& xn, std::vector<double>& tn)
{
    const std::size_t count = data.size();
    xn.resize(count * net.inputs);
    tn.resize(count * net.outputs);
    for (std::size_t s = 0; s < count; ++s)
    {
        for (int k = 0; k < net.inputs; ++k)
            xn[s * net.inputs + k] = net.normaliseInput(k, data.x[s * net.inputs + k]);
        for (int o = 0; o < net.outputs; ++o)
            tn[s * net.outputs + o] = net.normaliseOutput(o, data.y[s * net.outputs + o]) / net.outputGain;
    }
}

// Output layer by linear least squares on the hidden activations of the current
// hidden layer; returns the sum of squared residuals.
double solveOutputLayer(TrainedNet& net, const std::vector<double>& xn, const std::vector<double>& tn)
{
    const int n = net.inputs, h = net.hidden, m = net.outputs;
    const std::size_t count = xn.size() / static_cast<std::size_t>(n);
    Eigen::MatrixXd Hm(count, h + 1);
    for (std::size_t s = 0; s < count; ++s)
    {
        for (int j = 0; j < h; ++j)
        {
            const double* wj = &net.weights[static_cast<std::size_t>(j) * (n + 1)];
            double sum = wj[n];
            for (int k = 0; k < n; ++k)
                sum += wj[k] * xn[s * n + k];
            const double t = net.hiddenGain * sum;
            Hm(static_cast<Eigen::Index>(s), j) = t / (std::fabs(t) + 1.0);
        }
        Hm(static_cast<Eigen::Index>(s), h) = 1.0;
    }
    const Eigen::Map<const Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>> T(
        tn.data(), static_cast<Eigen::Index>(count), m);
    const Eigen::MatrixXd HtH = Hm.transpose() * Hm + 1e-9 * Eigen::MatrixXd::Identity(h + 1, h + 1);
    const Eigen::MatrixXd W = HtH.ldlt().solve(Hm.transpose() * T);
    const std::size_t outBase = static_cast<std::size_t>((n + 1) * h);
    for (int o = 0; o < m; ++o)
        for (int j = 0; j <= h; ++j)
            net.weights[outBase + static_cast<std::size_t>(o) * (h + 1) + j] = W(j, o);
    return (Hm * W - T).squaredNorm();
}

// Hidden layer placed on the data: each unit's knee goes through a randomly chosen
// training point, facing a random direction, with a steepness drawn log-uniformly
// between a knee as wide as the whole range and one `steepest` times narrower. The port
// currents switch between cut-off, conduction and grid conduction within a few volts
// of ranges tens of volts wide, so knees scattered uniformly over the box with unit
// steepness (the usual start) leave those transitions to a slow climb of the weights.
// Several such layers are drawn; the one whose least-squares output layer fits best
// is kept.
void initialise(TrainedNet& net, const std::vector<double>& xn, const std::vector<double>& tn, std::uint64_t seed,
                double steepest)
{
    Rng rng(seed);
    const int n = net.inputs, h = net.hidden;
    const std::size_t count = xn.size() / static_cast<std::size_t>(n);
    if (count == 0)
        return;
    constexpr int candidates = 6;
    std::vector<double> best;
    double bestError = HUGE_VAL;
    std::vector<double> d(static_cast<std::size_t>(n));
    for (int c = 0; c < candidates; ++c)
    {
        for (int j = 0; j < h; ++j)
        {
            double norm = 0.0;
            for (int k = 0; k < n; ++k)
            {
                d[static_cast<std::size_t>(k)] = rng.normal();
                norm += d[static_cast<std::size_t>(k)] * d[static_cast<std::size_t>(k)];
            }
            norm = std::sqrt(std::max(norm, 1e-30));
            const double steep = std::exp(rng.uniform(0.0, std::log(steepest))) / net.hiddenGain;
            const double* anchor = &xn[static_cast<std::size_t>(rng.below(count)) * static_cast<std::size_t>(n)];
            double* wj = &net.weights[static_cast<std::size_t>(j) * (n + 1)];
            double bias = 0.0;
            for (int k = 0; k < n; ++k)
            {
                wj[k] = steep * d[static_cast<std::size_t>(k)] / norm;
                bias -= wj[k] * anchor[k];
            }
            wj[n] = bias;
        }
        const double e = solveOutputLayer(net, xn, tn);
        if (e < bestError)
        {
            bestError = e;
            best = net.weights;
        }
    }
    net.weights = best;
}

} // namespace

namespace {

double quantile(std::vector<double> values, double q)
{
    if (values.empty())
        return 0.0;
    const std::size_t k = static_cast<std::size_t>(q * static_cast<double>(values.size() - 1) + 0.5);
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(k), values.end());
    return values[k];
}

} // namespace

void setRangesFromData(TrainedNet& net, const Dataset& data, const FitOptions& options)
{
    const std::size_t count = data.size();
    // Inputs: the bulk of the data (a few stray points of the margin cloud reach
    // hundreds of volts further out and would waste the normalised range).
    for (int k = 0; k < net.inputs; ++k)
    {
        std::vector<double> col(count);
        for (std::size_t s = 0; s < count; ++s)
            col[s] = data.x[s * net.inputs + k];
        const double lo = quantile(col, options.inputQuantile), hi = quantile(col, 1.0 - options.inputQuantile);
        const double pad = options.inputMargin * (hi - lo);
        net.inputMin[k] = lo - pad;
        net.inputMax[k] = hi + pad;
    }
    // Outputs: every target of a point inside the input box.
    for (int o = 0; o < net.outputs; ++o)
    {
        double lo = HUGE_VAL, hi = -HUGE_VAL;
        for (std::size_t s = 0; s < count; ++s)
        {
            if (!insideInputs(net, &data.x[s * net.inputs]))
                continue;
            lo = std::min(lo, data.y[s * net.outputs + o]);
            hi = std::max(hi, data.y[s * net.outputs + o]);
        }
        if (!std::isfinite(lo) || !std::isfinite(hi))
            lo = hi = 0.0;
        if (hi - lo < 4e-8) // a (nearly) constant current: keep the range clear of the run-time's scale floor
        {
            const double mid = 0.5 * (lo + hi);
            lo = mid - 2e-8;
            hi = mid + 2e-8;
        }
        if (net.clamp == Clamp::bipolar && lo == 0.0)
        {
            // A current that is exactly zero over part of the data (cut-off, a grid
            // below its cathode): the lower clamp lands on exactly 0 A, so the network
            // only has to stay below it there. In single precision outputMin is exactly
            // half of outputMax, which makes outputMin - (outputMax - outputMin) = 0.
            const float top = static_cast<float>(hi + options.outputMargin * (hi - lo));
            net.outputMax[o] = static_cast<double>(top);
            net.outputMin[o] = static_cast<double>(top * 0.5f);
        }
        else if (net.clamp == Clamp::bipolar)
        {
            const double half = 0.5 * (hi - lo) * (1.0 + options.outputMargin);
            net.outputMin[o] = 0.5 * (lo + hi);
            net.outputMax[o] = net.outputMin[o] + half;
        }
        else
        {
            // Unipolar: [outputMin, outputMax] is the whole clamp range. Currents of
            // the triodes are never negative, so the lower end stays at the data.
            net.outputMin[o] = lo;
            net.outputMax[o] = hi + options.outputMargin * (hi - lo);
        }
    }
}

bool insideInputs(const TrainedNet& net, const double* x)
{
    for (int k = 0; k < net.inputs; ++k)
        if (!(x[k] >= net.inputMin[k] && x[k] <= net.inputMax[k]))
            return false;
    return true;
}

Dataset restrictToRanges(const TrainedNet& net, const Dataset& data)
{
    Dataset out;
    out.inputs = data.inputs;
    out.outputs = data.outputs;
    for (std::size_t s = 0; s < data.size(); ++s)
    {
        const double* x = &data.x[s * data.inputs];
        const double* y = &data.y[s * data.outputs];
        bool keep = insideInputs(net, x);
        for (int o = 0; o < net.outputs && keep; ++o)
        {
            const double lo =
                net.clamp == Clamp::bipolar ? 2.0 * net.outputMin[o] - net.outputMax[o] : net.outputMin[o];
            keep = y[o] >= lo && y[o] <= net.outputMax[o];
        }
        if (keep)
            out.add(x, y, data.weight.empty() ? 1.0 : data.weight[s]);
    }
    return out;
}

FitReport fitNetwork(TrainedNet& net, const Dataset& data, const FitOptions& options, bool warmStart)
{
    std::vector<double> xn, tn;
    normalise(net, data, xn, tn);
    if (!warmStart)
        initialise(net, xn, tn, options.seed, options.steepest);

    ceres::Problem::Options problemOptions;
    problemOptions.cost_function_ownership = ceres::DO_NOT_TAKE_OWNERSHIP;
    ceres::Problem problem(problemOptions);
    NetworkResiduals cost(net, xn, tn, data.weight);
    problem.AddResidualBlock(&cost, nullptr, net.weights.data());

    ceres::Solver::Options solverOptions;
    solverOptions.minimizer_type = ceres::TRUST_REGION;
    solverOptions.trust_region_strategy_type = ceres::LEVENBERG_MARQUARDT;
    solverOptions.linear_solver_type = ceres::DENSE_NORMAL_CHOLESKY;
    solverOptions.max_num_iterations = options.maxIterations;
    solverOptions.function_tolerance = options.functionTolerance;
    solverOptions.gradient_tolerance = 1e-14;
    solverOptions.parameter_tolerance = 1e-12;
    solverOptions.num_threads = 1;
    solverOptions.logging_type = ceres::SILENT;
    solverOptions.minimizer_progress_to_stdout = false;
    ceres::Solver::Summary summary;
    ceres::Solve(solverOptions, &problem, &summary);

    FitReport report = measure(net, data);
    report.iterations = static_cast<int>(summary.iterations.size());
    return report;
}

FitReport fitNetworkPerOutput(TrainedNet& net, const Dataset& data, const FitOptions& options, bool warmStart,
                              const std::vector<int>& units)
{
    const int n = net.inputs, h = net.hidden, m = net.outputs;
    const std::size_t outBase = static_cast<std::size_t>((n + 1) * h);
    std::vector<double> assembled(net.weights.size(), 0.0);
    int first = 0; // first hidden unit of the current output
    int iterations = 0;
    for (int o = 0; o < m; ++o)
    {
        const int u = units[static_cast<std::size_t>(o)];
        TrainedNet part;
        part.shape(n, u, 1, net.clamp);
        part.hiddenGain = net.hiddenGain;
        part.outputGain = net.outputGain;
        part.inputMin = net.inputMin;
        part.inputMax = net.inputMax;
        part.outputMin = {net.outputMin[static_cast<std::size_t>(o)]};
        part.outputMax = {net.outputMax[static_cast<std::size_t>(o)]};
        const std::size_t partOut = static_cast<std::size_t>((n + 1) * u);
        if (warmStart)
        {
            std::copy_n(net.weights.begin() + static_cast<std::ptrdiff_t>(first * (n + 1)), partOut,
                        part.weights.begin());
            const double* row = &net.weights[outBase + static_cast<std::size_t>(o) * (h + 1)];
            std::copy_n(row + first, u, part.weights.begin() + static_cast<std::ptrdiff_t>(partOut));
            part.weights[partOut + static_cast<std::size_t>(u)] = row[h];
        }
        Dataset single;
        single.inputs = n;
        single.outputs = 1;
        single.x = data.x;
        single.weight = data.weight;
        single.y.resize(data.size());
        for (std::size_t s = 0; s < data.size(); ++s)
            single.y[s] = data.y[s * static_cast<std::size_t>(m) + static_cast<std::size_t>(o)];
        FitOptions partOptions = options;
        partOptions.seed = options.seed * 31u + static_cast<std::uint64_t>(o) + 1u;
        const FitReport r = fitNetwork(part, single, partOptions, warmStart);
        iterations = std::max(iterations, r.iterations);
        std::copy_n(part.weights.begin(), partOut, assembled.begin() + static_cast<std::ptrdiff_t>(first * (n + 1)));
        double* row = &assembled[outBase + static_cast<std::size_t>(o) * (h + 1)];
        std::copy_n(part.weights.begin() + static_cast<std::ptrdiff_t>(partOut), u, row + first);
        row[h] = part.weights[partOut + static_cast<std::size_t>(u)];
        first += u;
    }
    net.weights = assembled;
    FitReport report = measure(net, data);
    report.iterations = iterations;
    return report;
}

FitReport measure(const TrainedNet& net, const Dataset& data)
{
    FitReport report;
    const std::size_t count = data.size();
    std::vector<double> range(net.outputs, 0.0);
    for (int o = 0; o < net.outputs; ++o)
    {
        double lo = HUGE_VAL, hi = -HUGE_VAL;
        for (std::size_t s = 0; s < count; ++s)
        {
            lo = std::min(lo, data.y[s * net.outputs + o]);
            hi = std::max(hi, data.y[s * net.outputs + o]);
        }
        range[o] = hi > lo ? hi - lo : 1.0;
    }
    double sum = 0.0;
    std::vector<double> out(net.outputs);
    for (std::size_t s = 0; s < count; ++s)
    {
        net.evaluate(&data.x[s * net.inputs], out.data());
        for (int o = 0; o < net.outputs; ++o)
        {
            const double e = (out[o] - data.y[s * net.outputs + o]) / range[o];
            sum += e * e;
            report.maxError = std::max(report.maxError, std::fabs(e));
        }
    }
    report.rms = count > 0 ? std::sqrt(sum / static_cast<double>(count * net.outputs)) : 0.0;
    return report;
}

} // namespace ravlin::modelgen
