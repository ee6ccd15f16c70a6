#pragma once
// Training pairs of one block setting from a port-voltage cloud: for each point v,
// i = f(v) from the block's own triodes and p = v - K i with the setting's K. The
// network input is the enabled features of p, its target the enabled slots of i.
#include <algorithm>
#include <cmath>
#include <vector>

#include "BlockLayout.h"
#include "Clouds.h"
#include "Trainer.h"

namespace ravlin::modelgen {

/// `model` must already be configured (valve set, rate, position, coefficients).
template <class Model>
void addPairs(Model& model, const PortCloud& cloud, const BlockLayout& layout, Dataset& data, double weight = 1.0)
{
    data.inputs = layout.featureCount;
    data.outputs = layout.outputCount;
    double x[4], y[4];
    for (std::size_t k = 0; k < cloud.size(); ++k)
    {
        for (int c = 0; c < layout.ports; ++c)
            model.v[c] = cloud.point(k)[c];
        model.evaluateNonlinearity();
        model.storeCurrents();
        if (!model.i.allFinite())
            continue;
        const auto p = (model.v - model.K * model.i).eval();
        for (int f = 0; f < layout.featureCount; ++f)
            x[f] = p[layout.features[static_cast<std::size_t>(f)]];
        for (int o = 0; o < layout.outputCount; ++o)
            y[o] = model.i[layout.outputs[static_cast<std::size_t>(o)]];
        data.add(x, y, weight);
    }
}

/// Multiplies the weight of every pair by 1 + boost * exp(-d^2), d being the distance of its input from
/// `centre` in units of `width` times the data's extent along each input. Quiet signals
/// play in this neighbourhood of the resting point: an error there, in the value or in
/// the slope, is an offset and a wrong small-signal gain that no loud passage masks,
/// while in the pooled clouds of all Gain positions it is a small share of the data.
inline void weightAround(Dataset& data, const double* centre, double boost, double width)
{
    const std::size_t n = static_cast<std::size_t>(data.inputs);
    std::vector<double> lo(n, HUGE_VAL), hi(n, -HUGE_VAL);
    for (std::size_t q = 0; q < data.size(); ++q)
        for (std::size_t f = 0; f < n; ++f)
        {
            lo[f] = std::min(lo[f], data.x[q * n + f]);
            hi[f] = std::max(hi[f], data.x[q * n + f]);
        }
    if (data.weight.empty())
        data.weight.assign(data.size(), 1.0);
    for (std::size_t q = 0; q < data.size(); ++q)
    {
        double d2 = 0.0;
        for (std::size_t f = 0; f < n; ++f)
        {
            const double extent = width * (hi[f] - lo[f]);
            const double d = extent > 0.0 ? (data.x[q * n + f] - centre[f]) / extent : 0.0;
            d2 += d * d;
        }
        data.weight[q] *= 1.0 + boost * std::exp(-d2);
    }
}

} // namespace ravlin::modelgen
