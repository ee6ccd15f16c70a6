#include "Trainer.h"

#include <algorithm>
#include <cmath>

#include <ceres/ceres.h>
#include <Eigen/Dense>

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
                residuals[r] = ws * (net.outputGain * sum - tNorm[r]);
                if (jacobians && jacobians[0])
                {
                    double* row = jacobians[0] + r * P;
                    std::fill(row, row + P, 0.0);
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

// Random hidden layer (weights spread so the units' knees cover [-1, 1]^n), then
// the output layer by linear least squares on the hidden activations.
void initialise(TrainedNet& net, const std::vector<double>& xn, const std::vector<double>& tn, std::uint64_t seed)
{
    Rng rng(seed);
    const int n = net.inputs, h = net.hidden, m = net.outputs;
    for (int j = 0; j < h; ++j)
    {
        double* wj = &net.weights[static_cast<std::size_t>(j) * (n + 1)];
        for (int k = 0; k < n; ++k)
            wj[k] = rng.normal() * 2.0 / std::sqrt(static_cast<double>(n));
        wj[n] = rng.uniform(-1.5, 1.5);
    }
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
    Eigen::MatrixXd T(count, m);
    for (std::size_t s = 0; s < count; ++s)
        for (int o = 0; o < m; ++o)
            T(static_cast<Eigen::Index>(s), o) = tn[s * m + o];
    const Eigen::MatrixXd HtH = Hm.transpose() * Hm + 1e-9 * Eigen::MatrixXd::Identity(h + 1, h + 1);
    const Eigen::MatrixXd W = HtH.ldlt().solve(Hm.transpose() * T);
    const std::size_t outBase = static_cast<std::size_t>((n + 1) * h);
    for (int o = 0; o < m; ++o)
        for (int j = 0; j <= h; ++j)
            net.weights[outBase + static_cast<std::size_t>(o) * (h + 1) + j] = W(j, o);
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
        if (net.clamp == Clamp::bipolar)
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
            const double lo = net.clamp == Clamp::bipolar ? 2.0 * net.outputMin[o] - net.outputMax[o] : net.outputMin[o];
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
        initialise(net, xn, tn, options.seed);

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
