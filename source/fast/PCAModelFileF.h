#pragma once
// Reader and writer of "pca" model data files (blocks 1 to 3): each position carries an input
// projection, enable flags, its network dimensions and an operating-point table.
#include "fast/ModelFileRecords.h"
#include "fast/ModelFileTree.h"

namespace ravlin {

class PCAModelFileF final : public ModelFileTree<PCASetRecord>
{
};

} // namespace ravlin
