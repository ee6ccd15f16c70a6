#pragma once
// The model-data failures of the last reconfiguration that read files, kept for readers on other
// threads: the editor's notice (polled from its timer by generation), the renderer's and the
// Standalone's lists. A lock of its own, held only to copy, so a reader never waits for a
// reconfiguration to finish.
#include "plugin/ModelDataProblem.h"

#include <atomic>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace ravlin::plugin {
class ModelDataStatus
{
public:
    /** Replaces the failures with those of the reconfiguration that just ended, read from
        `folder`. Returns true (and counts a new generation) when the notice or the number of
        failures changed. Reconfiguring thread. */
    bool publish(const std::string& folder, std::vector<ModelFileFailure> found);

    /** The failures of the last file-reading reconfiguration; empty once one succeeds. Any thread. */
    std::vector<ModelFileFailure> failures() const;

    /** Empty while the model data loads, else the folder and the first missing or damaged file. */
    std::string notice() const;

    /** Changes whenever the notice changes; cheap to poll. Any thread. */
    unsigned generation() const noexcept { return count.load(std::memory_order_acquire); }

private:
    mutable std::mutex lock;
    std::vector<ModelFileFailure> current;
    std::string text;
    std::atomic<unsigned> count{0};
};
} // namespace ravlin::plugin
