#pragma once
// Builds the evaluation records of every network of set 0, position by position in file order.
// The file must have passed checkForBlock().
#include <cstdint>
#include <vector>

#include "fast/ModelFileF.h"
#include "fast/PCAModelFileF.h"
#include "fast/net_node_eigen.h"

namespace ravlin {

/// Blocks 1 to 3: four outputs, bipolar evaluation; slotEnabled points at the block's four bytes.
void buildNetworks(const PCAModelFileF& file, std::vector<net_node_eigen>& networks, const std::uint8_t* slotEnabled);
/// Block 4: two inputs, two outputs, unipolar evaluation.
void buildNetworks(const ModelFileF& file, std::vector<net_node_eigen>& networks, const std::uint8_t* slotEnabled);

} // namespace ravlin
