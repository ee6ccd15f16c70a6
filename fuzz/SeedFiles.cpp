#include "SeedFiles.h"

#include <cstring>

namespace ravlin::fuzz {
namespace {

/// Little-endian writer of the model file's value types.
class Writer
{
public:
    void u32(std::uint32_t v)
    {
        for (int b = 0; b < 4; ++b)
            out.push_back(static_cast<std::uint8_t>(v >> (8 * b)));
    }
    void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
    void f32(float v)
    {
        std::uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        u32(bits);
    }
    void f64(double v)
    {
        std::uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        u32(static_cast<std::uint32_t>(bits));
        u32(static_cast<std::uint32_t>(bits >> 32));
    }
    void f32s(std::uint32_t count, float first, float step)
    {
        for (std::uint32_t k = 0; k < count; ++k)
            f32(first + step * static_cast<float>(k));
    }

    Bytes out;
};

/// One hidden layer of h units: (n + 1)·h + (h + 1)·m weights.
std::uint32_t weightCount(std::uint32_t n, std::uint32_t h, std::uint32_t m) { return (n + 1) * h + (h + 1) * m; }

/// Operating-point table: entry count, then per rate the rate and `entryLength - 1` values.
void operatingPoints(Writer& w, std::uint32_t tableLength, std::uint32_t entryLength, const std::vector<double>& rates)
{
    if (tableLength == 0)
        return;
    std::uint32_t written = 1;
    w.f64(static_cast<double>(rates.size()));
    for (double rate : rates)
    {
        w.f64(rate);
        for (std::uint32_t k = 1; k < entryLength; ++k)
            w.f64(0.01 * k);
        written += entryLength;
    }
    for (; written < tableLength; ++written)
        w.f64(0.0);
}

struct PcaShape
{
    std::uint32_t sets = 1;
    std::uint32_t positions = 2;
    std::uint32_t networks = 1;
    std::uint32_t hidden = 6;
    std::uint32_t networkInputs = 2;
    std::vector<std::int32_t> inputFlags{1, 0, 1, 2, 0};
    std::uint32_t entryLength = 14; // blocks 1 and 2; 11 for block 3
    std::vector<double> rates{44100.0, 88200.0};
    bool withTable = true;
};

Bytes pcaFile(const PcaShape& s)
{
    constexpr std::uint32_t outputs = 4;
    std::uint32_t projectionInputs = 0;
    for (std::size_t k = 0; k < 4 && k < s.inputFlags.size(); ++k)
        projectionInputs += s.inputFlags[k] == 1 ? 1u : 0u;
    const std::uint32_t tableLength = s.withTable ? 1 + s.entryLength * static_cast<std::uint32_t>(s.rates.size()) : 0;
    const std::uint32_t outputProjectionColumns = 1;

    Writer w;
    w.u32(s.sets);
    for (std::uint32_t set = 0; set < s.sets; ++set)
    {
        w.u32(0); // totalSize, headerSize: bookkeeping the reader ignores
        w.u32(16);
        w.u32(s.positions);
        w.u32(tableLength);
        for (std::uint32_t p = 0; p < s.positions; ++p)
        {
            w.u32(0);
            w.u32(40);
            w.u32(0);
            w.u32(s.networks);
            w.u32(static_cast<std::uint32_t>(s.inputFlags.size()));
            w.u32(outputs + 1);
            w.u32(projectionInputs);
            w.u32(outputProjectionColumns);
            w.u32(s.networkInputs);
            w.u32(outputs);
            for (std::int32_t f : s.inputFlags)
                w.i32(f);
            for (std::int32_t f : {1, 0, 1, 1, 0})
                w.i32(f);
            for (std::uint32_t k = 0; k < s.networkInputs * projectionInputs; ++k)
                w.f64(k % (s.networkInputs + 1) == 0 ? 1.0 : 0.25);
            for (std::uint32_t k = 0; k < outputs * outputProjectionColumns; ++k)
                w.f64(0.5);
            operatingPoints(w, tableLength, s.entryLength, s.rates);
            for (std::uint32_t n = 0; n < s.networks; ++n)
            {
                w.u32(0);
                w.u32(0);
                w.f32s(s.networkInputs, -10.0f - n, 0.0f); // regionLow
                w.f32s(s.networkInputs, 10.0f + n, 0.0f);  // regionHigh
                w.f32s(s.networkInputs, -5.0f, 0.5f);      // inputMin
                w.f32s(s.networkInputs, 5.0f, 0.5f);       // inputMax
                w.f32s(outputs, -1e-3f, 0.0f);             // outputMin
                w.f32s(outputs, 1e-3f, 0.0f);              // outputMax
                w.u32(1);
                w.u32(s.hidden);
                w.f32s(s.hidden, 1.0f, 0.0f); // hiddenLayerGains
                w.f32s(outputs, 1.0f, 0.0f);  // outputLayerGains
                w.f32s(weightCount(s.networkInputs, s.hidden, outputs), -0.5f, 0.01f);
                for (int t = 0; t < 4; ++t)
                    w.u32(0);
            }
        }
    }
    return w.out;
}

struct StdShape
{
    std::uint32_t sets = 1;
    std::uint32_t positions = 3;
    std::uint32_t networks = 1;
    std::uint32_t hidden = 8;
    std::vector<double> rates{44100.0};
    bool withTable = true;
};

Bytes stdFile(const StdShape& s)
{
    constexpr std::uint32_t inputs = 2, outputs = 2, entryLength = 8;
    const std::uint32_t tableLength = s.withTable ? 1 + entryLength * static_cast<std::uint32_t>(s.rates.size()) : 0;
    Writer w;
    w.u32(s.sets);
    for (std::uint32_t set = 0; set < s.sets; ++set)
    {
        w.u32(0);
        w.u32(24);
        w.u32(inputs);
        w.u32(outputs);
        w.u32(s.positions);
        w.u32(tableLength);
        for (std::uint32_t p = 0; p < s.positions; ++p)
        {
            w.u32(0);
            w.u32(16);
            w.u32(0);
            w.u32(s.networks);
            operatingPoints(w, tableLength, entryLength, s.rates);
            for (std::uint32_t n = 0; n < s.networks; ++n)
            {
                w.u32(0);
                w.u32(0);
                w.f32s(inputs, -10.0f, 0.0f);
                w.f32s(inputs, 10.0f, 0.0f);
                w.f32s(inputs, -4.0f, 1.0f);
                w.f32s(inputs, 4.0f, 1.0f);
                w.f32s(outputs, -2e-3f, 0.0f);
                w.f32s(outputs, 2e-3f, 0.0f);
                w.f32(1.0f); // hiddenLayerGain
                w.f32(1.0f); // outputLayerGain
                w.u32(1);
                w.u32(s.hidden);
                w.f32s(weightCount(inputs, s.hidden, outputs), 0.3f, -0.02f);
                for (int t = 0; t < 4; ++t)
                    w.u32(0);
            }
        }
    }
    return w.out;
}

} // namespace

std::vector<std::pair<std::string, Bytes>> pcaSeeds()
{
    std::vector<std::pair<std::string, Bytes>> seeds;
    seeds.emplace_back("pca_gain", pcaFile(PcaShape{}));
    PcaShape twoSets;
    twoSets.sets = 2;
    twoSets.hidden = 3;
    seeds.emplace_back("pca_two_sets", pcaFile(twoSets));
    PcaShape block3;
    block3.positions = 1;
    block3.networks = 3;
    block3.networkInputs = 4;
    block3.inputFlags = {1, 1, 1, 1};
    block3.entryLength = 11;
    block3.rates = {88200.0};
    seeds.emplace_back("pca_regions", pcaFile(block3));
    PcaShape noTable;
    noTable.withTable = false;
    noTable.positions = 1;
    noTable.hidden = 1;
    seeds.emplace_back("pca_no_table", pcaFile(noTable));
    return seeds;
}

std::vector<std::pair<std::string, Bytes>> stdSeeds()
{
    std::vector<std::pair<std::string, Bytes>> seeds;
    seeds.emplace_back("std_tone", stdFile(StdShape{}));
    StdShape twoSets;
    twoSets.sets = 2;
    twoSets.networks = 2;
    twoSets.rates = {44100.0, 88200.0, 176400.0};
    seeds.emplace_back("std_two_sets", stdFile(twoSets));
    StdShape noTable;
    noTable.withTable = false;
    noTable.hidden = 255;
    seeds.emplace_back("std_no_table_wide", stdFile(noTable));
    return seeds;
}

} // namespace ravlin::fuzz
