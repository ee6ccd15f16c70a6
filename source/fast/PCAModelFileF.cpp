#include "fast/PCAModelFileF.h"

#include "fast/ByteCursor.h"

namespace ravlin {

void PCANetworkRecord::resizeArrays(std::uint32_t inputs, std::uint32_t outputs, const std::vector<std::uint32_t>& sizes)
{
    networkInputs = inputs;
    networkOutputs = outputs;
    for (auto* v : {&regionLow, &regionHigh, &inputMin, &inputMax})
        v->assign(inputs, 0.0f);
    outputMin.assign(outputs, 0.0f);
    outputMax.assign(outputs, 0.0f);
    layerCount = static_cast<std::uint32_t>(sizes.size());
    layerSizes = sizes;
    hiddenTotal = 0;
    for (auto s : sizes)
        hiddenTotal += s;
    hiddenLayerGains.assign(hiddenTotal, 0.0f);
    outputLayerGains.assign(outputs, 0.0f);
    std::uint64_t count = 0;
    weightCountOf(inputs, sizes, outputs, count);
    weights.assign(static_cast<std::size_t>(count), 0.0f);
}

void PCAModelFileF::allocateSets(unsigned count)
{
    sets.clear();
    sets.resize(count);
    setCount = count;
}

namespace {

// Smallest encodings, used to bound record counts by the bytes left.
constexpr std::uint64_t minSetBytes = 16;
constexpr std::uint64_t minPositionBytes = 40; // ten u32 header fields, no arrays
constexpr std::uint64_t minNetworkBytes = 28;

bool parseNetwork(ByteCursor& in, PCANetworkRecord& n)
{
    const std::uint32_t ni = n.networkInputs, no = n.networkOutputs;
    in.scalar(n.totalSize, "network size") && in.scalar(n.reserved, "network header")
        && in.array(n.regionLow, ni, "regionLow") && in.array(n.regionHigh, ni, "regionHigh")
        && in.array(n.inputMin, ni, "inputMin") && in.array(n.inputMax, ni, "inputMax")
        && in.array(n.outputMin, no, "outputMin") && in.array(n.outputMax, no, "outputMax")
        && in.scalar(n.layerCount, "layer count") && in.array(n.layerSizes, n.layerCount, "layerSizes");
    if (!in.ok())
        return false;
    std::uint64_t hidden = 0;
    for (auto s : n.layerSizes)
        hidden += s;
    std::uint64_t weightCount = 0;
    if (hidden > 0xffffffffu || !weightCountOf(ni, n.layerSizes, no, weightCount))
    {
        in.fail("network layer sizes too large");
        return false;
    }
    n.hiddenTotal = static_cast<std::uint32_t>(hidden);
    in.array(n.hiddenLayerGains, hidden, "hiddenLayerGains") && in.array(n.outputLayerGains, no, "outputLayerGains")
        && in.array(n.weights, weightCount, "weights");
    for (auto& t : n.trailer)
        in.scalar(t, "network trailer");
    return in.ok();
}

bool parsePosition(ByteCursor& in, PCAPositionRecord& p)
{
    in.scalar(p.totalSize, "position size") && in.scalar(p.headerSize, "position header")
        && in.scalar(p.reserved, "position header") && in.scalar(p.networkCount, "network count")
        && in.scalar(p.inputFlagCount, "input flag count") && in.scalar(p.outputFlagCount, "output flag count")
        && in.scalar(p.projectionInputs, "projection inputs")
        && in.scalar(p.outputProjectionColumns, "output projection columns")
        && in.scalar(p.networkInputs, "network inputs") && in.scalar(p.networkOutputs, "network outputs")
        && in.array(p.inputFlags, p.inputFlagCount, "inputFlags")
        && in.array(p.outputFlags, p.outputFlagCount, "outputFlags")
        && in.array(p.projection, std::uint64_t(p.networkInputs) * p.projectionInputs, "projection")
        && in.array(p.outputProjection, std::uint64_t(p.networkOutputs) * p.outputProjectionColumns,
                    "outputProjection");
    if (p.tableLength != 0)
        in.array(p.operatingPoints, p.tableLength, "operatingPoints");
    if (!in.canHold(p.networkCount, minNetworkBytes, "network"))
        return false;
    p.networks.resize(p.networkCount);
    for (auto& n : p.networks)
    {
        n.networkInputs = p.networkInputs;
        n.networkOutputs = p.networkOutputs;
        if (!parseNetwork(in, n))
            return false;
    }
    return in.ok();
}

void encodeNetwork(ByteSink& out, PCANetworkRecord& n)
{
    const std::size_t start = out.size();
    out.scalar(n.totalSize);
    out.scalar(n.reserved);
    for (auto* v : {&n.regionLow, &n.regionHigh, &n.inputMin, &n.inputMax, &n.outputMin, &n.outputMax})
        out.array(*v);
    out.scalar(n.layerCount);
    out.array(n.layerSizes);
    out.array(n.hiddenLayerGains);
    out.array(n.outputLayerGains);
    out.array(n.weights);
    for (auto t : n.trailer)
        out.scalar(t);
    n.totalSize = static_cast<std::uint32_t>(out.size() - start);
    out.patch(start, n.totalSize);
}

void encodePosition(ByteSink& out, PCAPositionRecord& p)
{
    const std::size_t start = out.size();
    for (auto v : {p.totalSize, p.headerSize, p.reserved, p.networkCount, p.inputFlagCount, p.outputFlagCount,
                   p.projectionInputs, p.outputProjectionColumns, p.networkInputs, p.networkOutputs})
        out.scalar(v);
    out.array(p.inputFlags);
    out.array(p.outputFlags);
    out.array(p.projection);
    out.array(p.outputProjection);
    if (p.tableLength != 0)
        out.array(p.operatingPoints);
    p.headerSize = static_cast<std::uint32_t>(out.size() - start);
    for (auto& n : p.networks)
        encodeNetwork(out, n);
    p.totalSize = static_cast<std::uint32_t>(out.size() - start);
    out.patch(start, p.totalSize);
    out.patch(start + 4, p.headerSize);
}

} // namespace

std::size_t PCAModelFileF::parse(const std::uint8_t* data, std::size_t size)
{
    ByteCursor in(data, data != nullptr ? size : 0);
    std::uint32_t count = 0;
    std::vector<PCASetRecord> fresh;
    if (in.scalar(count, "set count") && in.canHold(count, minSetBytes, "set"))
    {
        fresh.resize(count);
        for (auto& s : fresh)
        {
            if (!(in.scalar(s.totalSize, "set size") && in.scalar(s.headerSize, "set header")
                  && in.scalar(s.positionCount, "position count") && in.scalar(s.tableLength, "table length")
                  && in.canHold(s.positionCount, minPositionBytes, "position")))
                break;
            s.positions.resize(s.positionCount);
            bool good = true;
            for (auto& p : s.positions)
            {
                p.tableLength = s.tableLength;
                if (!(good = parsePosition(in, p)))
                    break;
            }
            if (!good)
                break;
        }
    }
    if (!in.ok())
    {
        error_ = in.error();
        return 0;
    }
    sets.swap(fresh);
    setCount = count;
    valuesRead_ = in.values();
    error_.clear();
    return in.consumed();
}

std::vector<std::uint8_t> PCAModelFileF::encode()
{
    ByteSink out;
    out.scalar(setCount);
    for (auto& s : sets)
    {
        const std::size_t start = out.size();
        for (auto v : {s.totalSize, s.headerSize, s.positionCount, s.tableLength})
            out.scalar(v);
        s.headerSize = static_cast<std::uint32_t>(out.size() - start);
        for (auto& p : s.positions)
            encodePosition(out, p);
        s.totalSize = static_cast<std::uint32_t>(out.size() - start);
        out.patch(start, s.totalSize);
        out.patch(start + 4, s.headerSize);
    }
    valuesRead_ = out.values;
    return std::move(out.bytes);
}

unsigned PCAModelFileF::write()
{
    const auto bytes = encode();
    return writeBytes(bytes.data(), bytes.size()) ? static_cast<unsigned>(valuesRead_) : 0u;
}

} // namespace ravlin
