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

/// Runs every job; the heaviest start first. `threads` 0 means all cores. When
/// `timings` is given, it receives one line per job name: the jobs' summed wall time
/// on their threads (where the generation time goes).
void runJobs(std::vector<Job>& jobs, unsigned threads, const std::string& title,
             std::vector<std::string>* timings = nullptr);

} // namespace ravlin::modelgen
