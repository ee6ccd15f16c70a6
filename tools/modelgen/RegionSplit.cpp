#include "RegionSplit.h"

#include <algorithm>

namespace ravlin::modelgen {

std::vector<double> regionCuts(const Dataset& data, int regions, double rest)
{
    std::vector<double> first(data.size());
    for (std::size_t s = 0; s < data.size(); ++s)
        first[s] = data.x[s * static_cast<std::size_t>(data.inputs)];
    std::sort(first.begin(), first.end());
    const double share = 1.0 / regions;
    const int left = (regions - 1) / 2, right = regions - 1 - left;
    const double atRest = static_cast<double>(std::lower_bound(first.begin(), first.end(), rest) - first.begin())
                          / static_cast<double>(first.size());
    const double lo = std::clamp(atRest - 0.5 * share, left * share * 0.5, 1.0 - share - right * share * 0.5);
    std::vector<double> at;
    for (int r = 1; r <= left; ++r)
        at.push_back(lo * r / left);
    for (int r = 0; r <= right - 1; ++r)
        at.push_back(lo + share + (1.0 - lo - share) * r / right);
    std::vector<double> cuts;
    for (double q : at)
        cuts.push_back(static_cast<double>(static_cast<float>(
            first[std::min(first.size() - 1, static_cast<std::size_t>(q * static_cast<double>(first.size())))])));
    return cuts;
}

Dataset regionData(const Dataset& data, double lo, double hi, double pad)
{
    const double a = lo > -kUnbounded ? lo - pad : lo;
    const double b = hi < kUnbounded ? hi + pad : hi;
    Dataset out;
    out.inputs = data.inputs;
    out.outputs = data.outputs;
    for (std::size_t s = 0; s < data.size(); ++s)
    {
        const double z0 = data.x[s * static_cast<std::size_t>(data.inputs)];
        if (z0 > a && z0 < b)
            out.add(&data.x[s * static_cast<std::size_t>(data.inputs)],
                    &data.y[s * static_cast<std::size_t>(data.outputs)], data.weight.empty() ? 1.0 : data.weight[s]);
    }
    return out;
}

} // namespace ravlin::modelgen
