#pragma once
// Skipping unchanged work: the builder's inputs are its own binary (circuits, laws,
// training code) and its options; a hash of both is stored beside the outputs.
#include <filesystem>
#include <string>
#include <vector>

#include "Builder.h"

namespace ravlin::modelgen {

/// Options of the small, fast build used by the tests.
BuildOptions smallBuildOptions(unsigned threads);

/// Hash (hex) of the running executable's bytes and the options.
std::string inputsStamp(const BuildOptions& options);

/// True when `dir` holds a stamp equal to `stamp` and every file it lists.
bool stampMatches(const std::filesystem::path& dir, const std::string& stamp);

bool writeStamp(const std::filesystem::path& dir, const std::string& stamp, const std::vector<BuiltFile>& files);

/// Writes to a temporary name in the same folder, then renames it over `path`.
bool writeFileAtomically(const std::filesystem::path& path, const std::vector<unsigned char>& bytes);

} // namespace ravlin::modelgen
