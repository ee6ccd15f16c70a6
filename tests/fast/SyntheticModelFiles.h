#pragma once
// Small synthetic but valid model data files: right counts, small pseudo-random weights, identity
// or random projections and operating-point tables for a few effective rates. Used by the fast-stage
// tests and benchmarks, and as a seed-corpus generator for the reader fuzz targets (pcaBytes,
// stdBytes). Header-only.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "fast/ModelFileF.h"
#include "fast/PCAModelFileF.h"

namespace ravlin::synthetic {

struct PcaShape
{
    unsigned setCount = 1;
    /// One entry per position: its network count.
    std::vector<unsigned> networksPerPosition{1};
    unsigned networkInputs = 4;
    std::array<std::int32_t, 4> inputFlags{1, 1, 1, 1};
    std::array<std::int32_t, 4> outputFlags{1, 1, 1, 1};
    unsigned hidden = 6;
    std::vector<double> rates{44100.0, 88200.0};
    /// Values per operating-point entry: 14 for blocks 1 and 2, 11 for block 3.
    unsigned entryLength = 14;
    bool identityProjection = true;
    std::uint32_t seed = 1;
};

struct StdShape
{
    unsigned setCount = 1;
    unsigned positions = 4;
    unsigned networksPerPosition = 1;
    unsigned hidden = 6;
    std::vector<double> rates{44100.0, 88200.0};
    std::uint32_t seed = 2;
};

/// Operating-point table: element 0 the entry count, then per rate the rate and entryLength − 1
/// values that differ per position and per rate (value j = position + rate/1e6 + j/100).
inline std::vector<double> operatingTable(unsigned position, const std::vector<double>& rates, unsigned entryLength)
{
    std::vector<double> t{static_cast<double>(rates.size())};
    for (double r : rates)
    {
        t.push_back(r);
        for (unsigned j = 1; j < entryLength; ++j)
            t.push_back(position + r / 1e6 + j / 100.0);
    }
    return t;
}

inline PCAModelFileF makePca(const PcaShape& shape)
{
    std::mt19937 rng(shape.seed);
    std::uniform_real_distribution<float> small(-0.5f, 0.5f);
    PCAModelFileF file;
    file.allocateSets(shape.setCount);
    unsigned enabled = 0;
    for (auto f : shape.inputFlags)
        enabled += f == 1 ? 1u : 0u;
    const auto tableLength = static_cast<std::uint32_t>(operatingTable(0, shape.rates, shape.entryLength).size());
    for (auto& set : file.sets)
    {
        set.positionCount = static_cast<std::uint32_t>(shape.networksPerPosition.size());
        set.tableLength = tableLength;
        set.positions.resize(set.positionCount);
        for (unsigned k = 0; k < set.positionCount; ++k)
        {
            auto& p = set.positions[k];
            p.networkCount = shape.networksPerPosition[k];
            p.inputFlagCount = p.outputFlagCount = 4;
            p.inputFlags.assign(shape.inputFlags.begin(), shape.inputFlags.end());
            p.outputFlags.assign(shape.outputFlags.begin(), shape.outputFlags.end());
            p.projectionInputs = enabled;
            p.outputProjectionColumns = 1;
            p.networkInputs = shape.networkInputs;
            p.networkOutputs = 4;
            p.tableLength = tableLength;
            p.projection.resize(std::size_t(p.networkInputs) * p.projectionInputs);
            for (unsigned c = 0; c < p.projectionInputs; ++c)
                for (unsigned r = 0; r < p.networkInputs; ++r)
                    p.projection[c * p.networkInputs + r] =
                        shape.identityProjection ? (r == c ? 1.0 : 0.0) : static_cast<double>(small(rng));
            p.outputProjection.assign(std::size_t(p.networkOutputs) * p.outputProjectionColumns, 0.25);
            p.operatingPoints = operatingTable(k, shape.rates, shape.entryLength);
            p.networks.resize(p.networkCount);
            for (auto& n : p.networks)
            {
                n.resizeArrays(p.networkInputs, 4, {shape.hidden});
                for (unsigned q = 0; q < p.networkInputs; ++q)
                {
                    n.regionLow[q] = -1e6f;
                    n.regionHigh[q] = 1e6f;
                    n.inputMin[q] = -50.0f;
                    n.inputMax[q] = 300.0f;
                }
                for (unsigned q = 0; q < 4; ++q)
                {
                    n.outputMin[q] = -1e-4f;
                    n.outputMax[q] = 2e-3f;
                }
                for (auto& g : n.hiddenLayerGains)
                    g = 1.0f;
                for (auto& g : n.outputLayerGains)
                    g = 1.0f;
                for (auto& w : n.weights)
                    w = small(rng);
                n.trailer = {1, 2, 3, 4};
            }
        }
    }
    return file;
}

inline ModelFileF makeStd(const StdShape& shape)
{
    std::mt19937 rng(shape.seed);
    std::uniform_real_distribution<float> small(-0.5f, 0.5f);
    ModelFileF file;
    file.allocateSets(shape.setCount);
    const auto tableLength = static_cast<std::uint32_t>(operatingTable(0, shape.rates, 8).size());
    for (auto& set : file.sets)
    {
        set.networkInputs = set.networkOutputs = 2;
        set.positionCount = shape.positions;
        set.tableLength = tableLength;
        set.positions.resize(shape.positions);
        for (unsigned k = 0; k < shape.positions; ++k)
        {
            auto& p = set.positions[k];
            p.networkCount = shape.networksPerPosition;
            p.networkInputs = p.networkOutputs = 2;
            p.tableLength = tableLength;
            p.operatingPoints = operatingTable(k, shape.rates, 8);
            p.networks.resize(p.networkCount);
            for (auto& n : p.networks)
            {
                n.resizeArrays(2, 2, {shape.hidden});
                for (unsigned q = 0; q < 2; ++q)
                {
                    n.regionLow[q] = -1e6f;
                    n.regionHigh[q] = 1e6f;
                    n.inputMin[q] = -300.0f;
                    n.inputMax[q] = 300.0f;
                    n.outputMin[q] = 0.0f;
                    n.outputMax[q] = 2e-3f;
                }
                n.hiddenLayerGain = 1.0f;
                n.outputLayerGain = 1.0f;
                for (auto& w : n.weights)
                    w = small(rng);
            }
        }
    }
    return file;
}

inline std::vector<std::uint8_t> pcaBytes(const PcaShape& shape = {})
{
    auto f = makePca(shape);
    return f.encode();
}

inline std::vector<std::uint8_t> stdBytes(const StdShape& shape = {})
{
    auto f = makeStd(shape);
    return f.encode();
}

/// Paths handed out by writeTempFile; the files are removed when the program ends.
struct TempFiles
{
    std::vector<std::string> paths;
    ~TempFiles()
    {
        for (const auto& p : paths)
            std::remove(p.c_str());
    }
    static TempFiles& instance()
    {
        static TempFiles files;
        return files;
    }
};

/// Writes `bytes` to a file under the system temporary folder and returns its path.
inline std::string writeTempFile(const std::vector<std::uint8_t>& bytes, const std::string& name)
{
    const char* dir = std::getenv("TMPDIR");
    std::string path =
        std::string(dir != nullptr ? dir : "/tmp") + "/ravlin_fast_test_" + std::to_string(::getpid()) + "_" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f != nullptr)
    {
        if (!bytes.empty())
            std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    auto& known = TempFiles::instance().paths;
    if (std::find(known.begin(), known.end(), path) == known.end())
        known.push_back(path);
    return path;
}

} // namespace ravlin::synthetic
