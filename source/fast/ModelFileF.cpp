#include "fast/ModelFileF.h"

#include "fast/ByteCursor.h"

namespace ravlin {

void StdNetworkRecord::resizeArrays(std::uint32_t inputs, std::uint32_t outputs, const std::vector<std::uint32_t>& sizes)
{
    networkInputs = inputs;
    networkOutputs = outputs;
    for (auto* v : {&regionLow, &regionHigh, &inputMin, &inputMax})
        v->assign(inputs, 0.0f);
    outputMin.assign(outputs, 0.0f);
    outputMax.assign(outputs, 0.0f);
    layerCount = static_cast<std::uint32_t>(sizes.size());
    layerSizes = sizes;
    std::uint64_t count = 0;
    weightCountOf(inputs, sizes, outputs, count);
    weights.assign(static_cast<std::size_t>(count), 0.0f);
}

void ModelFileF::allocateSets(unsigned count)
{
    sets.clear();
    sets.resize(count);
    setCount = count;
}

namespace {

constexpr std::uint64_t minSetBytes = 24;
constexpr std::uint64_t minPositionBytes = 16;
constexpr std::uint64_t minNetworkBytes = 36;

bool parseNetwork(ByteCursor& in, StdNetworkRecord& n)
{
    const std::uint32_t ni = n.networkInputs, no = n.networkOutputs;
    in.scalar(n.totalSize, "network size") && in.scalar(n.reserved, "network header")
        && in.array(n.regionLow, ni, "regionLow") && in.array(n.regionHigh, ni, "regionHigh")
        && in.array(n.inputMin, ni, "inputMin") && in.array(n.inputMax, ni, "inputMax")
        && in.array(n.outputMin, no, "outputMin") && in.array(n.outputMax, no, "outputMax")
        && in.scalar(n.hiddenLayerGain, "hidden layer gain") && in.scalar(n.outputLayerGain, "output layer gain")
        && in.scalar(n.layerCount, "layer count") && in.array(n.layerSizes, n.layerCount, "layerSizes");
    if (!in.ok())
        return false;
    std::uint64_t weightCount = 0;
    if (!weightCountOf(ni, n.layerSizes, no, weightCount))
    {
        in.fail("network layer sizes too large");
        return false;
    }
    in.array(n.weights, weightCount, "weights");
    for (auto& t : n.trailer)
        in.scalar(t, "network trailer");
    return in.ok();
}

bool parsePosition(ByteCursor& in, StdPositionRecord& p)
{
    in.scalar(p.totalSize, "position size") && in.scalar(p.headerSize, "position header")
        && in.scalar(p.reserved, "position header") && in.scalar(p.networkCount, "network count");
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

void encodeNetwork(ByteSink& out, StdNetworkRecord& n)
{
    const std::size_t start = out.size();
    out.scalar(n.totalSize);
    out.scalar(n.reserved);
    for (auto* v : {&n.regionLow, &n.regionHigh, &n.inputMin, &n.inputMax, &n.outputMin, &n.outputMax})
        out.array(*v);
    out.scalar(n.hiddenLayerGain);
    out.scalar(n.outputLayerGain);
    out.scalar(n.layerCount);
    out.array(n.layerSizes);
    out.array(n.weights);
    for (auto t : n.trailer)
        out.scalar(t);
    n.totalSize = static_cast<std::uint32_t>(out.size() - start);
    out.patch(start, n.totalSize);
}

void encodePosition(ByteSink& out, StdPositionRecord& p)
{
    const std::size_t start = out.size();
    for (auto v : {p.totalSize, p.headerSize, p.reserved, p.networkCount})
        out.scalar(v);
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

std::size_t ModelFileF::parse(const std::uint8_t* data, std::size_t size)
{
    ByteCursor in(data, data != nullptr ? size : 0);
    std::uint32_t count = 0;
    std::vector<StdSetRecord> fresh;
    if (in.scalar(count, "set count") && in.canHold(count, minSetBytes, "set"))
    {
        fresh.resize(count);
        for (auto& s : fresh)
        {
            if (!(in.scalar(s.totalSize, "set size") && in.scalar(s.headerSize, "set header")
                  && in.scalar(s.networkInputs, "network inputs") && in.scalar(s.networkOutputs, "network outputs")
                  && in.scalar(s.positionCount, "position count") && in.scalar(s.tableLength, "table length")
                  && in.canHold(s.positionCount, minPositionBytes, "position")))
                break;
            s.positions.resize(s.positionCount);
            bool good = true;
            for (auto& p : s.positions)
            {
                p.networkInputs = s.networkInputs;
                p.networkOutputs = s.networkOutputs;
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

std::vector<std::uint8_t> ModelFileF::encode()
{
    ByteSink out;
    out.scalar(setCount);
    for (auto& s : sets)
    {
        const std::size_t start = out.size();
        for (auto v : {s.totalSize, s.headerSize, s.networkInputs, s.networkOutputs, s.positionCount, s.tableLength})
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

unsigned ModelFileF::write()
{
    const auto bytes = encode();
    return writeBytes(bytes.data(), bytes.size()) ? static_cast<unsigned>(valuesRead_) : 0u;
}

} // namespace ravlin
