#include "fast/ModelFileF.h"

#include "fast/ModelFileCodec.h"

namespace ravlin {

using StdFormat = FileFormat<StdSetRecord>;

template <>
const std::uint64_t StdFormat::minSetBytes = 24;
template <>
const std::uint64_t StdFormat::minPositionBytes = 16;
template <>
const std::uint64_t StdFormat::minNetworkBytes = 36;

void StdNetworkRecord::resizeArrays(std::uint32_t inputs, std::uint32_t outputs,
                                    const std::vector<std::uint32_t>& sizes)
{
    codec::resizeCommonArrays(*this, inputs, outputs, sizes);
}

template <>
bool StdFormat::parseSetHeader(ByteCursor& in, Set& s)
{
    return in.scalar(s.totalSize, "set size") && in.scalar(s.headerSize, "set header")
           && in.scalar(s.networkInputs, "network inputs") && in.scalar(s.networkOutputs, "network outputs")
           && in.scalar(s.positionCount, "position count") && in.scalar(s.tableLength, "table length");
}

template <>
void StdFormat::encodeSetHeader(ByteSink& out, const Set& s)
{
    for (auto v : {s.totalSize, s.headerSize, s.networkInputs, s.networkOutputs, s.positionCount, s.tableLength})
        out.scalar(v);
}

template <>
void StdFormat::inherit(const Set& s, Position& p)
{
    p.networkInputs = s.networkInputs;
    p.networkOutputs = s.networkOutputs;
    p.tableLength = s.tableLength;
}

template <>
void StdFormat::parsePositionHeader(ByteCursor& in, Position& p)
{
    in.scalar(p.totalSize, "position size") && in.scalar(p.headerSize, "position header")
        && in.scalar(p.reserved, "position header") && in.scalar(p.networkCount, "network count");
}

template <>
void StdFormat::encodePositionHeader(ByteSink& out, const Position& p)
{
    for (auto v : {p.totalSize, p.headerSize, p.reserved, p.networkCount})
        out.scalar(v);
}

template <>
bool StdFormat::parseNetworkBody(ByteCursor& in, Network& n)
{
    in.scalar(n.hiddenLayerGain, "hidden layer gain") && in.scalar(n.outputLayerGain, "output layer gain");
    std::uint64_t weightCount = 0;
    return codec::parseLayers(in, n, weightCount) && in.array(n.weights, weightCount, "weights");
}

template <>
void StdFormat::encodeNetworkBody(ByteSink& out, const Network& n)
{
    out.scalar(n.hiddenLayerGain);
    out.scalar(n.outputLayerGain);
    out.scalar(n.layerCount);
    out.array(n.layerSizes);
    out.array(n.weights);
}

template class ModelFileTree<StdSetRecord>;

} // namespace ravlin
