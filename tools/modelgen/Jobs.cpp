#include "Jobs.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <thread>

#include <unistd.h>

namespace ravlin::modelgen {

void runJobs(std::vector<Job>& jobs, unsigned threads, const std::string& title, std::vector<std::string>* timings)
{
    std::vector<std::size_t> order(jobs.size());
    for (std::size_t k = 0; k < order.size(); ++k)
        order[k] = k;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return jobs[a].weight > jobs[b].weight; });
    double total = 0.0;
    for (const Job& j : jobs)
        total += j.weight;
    if (threads == 0)
        threads = std::max(1u, std::thread::hardware_concurrency());
    threads = std::min<unsigned>(threads, static_cast<unsigned>(std::max<std::size_t>(1, jobs.size())));

    const bool bar = isatty(STDERR_FILENO) != 0;
    std::mutex progressLock;
    double done = 0.0;
    auto report = [&](double w) {
        std::lock_guard<std::mutex> lock(progressLock);
        done += w;
        if (!bar)
            return;
        const int width = 40;
        const double share = total > 0.0 ? done / total : 1.0;
        const int filled = static_cast<int>(share * width + 0.5);
        std::fprintf(stderr, "\r%-14s [%.*s%*s] %3d%%", title.c_str(), filled,
                     "########################################", width - filled, "",
                     static_cast<int>(share * 100.0 + 0.5));
        std::fflush(stderr);
    };
    const auto stageStart = std::chrono::steady_clock::now();
    std::vector<double> seconds(jobs.size(), 0.0);
    std::atomic<std::size_t> next{0};
    auto worker = [&] {
        for (;;)
        {
            const std::size_t k = next.fetch_add(1);
            if (k >= order.size())
                return;
            const auto start = std::chrono::steady_clock::now();
            jobs[order[k]].run();
            seconds[order[k]] = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            report(jobs[order[k]].weight);
        }
    };
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t)
        pool.emplace_back(worker);
    worker();
    for (auto& t : pool)
        t.join();
    if (bar)
        std::fprintf(stderr, "\n");
    else
    {
        // Without a terminal (a log, CI), one line per stage says what ran and how long it took.
        std::fprintf(stderr, "%s: %zu jobs on %u threads, %.0f s\n", title.c_str(), jobs.size(), threads,
                     std::chrono::duration<double>(std::chrono::steady_clock::now() - stageStart).count());
        std::fflush(stderr);
    }
    if (timings)
    {
        std::map<std::string, std::pair<double, int>> byName;
        for (std::size_t k = 0; k < jobs.size(); ++k)
        {
            byName[jobs[k].name].first += seconds[k];
            ++byName[jobs[k].name].second;
        }
        for (const auto& [name, t] : byName)
        {
            char line[160];
            std::snprintf(line, sizeof line, "time %s: %s %.1f s in %d job(s)", title.c_str(), name.c_str(), t.first,
                          t.second);
            timings->push_back(line);
        }
    }
}

} // namespace ravlin::modelgen
