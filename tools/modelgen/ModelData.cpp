#include "ModelData.h"

#include <cfloat>
#include <cstdint>
#include <cstring>

namespace ravlin::modelgen {

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
        e.f32(net.regionLow[static_cast<std::size_t>(k)]);
    for (int k = 0; k < net.inputs; ++k)
        e.f32(net.regionHigh[static_cast<std::size_t>(k)]);
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
        const std::size_t posStart = e.bytes.size();
        const std::size_t posTotal = e.mark();
        const std::size_t posHeader = e.mark();
        e.u32(0); // reserved
        e.u32(static_cast<std::uint32_t>(pos.nets.size()));
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
        for (const TrainedNet& net : pos.nets)
        {
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
        }
        e.patch(posTotal, static_cast<std::uint32_t>(e.bytes.size() - posStart));
    }
    e.patch(setTotal, static_cast<std::uint32_t>(e.bytes.size() - setStart));
    return std::move(e.bytes);
}

namespace {

class Decoder
{
public:
    explicit Decoder(const std::vector<unsigned char>& b) : bytes(b) {}
    bool ok = true;
    std::uint32_t u32() { std::uint32_t v = 0; raw(&v, 4); return v; }
    std::int32_t i32() { std::int32_t v = 0; raw(&v, 4); return v; }
    double f32() { float v = 0; raw(&v, 4); return v; }
    double f64() { double v = 0; raw(&v, 8); return v; }
    bool atEnd() const { return at == bytes.size(); }

private:
    void raw(void* p, std::size_t n)
    {
        if (at + n > bytes.size())
        {
            ok = false;
            std::memset(p, 0, n);
            return;
        }
        std::memcpy(p, &bytes[at], n);
        at += n;
    }
    const std::vector<unsigned char>& bytes;
    std::size_t at = 0;
};

} // namespace

bool decodeModelFile(const std::vector<unsigned char>& bytes, int block, BlockFileData& data)
{
    data = {};
    data.layout = blockLayout(block);
    const BlockLayout& L = data.layout;
    Decoder d(bytes);
    if (d.u32() < 1)
        return false;
    d.u32();
    d.u32();
    if (block == 4 && (d.u32() != 2 || d.u32() != 2))
        return false;
    const std::uint32_t positions = d.u32();
    const std::uint32_t tableLength = d.u32();
    if (!d.ok || positions == 0 || positions > 100000 || tableLength > 100000)
        return false;
    data.positions.resize(positions);
    for (PositionData& pos : data.positions)
    {
        d.u32();
        d.u32();
        d.u32();
        const std::uint32_t networks = d.u32();
        if (networks < 1 || networks > 64)
            return false;
        int inputs = 2, outputs = 2;
        std::int32_t flags[8] = {};
        if (block != 4)
        {
            if (d.u32() != 4 || d.u32() != 4)
                return false;
            const std::uint32_t projectionInputs = d.u32();
            const std::uint32_t outputColumns = d.u32();
            inputs = static_cast<int>(d.u32());
            outputs = static_cast<int>(d.u32());
            if (!d.ok || inputs != L.featureCount || static_cast<int>(projectionInputs) != inputs || outputs != 4 || outputColumns > 16)
                return false;
            for (std::int32_t& f : flags)
                f = d.i32();
            for (std::uint32_t k = 0; k < projectionInputs * static_cast<std::uint32_t>(inputs); ++k)
                if (d.f64() != (k % (static_cast<std::uint32_t>(inputs) + 1) == 0 ? 1.0 : 0.0))
                    return false; // the builder writes identity projections only
            for (std::uint32_t k = 0; k < 4 * outputColumns; ++k)
                d.f64();
        }
        pos.table.resize(tableLength);
        for (double& t : pos.table)
            t = d.f64();
        pos.nets.resize(networks);
        for (TrainedNet& net : pos.nets)
        {
        d.u32();
        d.u32();
        std::vector<double> lo(static_cast<std::size_t>(inputs)), hi(static_cast<std::size_t>(inputs));
        for (double& v : lo)
            v = d.f32();
        for (double& v : hi)
            v = d.f32();
        std::vector<double> inMin(static_cast<std::size_t>(inputs)), inMax(static_cast<std::size_t>(inputs));
        for (double& v : inMin)
            v = d.f32();
        for (double& v : inMax)
            v = d.f32();
        std::vector<double> outMin(static_cast<std::size_t>(outputs)), outMax(static_cast<std::size_t>(outputs));
        for (double& v : outMin)
            v = d.f32();
        for (double& v : outMax)
            v = d.f32();
        double hiddenGain = 1.0, outputGain = 1.0;
        if (block == 4)
        {
            hiddenGain = d.f32();
            outputGain = d.f32();
        }
        if (d.u32() != 1)
            return false;
        const std::uint32_t hidden = d.u32();
        if (!d.ok || hidden < 1 || hidden > 255)
            return false;
        if (block != 4)
        {
            hiddenGain = d.f32();
            for (std::uint32_t h = 1; h < hidden; ++h)
                d.f32();
            outputGain = d.f32();
            for (int o = 1; o < outputs; ++o)
                d.f32();
        }
        net.shape(inputs, static_cast<int>(hidden), L.outputCount, L.clamp);
        net.hiddenGain = hiddenGain;
        net.outputGain = outputGain;
        net.inputMin = inMin;
        net.inputMax = inMax;
        net.regionLow = lo;
        net.regionHigh = hi;
        for (int o = 0; o < L.outputCount; ++o)
        {
            net.outputMin[static_cast<std::size_t>(o)] = outMin[static_cast<std::size_t>(o)];
            net.outputMax[static_cast<std::size_t>(o)] = outMax[static_cast<std::size_t>(o)];
        }
        const std::size_t hiddenPart = static_cast<std::size_t>((inputs + 1) * static_cast<int>(hidden));
        for (std::size_t k = 0; k < hiddenPart; ++k)
            net.weights[k] = d.f32();
        for (int o = 0; o < outputs; ++o)
            for (std::uint32_t h = 0; h <= hidden; ++h)
            {
                const double w = d.f32();
                if (o < L.outputCount)
                    net.weights[hiddenPart + static_cast<std::size_t>(o) * (hidden + 1) + h] = w;
            }
        for (int k = 0; k < 4; ++k)
            d.u32();
        if (!d.ok)
            return false;
        }
    }
    return d.atEnd();
}

} // namespace ravlin::modelgen
