#pragma once
// The outcome of loading a model file into a block or a chain.
#include <string>

namespace ravlin {

/// Outcome of a model-file load; on failure the block is exactly as before.
struct LoadResult
{
    bool ok = false;
    std::string message; ///< why the load failed (empty on success)
    explicit operator bool() const noexcept { return ok; }
};

} // namespace ravlin
