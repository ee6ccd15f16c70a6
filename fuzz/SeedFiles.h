#pragma once
// Small, valid model data files written byte by byte from the file layout (independently of the
// readers), used as the fuzzers' seed corpus.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ravlin::fuzz {

using Bytes = std::vector<std::uint8_t>;

/// Named seed files: "pca" files for blocks 1 to 3 and "std" files for block 4, covering one and two
/// sets, positions with and without an operating-point table, several hidden-layer sizes, several
/// networks per position and disabled flags of value 0 and 2.
std::vector<std::pair<std::string, Bytes>> pcaSeeds();
std::vector<std::pair<std::string, Bytes>> stdSeeds();

} // namespace ravlin::fuzz
