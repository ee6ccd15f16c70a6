#pragma once
// A block stepped the way the run-time steps it: the block model's matrices with a
// trained network in place of the port solve, started from the stored operating
// point of its position and rate. The ports the network does not produce stay at
// their stored currents. Used by the accuracy measurement and the tests.
#include <cmath>
#include <type_traits>

#include "ModelData.h"
#include "OperatingTable.h"
#include "circuit/ReferenceChain.h"

namespace ravlin::modelgen {

template <class Model>
class NetworkBlock
{
public:
    Model model{44100.0};
    const PositionData* position = nullptr;
    const TrainedNet* last = nullptr; ///< network evaluated by the previous step
    BlockLayout layout;

    /// Standard triodes for the linear part (as the run-time's circuit models), the
    /// position's network, and the state at the table entry for `rate`. False when
    /// the table has no entry for the rate.
    bool configure(const BlockFileData& file, unsigned index, double rate)
    {
        layout = file.layout;
        position = &file.positions[std::min<std::size_t>(index, file.positions.size() - 1)];
        last = &position->nets[0];
        configureBlock(model, ValveSet::fresh, rate, index);
        constexpr int NV = Model::Traits::NV, NI = Model::Traits::NI, NX = Model::Traits::NX;
        const double* e = tableEntry<Model>(position->table, rate);
        if (e == nullptr)
            return false;
        for (int c = 0; c < NV; ++c)
            model.p[c] = e[1 + c];
        for (int c = 0; c < NI; ++c)
            model.i[c] = e[1 + NV + c];
        for (int c = 0; c < NX; ++c)
            model.x[c] = e[1 + NV + NI + c];
        return true;
    }

    double step(double input) noexcept
    {
        Model& m = model;
        m.u[0] = input;
        m.p = m.G * m.x + m.H * m.u;
        double z[4], out[4];
        for (int f = 0; f < layout.featureCount; ++f)
            z[f] = m.p[layout.features[static_cast<std::size_t>(f)]];
        // The first network whose open region holds z, else the one used last.
        for (const TrainedNet& n : position->nets)
        {
            bool inside = true;
            for (int k = 0; k < n.inputs; ++k)
                inside = inside && n.regionLow[static_cast<std::size_t>(k)] < z[k]
                         && z[k] < n.regionHigh[static_cast<std::size_t>(k)];
            if (inside)
            {
                last = &n;
                break;
            }
        }
        last->evaluate(z, out);
        for (int o = 0; o < layout.outputCount; ++o)
            m.i[layout.outputs[static_cast<std::size_t>(o)]] = out[o];
        m.xNext = m.A * m.x + m.B * m.u + m.C * m.i;
        m.x = m.xNext;
        m.y = m.D * m.x + m.E * m.u + m.F * m.i;
        return m.y[0];
    }
};

} // namespace ravlin::modelgen
