#pragma once
// Checking a model folder against the builder without a whole regeneration: the builder's sample
// (BuildOptions::sample) holds some positions of every file, computed exactly as in the whole
// build; each sampled file is compared byte for byte with the same positions of the folder's file,
// decoded and encoded again by the same codec.
#include <filesystem>
#include <string>
#include <vector>

#include "Builder.h"

namespace ravlin::modelgen {

/// One sampled file's comparison.
struct SampleComparison
{
    std::string name;
    std::size_t positions = 0; ///< positions compared
    bool equal = false;
    std::string why; ///< when not equal: missing, unreadable or which bytes differ
};

/// Compares every file of `sample` with the file of the same name in `dir`.
std::vector<SampleComparison> compareSample(const std::vector<BuiltFile>& sample, const std::filesystem::path& dir);

/// Writes a sample into `dir` (its files and SAMPLE, which lists each file's block and
/// positions) and reads it back, so a sample made once can be compared with several folders.
bool writeSample(const std::filesystem::path& dir, const std::vector<BuiltFile>& sample);
bool readSample(const std::filesystem::path& dir, std::vector<BuiltFile>& sample, std::string& error);

} // namespace ravlin::modelgen
