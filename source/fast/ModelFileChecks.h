#pragma once
// Checks that the first set of a parsed model data file meets everything the fast step relies on:
// one hidden layer of 1..255 units per network, the network dimensions of the block, at least one
// network per position, an operating-point table whose entry count fits its length, and finite
// weights, ranges, gains, projections and operating points.
#include <string>

#include "fast/ModelFileF.h"
#include "fast/PCAModelFileF.h"

namespace ravlin {

/// "pca" file for a block with 4 ports and operating-point entries of `entryLength` values.
/// Returns an empty string when usable, else the reason.
std::string checkForBlock(const PCAModelFileF& file, unsigned entryLength);
/// "std" file for block 4 (2 ports).
std::string checkForBlock(const ModelFileF& file, unsigned entryLength);

/// True when table element 0 is a whole number n ≥ 0 and 1 + n·entryLength values are present.
bool operatingTableFits(const std::vector<double>& table, unsigned entryLength);

} // namespace ravlin
