#include "Network.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace ravlin::modelgen {

void TrainedNet::shape(int n, int h, int m, Clamp c)
{
    inputs = n;
    hidden = h;
    outputs = m;
    clamp = c;
    weights.assign(weightCount(n, h, m), 0.0);
    inputMin.assign(n, -1.0);
    inputMax.assign(n, 1.0);
    outputMin.assign(m, 0.0);
    outputMax.assign(m, 1.0);
    regionLow.assign(n, -std::numeric_limits<float>::max());
    regionHigh.assign(n, std::numeric_limits<float>::max());
}

void TrainedNet::roundToFloat()
{
    auto round = [](std::vector<double>& a) {
        for (double& v : a)
            v = static_cast<double>(static_cast<float>(v));
    };
    round(weights);
    round(inputMin);
    round(inputMax);
    round(outputMin);
    round(outputMax);
    hiddenGain = static_cast<double>(static_cast<float>(hiddenGain));
    outputGain = static_cast<double>(static_cast<float>(outputGain));
}

void TrainedNet::adoptRanges(const TrainedNet& ranges)
{
    const int n = inputs, h = hidden, m = outputs;
    // Input k: the old normalised value is a*z + b of the new one z (a constant
    // input, hi == lo, normalises to -1 under both).
    std::vector<double> a(static_cast<std::size_t>(n), 1.0), b(static_cast<std::size_t>(n), 0.0);
    for (int k = 0; k < n; ++k)
    {
        const double oldSpan = inputMax[k] - inputMin[k], newSpan = ranges.inputMax[k] - ranges.inputMin[k];
        if (oldSpan == 0.0)
        {
            a[k] = 0.0;
            b[k] = -1.0;
        }
        else if (newSpan == 0.0)
        {
            a[k] = 0.0;
            b[k] = 2.0 * (ranges.inputMin[k] - inputMin[k]) / oldSpan - 1.0;
        }
        else
        {
            a[k] = newSpan / oldSpan;
            b[k] = 2.0 * (ranges.inputMin[k] - inputMin[k]) / oldSpan + a[k] - 1.0;
        }
    }
    std::size_t w = 0;
    for (int j = 0; j < h; ++j, w += static_cast<std::size_t>(n + 1))
    {
        double bias = weights[w + static_cast<std::size_t>(n)];
        for (int k = 0; k < n; ++k)
        {
            bias += weights[w + static_cast<std::size_t>(k)] * b[k];
            weights[w + static_cast<std::size_t>(k)] *= a[k];
        }
        weights[w + static_cast<std::size_t>(n)] = bias;
    }
    // Output o: amperes = scale*g*s + min, kept equal under the new scale and min.
    for (int o = 0; o < m; ++o)
    {
        double* row = &weights[w + static_cast<std::size_t>(o) * static_cast<std::size_t>(h + 1)];
        const double oldScale = scale(o), oldMin = outputMin[o];
        const double newScale = ranges.scale(o), newMin = ranges.outputMin[o];
        if (newScale == 0.0 || outputGain == 0.0)
            continue;
        const double f = oldScale / newScale;
        for (int j = 0; j < h; ++j)
            row[j] *= f;
        row[h] = row[h] * f + (oldMin - newMin) / (outputGain * newScale);
    }
    inputMin = ranges.inputMin;
    inputMax = ranges.inputMax;
    outputMin = ranges.outputMin;
    outputMax = ranges.outputMax;
}

double TrainedNet::normaliseInput(int k, double x) const
{
    const double lo = inputMin[k], hi = inputMax[k];
    if (hi == lo)
        return -1.0;
    return 2.0 * (x - lo) / (hi - lo) - 1.0;
}

double TrainedNet::scale(int o) const
{
    // The run-time raises a non-empty range below 1e-8 (in single precision) to that floor.
    const double d = outputMax[o] - outputMin[o];
    if (outputMax[o] > outputMin[o] && static_cast<float>(d) < 1e-8f)
        return static_cast<double>(1e-8f);
    return d;
}

double TrainedNet::normaliseOutput(int o, double y) const
{
    const double s = scale(o);
    return s != 0.0 ? (y - outputMin[o]) / s : 0.0;
}

void TrainedNet::run(const double* x, double* out, bool clampOutputs) const
{
    double act[256];
    std::size_t w = 0;
    for (int h = 0; h < hidden; ++h)
    {
        double s = 0.0;
        for (int k = 0; k < inputs; ++k)
            s += weights[w++] * normaliseInput(k, x[k]);
        s += weights[w++];
        const double t = hiddenGain * s;
        act[h] = t / (std::fabs(t) + 1.0);
    }
    for (int o = 0; o < outputs; ++o)
    {
        double s = 0.0;
        for (int h = 0; h < hidden; ++h)
            s += weights[w++] * act[h];
        s += weights[w++];
        double v = outputGain * s;
        if (clampOutputs)
        {
            const double lo = clamp == Clamp::bipolar ? -1.0 : 0.0;
            v = v < lo ? lo : (v > 1.0 ? 1.0 : v);
        }
        out[o] = scale(o) * v + outputMin[o];
    }
}

void TrainedNet::evaluate(const double* x, double* out) const { run(x, out, true); }
void TrainedNet::evaluateUnclamped(const double* x, double* out) const { run(x, out, false); }

} // namespace ravlin::modelgen
