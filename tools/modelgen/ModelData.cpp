#include "ModelData.h"

#include <cfloat>
#include <cstdint>
#include <cstring>

namespace ravlin::modelgen {

std::string modelFileName(const char* setName, int block, double rate)
{
    std::string name = std::string("ravlinpre_") + setName + "_b" + std::to_string(block) + (block == 4 ? "_std.dat" : "_pca.dat");
    if (block == 3)
        name += "." + std::to_string(static_cast<long long>(rate));
    return name;
}

namespace {

class Encoder
{
public:
    std::vector<unsigned char> bytes;
    void u32(std::uint32_t v) { raw(&v, 4); }
    void i32(std::int32_t v) { raw(&v, 4); }
    void f32(double v)
    {
        const float f = static_cast<float>(v);
        raw(&f, 4);
    }
    void f64(double v) { raw(&v, 8); }
    /// Writes a u32 placeholder and returns its offset.
    std::size_t mark()
    {
        u32(0);
        return bytes.size() - 4;
    }
    void patch(std::size_t at, std::uint32_t v) { std::memcpy(&bytes[at], &v, 4); }

private:
    void raw(const void* p, std::size_t n)
    {
        const auto* b = static_cast<const unsigned char*>(p);
        bytes.insert(bytes.end(), b, b + n); // the format is little-endian, like every host we build for
    }
};

/// Network output o of the file (outputs beyond the trained ones are constant 0 A).
void writeOutputRanges(Encoder& e, const TrainedNet& net, int fileOutputs)
{
    for (int o = 0; o < fileOutputs; ++o)
        e.f32(o < net.outputs ? net.outputMin[static_cast<std::size_t>(o)] : 0.0);
    for (int o = 0; o < fileOutputs; ++o)
        e.f32(o < net.outputs ? net.outputMax[static_cast<std::size_t>(o)] : 1.0);
}

void writeWeights(Encoder& e, const TrainedNet& net, int fileOutputs)
{
    const std::size_t hiddenPart = static_cast<std::size_t>((net.inputs + 1) * net.hidden);
    for (std::size_t k = 0; k < hiddenPart; ++k)
        e.f32(net.weights[k]);
    for (int o = 0; o < fileOutputs; ++o)
        for (int h = 0; h <= net.hidden; ++h)
            e.f32(o < net.outputs ? net.weights[hiddenPart + static_cast<std::size_t>(o * (net.hidden + 1) + h)] : 0.0);
}

void writeRegionAndInputs(Encoder& e, const TrainedNet& net)
{
    for (int k = 0; k < net.inputs; ++k)
        e.f32(-FLT_MAX);
    for (int k = 0; k < net.inputs; ++k)
        e.f32(FLT_MAX);
    for (int k = 0; k < net.inputs; ++k)
        e.f32(net.inputMin[static_cast<std::size_t>(k)]);
    for (int k = 0; k < net.inputs; ++k)
        e.f32(net.inputMax[static_cast<std::size_t>(k)]);
}

void trailer(Encoder& e)
{
    for (int k = 0; k < 4; ++k)
        e.u32(0);
}

} // namespace

std::vector<unsigned char> encodeModelFile(const BlockFileData& data)
{
    const BlockLayout& L = data.layout;
    const std::uint32_t tableLength = data.positions.empty() ? 0u : static_cast<std::uint32_t>(data.positions[0].table.size());
    Encoder e;
    e.u32(1); // one set
    const std::size_t setStart = e.bytes.size();
    const std::size_t setTotal = e.mark();
    const std::size_t setHeader = e.mark();
    if (L.block == 4)
    {
        e.u32(2);
        e.u32(2);
    }
    e.u32(static_cast<std::uint32_t>(data.positions.size()));
    e.u32(tableLength);
    e.patch(setHeader, static_cast<std::uint32_t>(e.bytes.size() - setStart));
    for (const PositionData& pos : data.positions)
    {
        const TrainedNet& net = pos.net;
        const std::size_t posStart = e.bytes.size();
        const std::size_t posTotal = e.mark();
        const std::size_t posHeader = e.mark();
        e.u32(0); // reserved
        e.u32(1); // one network
        if (L.block != 4)
        {
            e.u32(4);
            e.u32(4);
            e.u32(static_cast<std::uint32_t>(L.featureCount)); // projection inputs
            e.u32(4);                                          // output projection columns
            e.u32(static_cast<std::uint32_t>(L.featureCount)); // network inputs
            e.u32(static_cast<std::uint32_t>(L.fileOutputs));  // network outputs
            for (int k = 0; k < 4; ++k)
            {
                bool on = false;
                for (int f = 0; f < L.featureCount; ++f)
                    on = on || L.features[static_cast<std::size_t>(f)] == k;
                e.i32(on ? 1 : 0);
            }
            for (int q = 0; q < 4; ++q)
            {
                bool on = false;
                for (int f = 0; f < L.outputCount; ++f)
                    on = on || L.outputs[static_cast<std::size_t>(f)] == q;
                e.i32(on ? 1 : 0);
            }
            // Identity projection (column by column): the run-time recognises it and copies p.
            for (int c = 0; c < L.featureCount; ++c)
                for (int r = 0; r < L.featureCount; ++r)
                    e.f64(r == c ? 1.0 : 0.0);
            for (int c = 0; c < 4; ++c)
                for (int r = 0; r < 4; ++r)
                    e.f64(r == c ? 1.0 : 0.0);
        }
        for (double t : pos.table)
            e.f64(t);
        e.patch(posHeader, static_cast<std::uint32_t>(e.bytes.size() - posStart));
        const std::size_t netStart = e.bytes.size();
        const std::size_t netTotal = e.mark();
        e.u32(0); // reserved
        writeRegionAndInputs(e, net);
        writeOutputRanges(e, net, L.fileOutputs);
        if (L.block == 4)
        {
            e.f32(net.hiddenGain);
            e.f32(net.outputGain);
            e.u32(1);
            e.u32(static_cast<std::uint32_t>(net.hidden));
        }
        else
        {
            e.u32(1);
            e.u32(static_cast<std::uint32_t>(net.hidden));
            for (int h = 0; h < net.hidden; ++h)
                e.f32(net.hiddenGain);
            for (int o = 0; o < L.fileOutputs; ++o)
                e.f32(net.outputGain);
        }
        writeWeights(e, net, L.fileOutputs);
        trailer(e);
        e.patch(netTotal, static_cast<std::uint32_t>(e.bytes.size() - netStart));
        e.patch(posTotal, static_cast<std::uint32_t>(e.bytes.size() - posStart));
    }
    e.patch(setTotal, static_cast<std::uint32_t>(e.bytes.size() - setStart));
    return std::move(e.bytes);
}

} // namespace ravlin::modelgen
