// ravlin-modelgen: trains the networks of both valve sets and writes the model data
// folder. Usage: ravlin-modelgen --out DIR [--jobs N] [--set eh|rsd] [--rate HZ] [--blocks LIST] [--small] [--force] [--verbose]
// --set and --rate build a subset: one valve set, and the files of one effective rate (with the
// plain files of blocks 1, 2 and 4 every folder holds), for a first sound sooner.
// Skips the work when DIR already holds files made by this same builder binary with
// the same options (the hash of both is stored in DIR/.modelgen-stamp).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "BaselineMath.h"
#include "Builder.h"
#include "CommandLine.h"
#include "Rates.h"
#include "SampleCheck.h"
#include "Stamp.h"

using namespace ravlin;
using namespace ravlin::modelgen;
namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    runOnBaselineMath(argv);
    std::string out;
    BuildOptions options;
    bool force = false, small = false;
    std::string set;
    double rate = 0.0;
    CLI::App app("Trains the networks of both valve sets and writes the model data folder; skips the work when "
                 "the folder already holds files made by this builder with the same options.",
                 "ravlin-modelgen");
    app.add_option("--out", out, "model data folder to write");
    app.add_option("--jobs", options.threads, "training threads (default: one per core)")
        ->check(ravlin::cli::wholeIn(1, 256));
    app.add_option("--set", set, "build one valve set only")->check(CLI::IsMember({"eh", "rsd"}));
    const std::vector<double> all = effectiveRates();
    app.add_option("--rate", rate,
                   "build the files of one effective rate only (host rate 44100, 48000, 88200, "
                   "96000, 176400 or 192000 Hz times 1, 2, 4, 8 or 16)")
        ->check(CLI::Validator(
            [&all](std::string& text) -> std::string {
                double r = 0.0;
                if (!CLI::detail::lexical_cast(text, r) || std::find(all.begin(), all.end(), r) == all.end())
                    return text + " is not an effective rate";
                return {};
            },
            "HZ"));
    app.add_option("--blocks", options.blocks,
                   "build only these blocks' files, e.g. 1,2 (a quick rebuild while "
                   "working on their training)")
        ->delimiter(',')
        ->check(CLI::Range(1, 4));
    app.add_flag("--small", small, "a small, quick build (tests)");
    app.add_flag("--force", force, "build even when the folder is up to date");
    app.add_flag("--verbose", options.verbose, "print the training report");
    bool describe = false, sample = false;
    std::string checkDir, sampleFrom;
    app.add_flag("--sample", sample,
                 "build only the builder's sample of the files (some positions of every file, each computed "
                 "as in the whole build) and write it to --out");
    app.add_option("--check-sample", checkDir,
                   "build the sample (or read it from --sample-from) and compare it byte for byte with the "
                   "same positions of the files in DIR; exit status 1 when any differs");
    app.add_option("--sample-from", sampleFrom, "a sample written before with --sample --out");
    app.add_flag("--describe", describe,
                 "print the builder's version and the options (with the other flags given) as a model "
                 "folder's MANIFEST records them, and exit");
    if (const auto exit = ravlin::cli::parse(app, argc, argv))
        return *exit;
    if (!set.empty())
        options.sets = {set == "eh" ? ValveSet::fresh : ValveSet::aged};
    if (rate > 0.0)
        options.rates = {rate};
    if (small)
    {
        const BuildOptions asked = options;
        options = smallBuildOptions(options.threads);
        options.verbose = asked.verbose;
        options.sets = asked.sets;
        options.rates = asked.rates;
        options.blocks = asked.blocks;
    }

    if (describe)
    {
        std::printf("builder %d\noptions %s\n", kBuilderVersion, options.describe().c_str());
        return 0;
    }
    if (!checkDir.empty())
    {
        std::vector<BuiltFile> files;
        std::string error;
        if (!sampleFrom.empty())
        {
            if (!readSample(sampleFrom, files, error))
            {
                std::fprintf(stderr, "ravlin-modelgen: %s\n", error.c_str());
                return 1;
            }
        }
        else
        {
            options.sample = true;
            BuildReport report;
            files = buildModelFiles(options, report);
        }
        int differing = 0;
        std::size_t positions = 0;
        for (const SampleComparison& c : compareSample(files, checkDir))
        {
            positions += c.positions;
            if (!c.equal)
            {
                ++differing;
                std::printf("sample: %s: %s\n", c.name.c_str(), c.why.c_str());
            }
        }
        std::printf("sample: %zu files (%zu positions) compared with %s: %s\n", files.size(), positions,
                    checkDir.c_str(), differing == 0 ? "all equal" : (std::to_string(differing) + " differ").c_str());
        return differing == 0 ? 0 : 1;
    }
    if (out.empty())
    {
        std::fprintf(stderr, "ravlin-modelgen: --out DIR is required (see --help)\n");
        return 2;
    }

    const auto start = std::chrono::steady_clock::now();
    const std::string stamp = inputsStamp(options);
    std::error_code ec;
    fs::create_directories(out, ec);
    if (ec)
    {
        std::fprintf(stderr, "ravlin-modelgen: cannot create %s: %s\n", out.c_str(), ec.message().c_str());
        return 1;
    }
    if (!force && !sample && stampMatches(out, stamp))
    {
        std::printf("ravlin-modelgen: %s is up to date\n", out.c_str());
        return 0;
    }
    BuildReport report;
    options.sample = sample;
    const std::vector<BuiltFile> files = buildModelFiles(options, report);
    if (sample)
    {
        if (!writeSample(out, files))
        {
            std::fprintf(stderr, "ravlin-modelgen: cannot write the sample into %s\n", out.c_str());
            return 1;
        }
        std::printf("ravlin-modelgen: sample of %zu files in %s, %.0f s\n", files.size(), out.c_str(),
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        return 0;
    }
    std::uintmax_t bytes = 0;
    for (const BuiltFile& f : files)
    {
        if (!writeFileAtomically(fs::path(out) / f.name, f.bytes))
        {
            std::fprintf(stderr, "ravlin-modelgen: cannot write %s\n", (fs::path(out) / f.name).c_str());
            return 1;
        }
        bytes += f.bytes.size();
    }
    if (!writeStamp(out, stamp, files))
    {
        std::fprintf(stderr, "ravlin-modelgen: cannot write the stamp in %s\n", out.c_str());
        return 1;
    }
    if (options.verbose)
    {
        for (const std::string& line : report.lines)
            std::printf("%s\n", line.c_str());
        for (const std::string& line : report.timings)
            std::printf("%s\n", line.c_str());
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("ravlin-modelgen: %zu files, %.1f MB in %s, %.0f s, %ld unconverged reference solves\n", files.size(),
                static_cast<double>(bytes) / 1e6, out.c_str(), seconds, report.solveFailures);
    return 0;
}
