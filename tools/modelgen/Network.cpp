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
