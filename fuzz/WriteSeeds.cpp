// Writes the fuzzers' seed corpus: `ravlin_fuzz_seeds <dir>` creates <dir>/pca, <dir>/std and
// <dir>/state, each with its target's seeds and its regression inputs.
#include "Regressions.h"
#include "SeedFiles.h"
#include "StateSeeds.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <utility>

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s <corpus-dir>\n", argv[0]);
        return 2;
    }
    namespace fs = std::filesystem;
    const fs::path root(argv[1]);
    // Every target's seeds, then the inputs that once broke it.
    const auto writeAll = [&](const char* kind, auto seeds) {
        for (auto& regression : ravlin::fuzz::regressionInputs(kind))
            seeds.push_back(std::move(regression));
        const fs::path dir = root / kind;
        std::error_code ec;
        fs::create_directories(dir, ec);
        if (ec)
        {
            std::fprintf(stderr, "cannot create %s: %s\n", dir.c_str(), ec.message().c_str());
            return false;
        }
        for (const auto& [name, bytes] : seeds)
        {
            std::ofstream out(dir / (name + ".dat"), std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
            if (!out)
            {
                std::fprintf(stderr, "cannot write %s\n", (dir / name).c_str());
                return false;
            }
        }
        return true;
    };
    return writeAll("pca", ravlin::fuzz::pcaSeeds()) && writeAll("std", ravlin::fuzz::stdSeeds())
                   && writeAll("state", ravlin::fuzz::stateSeeds())
               ? 0
               : 1;
}
