#pragma once
// Reader and writer of "std" model data files (block 4): network dimensions once per set, no
// projection, two single gains per network.
#include "fast/ModelFileRecords.h"
#include "fast/ModelFileTree.h"

namespace ravlin {

class ModelFileF final : public ModelFileTree<StdSetRecord>
{
};

} // namespace ravlin
