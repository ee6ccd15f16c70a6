#pragma once
// Operating-point tables: for every effective rate, the DC operating point of a
// block at one position, stored as (rate, p, i, x) after the entry count.
#include <vector>

#include "Rates.h"
#include "circuit/OperatingPoint.h"
#include "circuit/ReferenceChain.h"

namespace ravlin::modelgen {

/// Resting input voltage of block b (1..4) at a Gain position, valve set and rate:
/// 0 for block 1, else the resting output of the reference chain's block b-1.
inline double restingInput(int block, ValveSet set, double rate, unsigned gain)
{
    if (block == 1)
        return 0.0;
    ReferenceChain chain;
    ChainSetting s;
    s.set = set;
    s.rate = rate;
    s.gain = gain;
    chain.configure(s);
    return chain.restOutput[block - 2];
}

/// Table of one position: `inputs[k]` is the block's resting input at rates[k].
/// Returns false when an operating point did not converge.
template <class Model>
bool operatingTable(ValveSet set, unsigned position, const std::vector<double>& rates,
                    const std::vector<double>& inputs, std::vector<double>& table)
{
    Model m(44100.0);
    constexpr int NV = Model::Traits::NV, NI = Model::Traits::NI, NX = Model::Traits::NX;
    table.assign(1, static_cast<double>(rates.size()));
    bool ok = true;
    for (std::size_t k = 0; k < rates.size(); ++k)
    {
        configureBlock(m, set, rates[k], position);
        m.x.setZero();
        ok = operatingPoint(m, inputs[k]).converged && ok;
        table.push_back(rates[k]);
        for (int c = 0; c < NV; ++c)
            table.push_back(m.p[c]);
        for (int c = 0; c < NI; ++c)
            table.push_back(m.i[c]);
        for (int c = 0; c < NX; ++c)
            table.push_back(m.x[c]);
    }
    return ok;
}

/// A table's entry for `rate`: the rate, then p, i and x (nullptr when the table has none).
template <class Model>
const double* tableEntry(const std::vector<double>& table, double rate)
{
    constexpr std::size_t L = 1 + Model::Traits::NV + Model::Traits::NI + Model::Traits::NX;
    const std::size_t count = table.empty() ? 0 : static_cast<std::size_t>(table[0]);
    for (std::size_t k = 0; k < count; ++k)
        if (table[1 + k * L] == rate)
            return &table[1 + k * L];
    return nullptr;
}

/// The same entry, to be rewritten.
template <class Model>
double* tableEntry(std::vector<double>& table, double rate)
{
    return const_cast<double*>(tableEntry<Model>(static_cast<const std::vector<double>&>(table), rate));
}

} // namespace ravlin::modelgen
