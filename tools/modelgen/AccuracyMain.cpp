// ravlin-accuracy: ESR of the trained chain against the reference chain.
// Usage: ravlin-accuracy --models DIR [--quick] [--jobs N] [--report FILE] [--riff WAV]
//        [--exact BLOCKS] [--gain N] [--rate HZ] [--set eh|rsd]
// One line per case, "ESR set=.. rate=.. gain=.. tone=.. signal=.. value=..", and
// last "worst ESR base=<44.1/48 kHz x1> all=<any rate>".
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#if RAVLIN_ACCURACY_SNDFILE
#include <sndfile.h>
#endif

#include "Accuracy.h"
#include "CommandLine.h"
#include "Jobs.h"
#include "Rates.h"
#include "Rng.h"

using namespace ravlin;
using namespace ravlin::modelgen;

int main(int argc, char** argv)
{
    std::string dir, reportPath, riffPath;
    bool quick = false;
    unsigned threads = 0, exact = 0;
    std::vector<int> exactBlocks;
    int onlyGain = -1;     // --gain N: only that Gain position
    double onlyRate = 0.0; // --rate HZ: only that effective rate
    std::string onlySet;   // --set eh|rsd: only that valve set
    CLI::App app("ESR of the trained chain against the reference chain: one line per case, then the worst ESR "
                 "at the base rates and at any rate.",
                 "ravlin-accuracy");
    app.add_option("--models", dir, "model data folder")->required();
    app.add_option("--report", reportPath, "also write the lines to FILE");
    app.add_option("--jobs", threads, "threads (default: one per core)")->check(ravlin::cli::wholeIn(1, 256));
    app.add_flag("--quick", quick, "fewer cases");
    app.add_option("--riff", riffPath, "a recorded riff (WAV) as one more signal");
    app.add_option("--exact", exactBlocks,
                   "blocks the network chain solves by Newton, e.g. 1,2 (where the error "
                   "comes from)")
        ->delimiter(',')
        ->check(CLI::Range(1, 4));
    app.add_option("--gain", onlyGain, "only this Gain position")->check(CLI::Range(0, 16));
    app.add_option("--rate", onlyRate, "only this effective rate, Hz");
    app.add_option("--set", onlySet, "only this valve set")->check(CLI::IsMember({"eh", "rsd"}));
    if (const auto exit = ravlin::cli::parse(app, argc, argv))
        return *exit;
    for (int b : exactBlocks)
        exact |= 1u << (b - 1);
    const std::vector<double> rates = effectiveRates();
    std::vector<std::unique_ptr<SetFiles>> sets;
    for (ValveSet set : {ValveSet::fresh, ValveSet::aged})
    {
        auto files = std::make_unique<SetFiles>();
        std::string error;
        if (!loadSetFiles(dir, set, rates, *files, error))
        {
            std::fprintf(stderr, "ravlin-accuracy: %s\n", error.c_str());
            return 1;
        }
        sets.push_back(std::move(files));
    }

    // Every case measures 0.5 s after the settling time, at every rate. The base rates
    // (44.1 and 48 kHz without oversampling) take the whole case list; the higher rates
    // Gain 0, 8 and 16 at three tones with the loud pluck, the sweep and the riff.
    // --quick: the base rates at Gain 0, 8, 16 and three tones; every higher rate at
    // Gain 8, tone 1687, with the loud pluck.
    std::vector<unsigned> tones = {0, 1687, 3374};
    Rng rng(4242);
    for (int k = 0; k < 10; ++k)
        tones.push_back(static_cast<unsigned>(rng.below(3375)));
    std::vector<unsigned> gains = {0, 4, 8, 12, 16};
    std::vector<std::string> signals = {"pluck-20", "pluck-6", "pluck-20max", "pluck-6max", "sweep"};
    std::vector<unsigned> highGains = {0, 8, 16}, highTones = {0, 1687, 3374};
    std::vector<std::string> highSignals = {"pluck-6max", "sweep"};
    const double seconds = kSettleSeconds + 0.5;
    if (quick)
    {
        tones = {0, 1687, 3374};
        gains = {0, 8, 16};
        signals = {"pluck-6", "pluck-6max", "sweep"};
        highGains = {8};
        highTones = {1687};
        highSignals = {"pluck-6max"};
    }
    if (!riffPath.empty())
    {
#if RAVLIN_ACCURACY_SNDFILE
        SF_INFO info{};
        SNDFILE* f = sf_open(riffPath.c_str(), SFM_READ, &info);
        if (!f || info.channels < 1 || info.frames < 1)
        {
            std::fprintf(stderr, "ravlin-accuracy: cannot read the riff %s\n", riffPath.c_str());
            return 1;
        }
        std::vector<double> frames(static_cast<std::size_t>(info.frames * info.channels));
        const sf_count_t got = sf_readf_double(f, frames.data(), info.frames);
        sf_close(f);
        Signal mono(static_cast<std::size_t>(got));
        for (sf_count_t n = 0; n < got; ++n)
            mono[static_cast<std::size_t>(n)] = frames[static_cast<std::size_t>(n * info.channels)];
        setRiffSignal(std::move(mono), static_cast<double>(info.samplerate));
        signals.push_back("riff");
        if (!quick)
            highSignals.push_back("riff");
#else
        std::fprintf(stderr, "ravlin-accuracy: built without libsndfile, cannot read %s\n", riffPath.c_str());
        return 1;
#endif
    }
    std::vector<EsrCase> cases;
    for (const auto& files : sets)
        for (double rate : rates)
        {
            const bool base = rate == 44100.0 || rate == 48000.0;
            if ((onlyRate > 0.0 && rate != onlyRate) || (!onlySet.empty() && onlySet != valveSetName(files->set)))
                continue;
            for (unsigned g : base ? gains : highGains)
                for (const std::string& sig : base ? signals : highSignals)
                {
                    if (onlyGain >= 0 && static_cast<int>(g) != onlyGain)
                        continue;
                    EsrCase c;
                    c.set = files->set;
                    c.rate = rate;
                    c.gain = g;
                    c.tones = base ? tones : highTones;
                    c.signal = sig;
                    c.exactBlocks = exact;
                    cases.push_back(c);
                }
        }
    std::vector<EsrResult> results(cases.size());
    std::vector<Job> jobs;
    for (std::size_t k = 0; k < cases.size(); ++k)
    {
        const SetFiles* files = cases[k].set == ValveSet::fresh ? sets[0].get() : sets[1].get();
        jobs.push_back({"case", seconds * cases[k].rate * (1.0 + 0.2 * static_cast<double>(cases[k].tones.size())),
                        [&, k, files] { results[k] = measureEsr(*files, cases[k], seconds); }});
    }
    runJobs(jobs, threads, "accuracy");

    std::FILE* report = reportPath.empty() ? nullptr : std::fopen(reportPath.c_str(), "w");
    double worstBase = 0.0, worstAll = 0.0, peak = 0.0;
    auto emit = [&](const char* line) {
        std::printf("%s\n", line);
        if (report)
            std::fprintf(report, "%s\n", line);
    };
    char line[256];
    long unmeasured = 0;
    for (std::size_t k = 0; k < cases.size(); ++k)
    {
        const EsrCase& c = cases[k];
        const EsrResult& r = results[k];
        peak = std::max(peak, r.peak);
        if (r.unconverged > 0)
            ++unmeasured;
        for (std::size_t t = 0; t < c.tones.size(); ++t)
        {
            const double e = r.esr[t];
            char value[64];
            // A reference with unconverged steps measures nothing: the case counts as failed.
            if (r.unconverged > 0)
                std::snprintf(value, sizeof value, "unmeasured");
            else
                std::snprintf(value, sizeof value, "%.3e", e);
            std::snprintf(line, sizeof line, "ESR set=%s rate=%ld gain=%u tone=%u signal=%s value=%s unconverged=%ld",
                          valveSetName(c.set), static_cast<long>(c.rate), c.gain, c.tones[t], c.signal.c_str(), value,
                          r.unconverged);
            emit(line);
            const double v = r.unconverged == 0 && std::isfinite(e) ? e : HUGE_VAL;
            worstAll = std::max(worstAll, v);
            if (c.rate == 44100.0 || c.rate == 48000.0)
                worstBase = std::max(worstBase, v);
        }
    }
    if (unmeasured > 0)
    {
        std::snprintf(line, sizeof line, "%ld case(s) unmeasured: the reference left steps unconverged", unmeasured);
        emit(line);
    }
    std::snprintf(line, sizeof line, "peak network output %.3g V", peak);
    if (report)
        std::fprintf(report, "%s\n", line);
    std::fprintf(stderr, "%s\n", line);
    std::snprintf(line, sizeof line, "worst ESR base=%.3e all=%.3e", worstBase, worstAll);
    emit(line);
    if (report)
        std::fclose(report);
    return 0;
}
