#pragma once
// Training pairs of one block setting from a port-voltage cloud: for each point v,
// i = f(v) from the block's own triodes and p = v - K i with the setting's K. The
// network input is the enabled features of p, its target the enabled slots of i.
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

} // namespace ravlin::modelgen
