#include "RestTables.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <mutex>

#include "Jobs.h"
#include "NetworkRest.h"
#include "circuit/BlockModels.h"

namespace ravlin::modelgen {

namespace {

constexpr unsigned kGains = 17;

/// Index of `rate` in `rates`, or -1.
int indexOf(const std::vector<double>& rates, double rate)
{
    const auto it = std::find(rates.begin(), rates.end(), rate);
    return it == rates.end() ? -1 : static_cast<int>(it - rates.begin());
}

/// What one rate's job found, merged into the report under a lock.
struct RateFindings
{
    long unconverged = 0;
    double inputSpread = 0.0, outputSpread = 0.0;
    double moved[4] = {0, 0, 0, 0};
};

/// Rests position `index` of `file` at `rate` with `input` and stores it; the distance it moved
/// from the circuit's point goes into `moved`. Returns the resting output (the circuit's when the
/// search fails, which leaves the entry as it was; NaN for a position not built or a rate the
/// table lacks).
template <class Model>
double restEntry(BlockFileData& file, unsigned index, double rate, double input, RateFindings& f, int block)
{
    if (file.positions[index].nets.empty()) // not built (a sample)
        return std::nan("");
    std::vector<double>& table = file.positions[index].table;
    const double* before = tableEntry<Model>(table, rate);
    if (before == nullptr)
        return std::nan("");
    const NetworkRest<Model> rest = networkRest<Model>(file, index, rate, input);
    if (!rest.converged)
    {
        ++f.unconverged;
        NetworkBlock<Model> b;
        b.configure(file, index, rate);
        return b.step(input);
    }
    constexpr int NV = Model::Traits::NV, NI = Model::Traits::NI;
    for (int c = 0; c < Model::Traits::NX; ++c)
        f.moved[block - 1] = std::max(f.moved[block - 1], std::fabs(rest.x[c] - before[1 + NV + NI + c]));
    storeRest(table, rate, rest);
    return rest.output;
}

/// Blocks 1 and 2 at `rate`, every Gain position, in the rate's own files and in the plain ones
/// (each kind with block 1 of its own kind before it, so the plain files rest as a set of their
/// own). Gives block 2's resting output per Gain position from the files the rate plays.
std::vector<double> restGainBlocks(SetFilesToRest& files, double rate, std::size_t k, RateFindings& f)
{
    const bool built1 = files.block1 != nullptr && !files.block1->empty();
    const bool built2 = files.block2 != nullptr && !files.block2->empty();
    std::vector<double> played(kGains, built2 ? std::nan("") : files.circuitRest[k][1]);
    const int own = std::max(0, indexOf(files.gainRates, rate));
    for (int file : own == 0 ? std::vector<int>{0} : std::vector<int>{0, own})
        for (unsigned g = 0; g < kGains; ++g)
        {
            const auto index = static_cast<std::size_t>(file);
            const double y1 =
                built1 ? restEntry<Block1Circuit>((*files.block1)[index], g, rate, 0.0, f, 1) : files.circuitRest[k][0];
            const double y2 =
                built2 ? restEntry<Block2Circuit>((*files.block2)[index], g, rate, y1, f, 2) : files.circuitRest[k][1];
            if (file == own)
                played[g] = y2;
        }
    return played;
}

/// Block 3 at `rate`, resting on block 2's rest at the default program's Gain position; gives its
/// resting output (block 4's input). The spread of block 3's rest over the Gain positions whose
/// block 2 is built goes into `f`: how far the chain starts from rest after a change of Gain.
double restBlock3(SetFilesToRest& files, double rate, std::size_t k, const std::vector<double>& inputs, RateFindings& f)
{
    const int own = files.block3 == nullptr ? -1 : indexOf(files.block3Rates, rate);
    if (own < 0)
        return files.circuitRest[k][2];
    BlockFileData& file = (*files.block3)[static_cast<std::size_t>(own)];
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    for (unsigned g = 0; g < kGains; ++g)
    {
        if (!std::isfinite(inputs[g])) // block 2 not built at this position (a sample)
            continue;
        const NetworkRest<Block3Circuit> rest = networkRest<Block3Circuit>(file, 0, rate, inputs[g]);
        if (rest.converged)
        {
            lo = std::min(lo, rest.output);
            hi = std::max(hi, rest.output);
        }
    }
    double in0 = HUGE_VAL, in1 = -HUGE_VAL;
    for (double v : inputs)
        if (std::isfinite(v))
        {
            in0 = std::min(in0, v);
            in1 = std::max(in1, v);
        }
    f.inputSpread = in1 > in0 ? in1 - in0 : 0.0;
    f.outputSpread = hi > lo ? hi - lo : 0.0;
    const double input = std::isfinite(inputs[kRestGain]) ? inputs[kRestGain] : files.circuitRest[k][1];
    return restEntry<Block3Circuit>(file, 0, rate, input, f, 3);
}

} // namespace

RestReport restTables(SetFilesToRest& files, const std::vector<double>& rates, unsigned threads,
                      std::vector<std::string>* timings)
{
    RestReport report;
    std::mutex lock;
    std::vector<Job> jobs;
    for (std::size_t k = 0; k < rates.size(); ++k)
        jobs.push_back({"rest", 1.0, [&files, &rates, &report, &lock, k] {
                            RateFindings f;
                            const double rate = rates[k];
                            const std::vector<double> y2 = restGainBlocks(files, rate, k, f);
                            const double y3 = restBlock3(files, rate, k, y2, f);
                            if (files.block4 != nullptr)
                                for (unsigned t = 0; t < files.block4->positions.size(); ++t)
                                    restEntry<Block4Circuit>(*files.block4, t, rate, y3, f, 4);
                            std::lock_guard<std::mutex> guard(lock);
                            report.unconverged += f.unconverged;
                            if (f.outputSpread > report.block3OutputSpread)
                            {
                                report.block3OutputSpread = f.outputSpread;
                                report.spreadRate = rate;
                            }
                            report.block3InputSpread = std::max(report.block3InputSpread, f.inputSpread);
                            for (int b = 0; b < 4; ++b)
                                report.moved[b] = std::max(report.moved[b], f.moved[b]);
                        }});
    runJobs(jobs, threads, "rest", timings);
    return report;
}

std::string restLine(const char* setName, const RestReport& r)
{
    char buf[320];
    std::snprintf(buf, sizeof buf,
                  "rest set=%s unconverged=%ld moved-from-circuit=%.3g,%.3g,%.3g,%.3g block3-spread-over-gain "
                  "input=%.3g output=%.3g (at %.0f Hz)",
                  setName, r.unconverged, r.moved[0], r.moved[1], r.moved[2], r.moved[3], r.block3InputSpread,
                  r.block3OutputSpread, r.spreadRate);
    return buf;
}

} // namespace ravlin::modelgen
