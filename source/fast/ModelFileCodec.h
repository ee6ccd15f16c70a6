#pragma once
// The shared walk of ModelFileTree: parse and encode of sets, positions and networks in file order,
// around the fields a Format supplies. Included by the unit of each file kind, which instantiates
// ModelFileTree for its Format.
#include <utility>

#include "fast/ByteCursor.h"
#include "fast/ModelFileTree.h"

namespace ravlin::codec {

/// Sizes the arrays both network kinds have from the counts (zero-filled): the ranges, the layer
/// sizes and the weights.
template <class Network>
void resizeCommonArrays(Network& n, std::uint32_t inputs, std::uint32_t outputs,
                        const std::vector<std::uint32_t>& sizes)
{
    n.networkInputs = inputs;
    n.networkOutputs = outputs;
    for (auto* v : {&n.regionLow, &n.regionHigh, &n.inputMin, &n.inputMax})
        v->assign(inputs, 0.0f);
    n.outputMin.assign(outputs, 0.0f);
    n.outputMax.assign(outputs, 0.0f);
    n.layerCount = static_cast<std::uint32_t>(sizes.size());
    n.layerSizes = sizes;
    std::uint64_t count = 0;
    weightCountOf(inputs, sizes, outputs, count);
    n.weights.assign(static_cast<std::size_t>(count), 0.0f);
}

/// Reads a network's layer count and sizes and works out its weight count; false, with the cursor
/// failed, when they cannot be read or would not fit in memory.
template <class Network>
bool parseLayers(ByteCursor& in, Network& n, std::uint64_t& weightCount)
{
    in.scalar(n.layerCount, "layer count") && in.array(n.layerSizes, n.layerCount, "layerSizes");
    if (!in.ok())
        return false;
    if (!weightCountOf(n.networkInputs, n.layerSizes, n.networkOutputs, weightCount))
    {
        in.fail("network layer sizes too large");
        return false;
    }
    return true;
}

/// Stores a record's headerSize and totalSize (its first two u32) once its last byte is written.
template <class Record>
void closeRecord(ByteSink& out, std::size_t start, std::size_t headerEnd, Record& r)
{
    r.headerSize = static_cast<std::uint32_t>(headerEnd - start);
    r.totalSize = static_cast<std::uint32_t>(out.size() - start);
    out.patch(start, r.totalSize);
    out.patch(start + 4, r.headerSize);
}

template <class Format>
bool parseNetwork(ByteCursor& in, typename Format::Network& n)
{
    const std::uint32_t ni = n.networkInputs, no = n.networkOutputs;
    in.scalar(n.totalSize, "network size") && in.scalar(n.reserved, "network header")
        && in.array(n.regionLow, ni, "regionLow") && in.array(n.regionHigh, ni, "regionHigh")
        && in.array(n.inputMin, ni, "inputMin") && in.array(n.inputMax, ni, "inputMax")
        && in.array(n.outputMin, no, "outputMin") && in.array(n.outputMax, no, "outputMax");
    if (!Format::parseNetworkBody(in, n))
        return false;
    for (auto& t : n.trailer)
        in.scalar(t, "network trailer");
    return in.ok();
}

template <class Format>
bool parsePosition(ByteCursor& in, typename Format::Position& p)
{
    Format::parsePositionHeader(in, p);
    if (p.tableLength != 0)
        in.array(p.operatingPoints, p.tableLength, "operatingPoints");
    if (!in.canHold(p.networkCount, Format::minNetworkBytes, "network"))
        return false;
    p.networks.resize(p.networkCount);
    for (auto& n : p.networks)
    {
        n.networkInputs = p.networkInputs;
        n.networkOutputs = p.networkOutputs;
        if (!parseNetwork<Format>(in, n))
            return false;
    }
    return in.ok();
}

template <class Format>
void encodeNetwork(ByteSink& out, typename Format::Network& n)
{
    const std::size_t start = out.size();
    out.scalar(n.totalSize);
    out.scalar(n.reserved);
    for (auto* v : {&n.regionLow, &n.regionHigh, &n.inputMin, &n.inputMax, &n.outputMin, &n.outputMax})
        out.array(*v);
    Format::encodeNetworkBody(out, n);
    for (auto t : n.trailer)
        out.scalar(t);
    n.totalSize = static_cast<std::uint32_t>(out.size() - start);
    out.patch(start, n.totalSize);
}

template <class Format>
void encodePosition(ByteSink& out, typename Format::Position& p)
{
    const std::size_t start = out.size();
    Format::encodePositionHeader(out, p);
    if (p.tableLength != 0)
        out.array(p.operatingPoints);
    const std::size_t headerEnd = out.size();
    for (auto& n : p.networks)
        encodeNetwork<Format>(out, n);
    closeRecord(out, start, headerEnd, p);
}

} // namespace ravlin::codec

namespace ravlin {

template <class SetT>
void ModelFileTree<SetT>::allocateSets(unsigned count)
{
    sets.clear();
    sets.resize(count);
    setCount = count;
}

template <class SetT>
std::size_t ModelFileTree<SetT>::parse(const std::uint8_t* data, std::size_t size)
{
    ByteCursor in(data, data != nullptr ? size : 0);
    std::uint32_t count = 0;
    std::vector<SetRecord> fresh;
    if (in.scalar(count, "set count") && in.canHold(count, Format::minSetBytes, "set"))
    {
        fresh.resize(count);
        for (auto& s : fresh)
        {
            if (!(Format::parseSetHeader(in, s) && in.canHold(s.positionCount, Format::minPositionBytes, "position")))
                break;
            s.positions.resize(s.positionCount);
            bool good = true;
            for (auto& p : s.positions)
            {
                Format::inherit(s, p);
                if (!(good = codec::parsePosition<Format>(in, p)))
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

template <class SetT>
std::vector<std::uint8_t> ModelFileTree<SetT>::encode()
{
    ByteSink out;
    out.scalar(setCount);
    for (auto& s : sets)
    {
        const std::size_t start = out.size();
        Format::encodeSetHeader(out, s);
        const std::size_t headerEnd = out.size();
        for (auto& p : s.positions)
            codec::encodePosition<Format>(out, p);
        codec::closeRecord(out, start, headerEnd, s);
    }
    valuesRead_ = out.values;
    return std::move(out.bytes);
}

template <class SetT>
unsigned ModelFileTree<SetT>::write()
{
    const auto bytes = encode();
    return writeBytes(bytes.data(), bytes.size()) ? static_cast<unsigned>(valuesRead_) : 0u;
}

} // namespace ravlin
