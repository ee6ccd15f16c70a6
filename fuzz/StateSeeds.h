#pragma once
// Saved-state chunks written byte by byte from the chunk layout (magic 0x21324356 little-endian,
// text length, one-line XML text, zero byte), independently of the plug-in's writer and reader,
// used as the state fuzzer's seed corpus.
#include "SeedFiles.h"

namespace ravlin::fuzz {

/// Named chunks: the default bank of twelve programs, a bank saved on program 7 with unusual names
/// and values, mixed-case names, a root without programs, a program with only its name, a length
/// field larger than the data, more than twelve programs, and malformed UTF-8.
std::vector<std::pair<std::string, Bytes>> stateSeeds();

/// A chunk around `xml`: the length field says `declaredLength` (the text's length when negative).
Bytes stateChunk(const std::string& xml, long declaredLength = -1);

} // namespace ravlin::fuzz
