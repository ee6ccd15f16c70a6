#pragma once
// What each block's networks see and produce. Features are port voltages p[k] that
// vary (a port whose linear part is a constant supply fraction, such as block 1's
// p3 or block 3's p2 and p3, carries no information and is disabled); outputs are
// the port currents the block's step actually uses (block 1 never uses V2's cathode
// current, block 3 never uses V4's: no column of C or F reads them).
#include <array>

#include "Network.h"

namespace ravlin::modelgen {

struct BlockLayout
{
    int block = 1;                 ///< 1..4
    int ports = 4;                 ///< NV of the block
    int featureCount = 0;          ///< enabled features, in port order
    std::array<int, 4> features{}; ///< their port indices
    int outputCount = 0;           ///< enabled output slots, in port order
    std::array<int, 4> outputs{};  ///< their port indices
    int fileOutputs = 4;           ///< network outputs stored in the file (4 for "pca", 2 for "std")
    Clamp clamp = Clamp::bipolar;
    int hidden = 16; ///< hidden units
    /// Hidden units serving each output alone (fitted one output at a time); all 0:
    /// every unit serves every output. When set, `hidden` is their sum.
    std::array<int, 4> unitsPerOutput{};
    double steepest = 50.0; ///< steepest knee of a fresh start (normalised units)
    unsigned positions = 1; ///< control positions in the file
    int regions = 1;        ///< networks per position, split along the first input
    /// Extra weight of the pairs around the resting point (see weightAround); 0: none.
    /// Only block 3's training reads it: the same weight made blocks 1 and 2 worse at
    /// every Gain.
    double restBoost = 0.0;
    double restWidth = 0.02; ///< the neighbourhood's width, a share of the data's extent
};

inline BlockLayout blockLayout(int block)
{
    BlockLayout l;
    l.block = block;
    switch (block)
    {
    case 1:
        l.featureCount = 3;
        l.features = {0, 1, 2, 0};
        l.outputCount = 3;
        l.outputs = {0, 1, 2, 0};
        l.hidden = 16;
        l.positions = 17;
        break;
    case 2:
        l.featureCount = 4;
        l.features = {0, 1, 2, 3};
        l.outputCount = 4;
        l.outputs = {0, 1, 2, 3};
        // Units go where the chain output is sensitive: an error of 1e-3 of range in
        // V2's grid or cathode current moves the chain's ESR at Gain 8 by 5e-2 and
        // 3e-2 (an offset at the grid of a high-gain stage), in V3's by 7e-6 and
        // 5e-11 (its currents switch fully on or off, and the next stage follows).
        l.unitsPerOutput = {16, 16, 8, 8};
        l.hidden = l.unitsPerOutput[0] + l.unitsPerOutput[1] + l.unitsPerOutput[2] + l.unitsPerOutput[3];
        l.steepest = 300.0;
        l.positions = 17;
        break;
    case 3:
        l.featureCount = 2;
        l.features = {0, 1, 0, 0};
        l.outputCount = 3;
        l.outputs = {0, 1, 2, 0};
        l.hidden = 16;
        l.positions = 1;
        l.regions = 3;
        l.restBoost = 10.0;
        break;
    default:
        l.ports = 2;
        l.fileOutputs = 2;
        l.clamp = Clamp::unipolar;
        l.featureCount = 2;
        l.features = {0, 1, 0, 0};
        l.outputCount = 2;
        l.outputs = {0, 1, 0, 0};
        l.hidden = 10;
        l.positions = 3375;
        break;
    }
    return l;
}

} // namespace ravlin::modelgen
