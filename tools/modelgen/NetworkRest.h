#pragma once
// Where a block with its trained network in the loop rests: the fixed point of the run-time's
// step at a constant input (findRest, the run-time's own search). The port solve and the network agree only to the network's error,
// so the circuit's own operating point is not a rest of the trained block: a block started there
// moves to its own rest, and the chain's output carries that move as a thump. Stored in the
// operating-point tables instead, a reset, a rate change and a recovery start the chain where it
// stays on silence.
#include <cmath>

#include <Eigen/Dense>

#include "ModelData.h"
#include "NetworkBlock.h"
#include "fast/RestPoint.h"

namespace ravlin::modelgen {

/// The rest of one block: its states, ports and output.
template <class Model>
struct NetworkRest
{
    static constexpr int NV = Model::Traits::NV, NI = Model::Traits::NI, NX = Model::Traits::NX;
    bool converged = false;
    Eigen::Matrix<double, NV, 1> p;
    Eigen::Matrix<double, NI, 1> i;
    Eigen::Matrix<double, NX, 1> x;
    double output = 0.0; ///< the block's output voltage at rest, V
    int steps = 0;       ///< steps of the block the search took
};

namespace detail {

/// x after one step from `x` at constant `input` (the block's other values stay as they are).
template <class Model>
Eigen::Matrix<double, Model::Traits::NX, 1> stepFrom(NetworkBlock<Model>& b,
                                                     const Eigen::Matrix<double, Model::Traits::NX, 1>& x, double input)
{
    b.model.x = x;
    b.step(input);
    return b.model.x;
}

template <class Model>
bool newtonRest(NetworkBlock<Model>& b, Eigen::Matrix<double, Model::Traits::NX, 1>& x, double input, int& steps)
{
    return findRest<Model::Traits::NX>(
        x, [&](const Eigen::Matrix<double, Model::Traits::NX, 1>& at) { return stepFrom(b, at, input); }, steps);
}

} // namespace detail

/// The rest of position `index` of `file` at `rate` with the block's input held at `input`,
/// searched from the table's entry for the rate (the circuit's operating point). Newton first;
/// if it fails, the block plays `settleSeconds` of the constant input and Newton starts again
/// from there. Not converged when the table has no entry for the rate or both attempts fail.
template <class Model>
NetworkRest<Model> networkRest(const BlockFileData& file, unsigned index, double rate, double input,
                               double settleSeconds = 0.25)
{
    NetworkRest<Model> rest;
    NetworkBlock<Model> b;
    if (!b.configure(file, index, rate))
        return rest;
    auto x = b.model.x;
    bool ok = detail::newtonRest(b, x, input, rest.steps);
    if (!ok)
    {
        b.configure(file, index, rate);
        const long settle = static_cast<long>(settleSeconds * rate);
        for (long n = 0; n < settle; ++n)
            b.step(input);
        rest.steps += static_cast<int>(settle);
        x = b.model.x;
        ok = detail::newtonRest(b, x, input, rest.steps);
    }
    if (!ok)
        return rest;
    // One step from the rest gives the ports and currents the run-time's step computes there.
    b.model.x = x;
    rest.output = b.step(input);
    rest.p = b.model.p;
    rest.i = b.model.i;
    rest.x = x;
    rest.converged = true;
    return rest;
}

/// Writes `rest` into the table entry for `rate` (which must exist).
template <class Model>
void storeRest(std::vector<double>& table, double rate, const NetworkRest<Model>& rest)
{
    constexpr int NV = Model::Traits::NV, NI = Model::Traits::NI, NX = Model::Traits::NX;
    double* e = tableEntry<Model>(table, rate);
    for (int c = 0; c < NV; ++c)
        e[1 + c] = rest.p[c];
    for (int c = 0; c < NI; ++c)
        e[1 + NV + c] = rest.i[c];
    for (int c = 0; c < NX; ++c)
        e[1 + NV + NI + c] = rest.x[c];
}

} // namespace ravlin::modelgen
