#pragma once
// The per-sample step of one block on the scalar path: the linear formulas (BlockStepFormulas.h)
// around one network evaluation (net_node_eigen.h). The reference the vector chain step is checked
// against, bit for bit. Audio thread only; allocates nothing.
#include <cstdint>

#include "fast/BlockStepFormulas.h"
#include "fast/RunningStatistics.h"
#include "fast/net_node_eigen.h"

namespace ravlin::scalarstep {

/// z from p: the projection over the enabled features, or a plain copy of the first componentCount.
template <class Block>
inline void networkInput(Block& b) noexcept
{
    if (b.projectionEnabled == 1)
    {
        unsigned next = 0;
        for (std::uint32_t r = 0; r < b.componentCount; ++r)
        {
            double z = 0.0;
            for (int k = 0; k < Block::NV; ++k)
                if (b.featureEnabled[k] == 1)
                    z += b.p[k] * b.projectionMatrix[next++];
            b.networkInput[r] = z;
        }
    }
    else
    {
        for (std::uint32_t r = 0; r < b.componentCount; ++r)
            b.networkInput[r] = b.p[static_cast<int>(r)];
    }
}

/// First network of the position whose open input box holds z (a NaN never matches), or null.
template <class Block>
inline net_node_eigen* regionNetwork(Block& b) noexcept
{
    for (std::uint32_t n = 0; n < b.positionNetworkCount; ++n)
    {
        net_node_eigen& net = b.positionNetworks[n];
        bool inside = true;
        for (unsigned k = 0; k < net.inputCount; ++k)
        {
            const double z = b.networkInput[k];
            if (!(net.regionLow[k] < z && z < net.regionHigh[k]))
            {
                inside = false;
                break;
            }
        }
        if (inside)
            return &net;
    }
    return nullptr;
}

/// One step at the running rate: p from x and u, the network's port currents, new states, y.
/// Block 3 (Search) takes the network whose region holds z, else the one that matched last; block
/// 4 feeds i1 into `statistics` when given.
template <int BlockNumber, bool Search, class Block>
inline void step(Block& b, RunningStatistics* statistics) noexcept
{
    using Formulas = typename stepformulas::ForBlock<BlockNumber>::type;
    Formulas::ports(b, b.x, b.u, b.p);
    if constexpr (BlockNumber == 4)
    {
        double pv[2] = {b.p[0], b.p[1]};
        evaluateUnipolar(*b.positionNetworks, pv, b.i.data());
        if (statistics != nullptr)
            statistics->update(b.i[1]);
    }
    else
    {
        networkInput(b);
        if constexpr (Search)
        {
            net_node_eigen* match = regionNetwork(b);
            if (match != nullptr)
                b.lastNetwork = match;
            evaluateBipolar(*b.lastNetwork, b.networkInput, b.i.data());
        }
        else
        {
            evaluateBipolar(*b.positionNetworks, b.networkInput, b.i.data());
        }
    }
    Formulas::advance(b, b.x, b.u, b.i, b.y);
}

} // namespace ravlin::scalarstep
