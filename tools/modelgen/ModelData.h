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

/// The file bytes, written by the run-time's own file classes: the data fills a
/// PCAModelFileF (blocks 1 to 3) or ModelFileF (block 4) tree, whose encode() lays it
/// out. Throws std::invalid_argument for data the layout cannot hold (networks of
/// another input count than the block's features, tables of different lengths).
std::vector<unsigned char> encodeModelFile(const BlockFileData& data);

/// The same file with only `positions` (in that order), the unit a sample of the builder's output
/// is compared in. Indices beyond the file's positions are left out.
BlockFileData positionsOf(const BlockFileData& data, const std::vector<unsigned>& positions);

/// Reads a file for block `block` (1..4) through the run-time's reader, then checks
/// it against the block's layout: every byte used, the block's flags and network
/// dimensions, an identity projection, one hidden layer of 1 to 255 units. False on
/// any mismatch.
bool decodeModelFile(const std::vector<unsigned char>& bytes, int block, BlockFileData& data);

} // namespace ravlin::modelgen
