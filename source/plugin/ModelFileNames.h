#pragma once
// Names of the model data files in the model directory: per valve set ("eh" Fresh, "rsd" Aged)
// blocks 1, 2 ("pca"), 4 ("std") and block 3 ("pca") trained per effective sample rate, whose
// name ends in the rate in Hz.
#include <string>

namespace ravlin::plugin
{
/** File name (no folder) of `block` 1..4 for valve set 0 or 1 at the effective rate in Hz. */
std::string modelFileName(int block, int valveSet, long effectiveRate);
} // namespace ravlin::plugin
