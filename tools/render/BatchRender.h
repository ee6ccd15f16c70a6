#pragma once
// Several takes through the preamp in one call (re-amping a session): the inputs are files or
// folders of sound files, each output lands in one output folder under its input's name, the
// renders run on several threads (one processor each) under one progress bar, and a take that
// fails is reported while the others still complete.
#include <string>
#include <vector>

#include "RenderOptions.h"
#include "RenderSession.h"

namespace ravlin::render {

struct BatchItem
{
    std::string input;  ///< full path of a sound file
    std::string output; ///< full path in the output folder, named after the input
};

struct BatchResult
{
    BatchItem item;
    bool ok = false;
    std::string error; ///< why the take failed (empty when ok)
    RenderSummary summary;
};

/// True when `options` asks for a batch: more than one --in, or a folder as --in.
bool isBatch(const RenderOptions& options);

/// Expands the inputs (a folder gives the WAV, FLAC and AIFF files directly inside it, by name)
/// into renders whose outputs lie in the folder options.outputPath (created when missing) with the
/// input's file name. Checks everything before any work: inputs exist, a folder holds sound files,
/// no two takes write the same output, no output would overwrite an input. On failure returns
/// false with a one-line `error` and creates nothing.
bool planBatch(const RenderOptions& options, std::vector<BatchItem>& items, std::string& error);

/// Renders every item with `options` (its input and output replaced) on `jobs` threads (0: one
/// per core), each with its own processor; `progress` gets the finished fraction 0..1 of the
/// whole batch from the calling thread. Results come back in the order of `items`.
std::vector<BatchResult> renderBatch(const RenderOptions& options, const std::vector<BatchItem>& items, int jobs,
                                     const std::function<void(double fraction)>& progress = {});

/// The report printed after a batch: one line per take, then the count.
std::string formatBatchReport(const std::vector<BatchResult>& results);

} // namespace ravlin::render
