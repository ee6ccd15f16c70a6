#include "fast/NetworkLayout.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <stdexcept>

namespace ravlin {

namespace {

constexpr int lanes = NetworkLayout::lanes;
constexpr std::size_t storeAlignment = 64;

/// Hidden units [first, last) of output o whose weights are not zero; empty when all are.
struct Run
{
    int first = 0;
    int last = 0;
    int length() const noexcept { return last - first; }
};

Run nonZeroRun(const net_node_eigen& r, int o)
{
    const double* w = r.outputWeights + static_cast<std::size_t>(o) * r.hiddenCount;
    Run run;
    int h = 0;
    while (h < r.hiddenCount && w[h] == 0.0)
        ++h;
    if (h == r.hiddenCount)
        return run;
    run.first = h;
    run.last = r.hiddenCount;
    while (w[run.last - 1] == 0.0)
        --run.last;
    return run;
}

struct Plan
{
    NetworkLayout::OutputForm form = NetworkLayout::OutputForm::shared;
    int used = 0;
    Run runs[NetworkLayout::maxOutputs];
    Run shared; ///< the union of the runs (shared form)
    int groups = 0;
    int steps = 0;
};

Plan plan(const net_node_eigen& r, int used)
{
    Plan p;
    p.used = used;
    int nonEmpty = 0;
    bool disjoint = true;
    p.shared.first = r.hiddenCount;
    p.shared.last = 0;
    for (int u = 0; u < used; ++u)
    {
        p.runs[u] = nonZeroRun(r, u);
        if (p.runs[u].length() == 0)
            continue;
        for (int v = 0; v < u; ++v)
            if (p.runs[v].length() > 0 && p.runs[v].first < p.runs[u].last && p.runs[u].first < p.runs[v].last)
                disjoint = false;
        ++nonEmpty;
        p.shared.first = std::min(p.shared.first, p.runs[u].first);
        p.shared.last = std::max(p.shared.last, p.runs[u].last);
    }
    if (nonEmpty == 0)
        p.shared = Run{};
    if (nonEmpty >= 2 && disjoint)
    {
        p.form = NetworkLayout::OutputForm::split;
        for (int u = 0; u < used; ++u)
            p.steps = std::max(p.steps, p.runs[u].length());
        p.groups = p.steps;
    }
    else
    {
        p.steps = p.shared.length();
        p.groups = (p.steps + lanes - 1) / lanes;
    }
    return p;
}

std::size_t valuesOf(const Plan& p, int inputs)
{
    return static_cast<std::size_t>(p.groups) * static_cast<std::size_t>(inputs + 1) * lanes
           + static_cast<std::size_t>(p.steps) * lanes;
}

/// Fills the layout's arrays at `at` (groups × inputs × lanes hidden weights, groups × lanes biases,
/// steps × lanes output weights). Idle units keep zero weights and bias.
void fill(NetworkLayout& l, const net_node_eigen& r, const Plan& p, double* at)
{
    const int inputs = r.inputCount;
    double* hw = at;
    double* hb = hw + static_cast<std::size_t>(p.groups) * inputs * lanes;
    double* ow = hb + static_cast<std::size_t>(p.groups) * lanes;
    auto placeUnit = [&](int group, int lane, int h) {
        for (int k = 0; k < inputs; ++k)
            hw[(static_cast<std::size_t>(group) * inputs + k) * lanes + lane] =
                r.hiddenWeights[static_cast<std::size_t>(h) * inputs + k];
        hb[static_cast<std::size_t>(group) * lanes + lane] = r.hiddenBias[h];
    };
    if (p.form == NetworkLayout::OutputForm::split)
    {
        // An idle unit's activation is ±0 with the sign of the hidden gain (bias and weights +0 give
        // a +0 sum for any finite input); its output weight gets the other sign, so the product is
        // -0 and adding it changes no sum, not even a -0 one.
        const double idleWeight = std::signbit(r.hiddenLayerGain) ? 0.0 : -0.0;
        for (int s = 0; s < p.steps; ++s)
            for (int u = 0; u < lanes; ++u)
            {
                const bool real = u < p.used && s < p.runs[u].length();
                if (real)
                {
                    const int h = p.runs[u].first + s;
                    placeUnit(s, u, h);
                    ow[static_cast<std::size_t>(s) * lanes + u] =
                        r.outputWeights[static_cast<std::size_t>(u) * r.hiddenCount + h];
                }
                else
                {
                    ow[static_cast<std::size_t>(s) * lanes + u] = idleWeight;
                }
            }
    }
    else
    {
        for (int s = 0; s < p.steps; ++s)
        {
            const int h = p.shared.first + s;
            placeUnit(s / lanes, s % lanes, h);
            for (int u = 0; u < p.used; ++u)
                ow[static_cast<std::size_t>(s) * lanes + u] =
                    r.outputWeights[static_cast<std::size_t>(u) * r.hiddenCount + h];
        }
    }
    l.hiddenWeights = hw;
    l.hiddenBias = hb;
    l.outputWeights = ow;
}

} // namespace

NetworkLayouts::Store::~Store()
{
    if (values != nullptr)
        ::operator delete(values, std::align_val_t(storeAlignment));
}

void NetworkLayouts::build(const std::vector<net_node_eigen>& networks,
                           const std::vector<std::vector<std::uint8_t>>& slotMaps, bool unipolar)
{
    if (slotMaps.size() != networks.size())
        throw std::invalid_argument("NetworkLayouts: one slot map per network");
    std::vector<Plan> plans(networks.size());
    std::size_t total = 0;
    for (std::size_t n = 0; n < networks.size(); ++n)
    {
        const net_node_eigen& r = networks[n];
        if (r.inputCount < 1 || r.inputCount > NetworkLayout::maxInputs)
            throw std::invalid_argument("NetworkLayouts: 1 to 4 network inputs");
        const int used = static_cast<int>(std::min<std::size_t>(
            {slotMaps[n].size(), std::size_t(r.outputCount), std::size_t(NetworkLayout::maxOutputs)}));
        plans[n] = plan(r, used);
        total += valuesOf(plans[n], r.inputCount);
    }
    Store fresh;
    fresh.values = static_cast<double*>(
        ::operator new(std::max<std::size_t>(total, 1) * sizeof(double), std::align_val_t(storeAlignment)));
    std::memset(fresh.values, 0, std::max<std::size_t>(total, 1) * sizeof(double));
    std::vector<NetworkLayout> built(networks.size());
    double* at = fresh.values;
    for (std::size_t n = 0; n < networks.size(); ++n)
    {
        const net_node_eigen& r = networks[n];
        const Plan& p = plans[n];
        NetworkLayout& l = built[n];
        l.inputCount = r.inputCount;
        l.groupCount = p.groups;
        l.outputSteps = p.steps;
        l.usedOutputs = p.used;
        l.form = p.form;
        l.hiddenGain = r.hiddenLayerGain;
        l.outputGain = r.outputLayerGain;
        l.clampLow = unipolar ? 0.0 : -1.0;
        for (int u = 0; u < p.used; ++u)
        {
            l.outputBias[u] = r.outputBias[u];
            l.outputScale[u] = r.outputScale[u];
            l.outputMin[u] = r.outputMin[u];
            l.slot[u] = slotMaps[n][static_cast<std::size_t>(u)];
        }
        for (int k = 0; k < r.inputCount; ++k)
        {
            l.regionLow[k] = r.regionLow[k];
            l.regionHigh[k] = r.regionHigh[k];
        }
        fill(l, r, p, at);
        at += valuesOf(p, r.inputCount);
    }
    layouts.swap(built);
    store.swap(fresh);
}

std::vector<std::uint8_t> bipolarSlotMap(const std::int32_t* outputFlags, unsigned slotCount)
{
    std::vector<std::uint8_t> map;
    for (unsigned q = 0; q < slotCount; ++q)
        if (outputFlags[q] == 1)
            map.push_back(static_cast<std::uint8_t>(q));
    return map;
}

std::vector<std::uint8_t> unipolarSlotMap(unsigned slotCount)
{
    std::vector<std::uint8_t> map(slotCount);
    for (unsigned q = 0; q < slotCount; ++q)
        map[q] = static_cast<std::uint8_t>(q);
    return map;
}

} // namespace ravlin
