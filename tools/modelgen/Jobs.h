#pragma once
// Runs independent jobs on a fixed number of threads. Each job writes only its own
// result slot, so the output does not depend on which thread ran what or when.
// On a terminal a progress bar on stderr shows the finished share of the work.
#include <functional>
#include <string>
#include <vector>

namespace ravlin::modelgen {

struct Job
{
    std::string name;
    double weight = 1.0; ///< expected relative cost (orders the queue and the progress bar)
    std::function<void()> run;
};

/// Runs every job; the heaviest start first. `threads` 0 means all cores.
void runJobs(std::vector<Job>& jobs, unsigned threads, const std::string& title);

} // namespace ravlin::modelgen
