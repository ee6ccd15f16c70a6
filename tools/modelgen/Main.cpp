// ravlin-modelgen: trains the networks of both valve sets and writes the model data
// folder. Usage: ravlin-modelgen --out DIR [--jobs N] [--set eh|rsd] [--rate HZ] [--small] [--force] [--verbose]
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

#include "Builder.h"
#include "Rates.h"
#include "Stamp.h"

using namespace ravlin;
using namespace ravlin::modelgen;
namespace fs = std::filesystem;

namespace {

int usage()
{
    std::fprintf(stderr, "usage: ravlin-modelgen --out DIR [--jobs N] [--set eh|rsd] [--rate HZ] [--small] [--force] [--verbose]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::string out;
    BuildOptions options;
    bool force = false, small = false;
    for (int k = 1; k < argc; ++k)
    {
        const std::string a = argv[k];
        if (a == "--out" && k + 1 < argc)
            out = argv[++k];
        else if (a == "--jobs" && k + 1 < argc)
        {
            const int n = std::atoi(argv[++k]);
            if (n < 1 || n > 256)
                return usage();
            options.threads = static_cast<unsigned>(n);
        }
        else if (a == "--set" && k + 1 < argc)
        {
            const std::string v = argv[++k];
            if (v != "eh" && v != "rsd")
                return usage();
            options.sets = {v == "eh" ? ValveSet::fresh : ValveSet::aged};
        }
        else if (a == "--rate" && k + 1 < argc)
        {
            char* end = nullptr;
            const double r = std::strtod(argv[++k], &end);
            const std::vector<double> all = effectiveRates();
            if (end == argv[k] || *end != '\0' || std::find(all.begin(), all.end(), r) == all.end())
            {
                std::fprintf(stderr, "ravlin-modelgen: %s is not an effective rate (host rate 44100, 48000, 88200, 96000, "
                                     "176400 or 192000 Hz times 1, 2, 4, 8 or 16)\n", argv[k]);
                return 2;
            }
            options.rates = {r};
        }
        else if (a == "--small")
            small = true;
        else if (a == "--force")
            force = true;
        else if (a == "--verbose")
            options.verbose = true;
        else
            return usage();
    }
    if (out.empty())
        return usage();
    if (small)
    {
        const bool verbose = options.verbose;
        options = smallBuildOptions(options.threads);
        options.verbose = verbose;
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
    if (!force && stampMatches(out, stamp))
    {
        std::printf("ravlin-modelgen: %s is up to date\n", out.c_str());
        return 0;
    }
    BuildReport report;
    const std::vector<BuiltFile> files = buildModelFiles(options, report);
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
