#pragma once
// The trained content of one model data file, before it is written: per position
// the network, its flags and projection, and the operating-point table.
#include <string>
#include <vector>

#include "BlockLayout.h"
#include "Network.h"

namespace ravlin::modelgen {

struct PositionData
{
    /// Inputs = enabled features, outputs = enabled slots. Several only for block 3,
    /// each responsible for the open box of network inputs given by its region.
    std::vector<TrainedNet> nets;
    std::vector<double> table; ///< operating points: count, then (rate, p, i, x) entries
};

struct BlockFileData
{
    BlockLayout layout;
    std::vector<PositionData> positions;
};

/// Serialises the data in the model file layout (little-endian, no padding).
std::vector<unsigned char> encodeModelFile(const BlockFileData& data);

/// Reads back a file written by encodeModelFile for block `block` (1..4). Checks
/// every count against the layout and the file size; false on any mismatch.
bool decodeModelFile(const std::vector<unsigned char>& bytes, int block, BlockFileData& data);

} // namespace ravlin::modelgen
