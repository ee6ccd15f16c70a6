#include "Jobs.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>

#include <unistd.h>

namespace ravlin::modelgen {

void runJobs(std::vector<Job>& jobs, unsigned threads, const std::string& title)
{
    std::vector<std::size_t> order(jobs.size());
    for (std::size_t k = 0; k < order.size(); ++k)
        order[k] = k;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return jobs[a].weight > jobs[b].weight; });
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
        std::fprintf(stderr, "\r%-14s [%.*s%*s] %3d%%", title.c_str(), filled, "########################################",
                     width - filled, "", static_cast<int>(share * 100.0 + 0.5));
        std::fflush(stderr);
    };
    std::atomic<std::size_t> next{0};
    auto worker = [&] {
        for (;;)
        {
            const std::size_t k = next.fetch_add(1);
            if (k >= order.size())
                return;
            jobs[order[k]].run();
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
}

} // namespace ravlin::modelgen
