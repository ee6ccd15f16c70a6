#pragma once
// What went wrong with the model data of a reconfiguration, in words for the user: each file
// that could not be used with the reason, and the short notice the editor shows over its panel.
#include <string>
#include <vector>

namespace ravlin::plugin {
/** One model data file that could not be used: full path and why ("missing", "file cut short"...). */
struct ModelFileFailure
{
    std::string path;
    std::string reason;
};

/** The reason to report for a file at `path` whose load failed with `loaderMessage`: a missing
    file or folder is said so plainly; otherwise the loader's own words. */
std::string failureReason(const std::string& path, const std::string& loaderMessage);

/** The editor's notice: empty when nothing failed, else a few lines naming the model folder and
    the first file that is missing or damaged, and what the plug-in does meanwhile. */
std::string modelDataNotice(const std::string& folder, const std::vector<ModelFileFailure>& failures);

/** One line per failure, "PATH: REASON", for command-line tools. */
std::string listFailures(const std::vector<ModelFileFailure>& failures);
} // namespace ravlin::plugin
