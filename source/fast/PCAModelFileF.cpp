#include "fast/PCAModelFileF.h"

#include "fast/ModelFileCodec.h"

namespace ravlin {

using PcaFormat = FileFormat<PCASetRecord>;

template <>
const std::uint64_t PcaFormat::minSetBytes = 16;
template <>
const std::uint64_t PcaFormat::minPositionBytes = 40; // ten u32 header fields, no arrays
template <>
const std::uint64_t PcaFormat::minNetworkBytes = 28;

void PCANetworkRecord::resizeArrays(std::uint32_t inputs, std::uint32_t outputs,
                                    const std::vector<std::uint32_t>& sizes)
{
    codec::resizeCommonArrays(*this, inputs, outputs, sizes);
    hiddenTotal = 0;
    for (auto s : sizes)
        hiddenTotal += s;
    hiddenLayerGains.assign(hiddenTotal, 0.0f);
    outputLayerGains.assign(outputs, 0.0f);
}

template <>
bool PcaFormat::parseSetHeader(ByteCursor& in, Set& s)
{
    return in.scalar(s.totalSize, "set size") && in.scalar(s.headerSize, "set header")
           && in.scalar(s.positionCount, "position count") && in.scalar(s.tableLength, "table length");
}

template <>
void PcaFormat::encodeSetHeader(ByteSink& out, const Set& s)
{
    for (auto v : {s.totalSize, s.headerSize, s.positionCount, s.tableLength})
        out.scalar(v);
}

template <>
void PcaFormat::inherit(const Set& s, Position& p)
{
    p.tableLength = s.tableLength;
}

template <>
void PcaFormat::parsePositionHeader(ByteCursor& in, Position& p)
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
}

template <>
void PcaFormat::encodePositionHeader(ByteSink& out, const Position& p)
{
    for (auto v : {p.totalSize, p.headerSize, p.reserved, p.networkCount, p.inputFlagCount, p.outputFlagCount,
                   p.projectionInputs, p.outputProjectionColumns, p.networkInputs, p.networkOutputs})
        out.scalar(v);
    out.array(p.inputFlags);
    out.array(p.outputFlags);
    out.array(p.projection);
    out.array(p.outputProjection);
}

template <>
bool PcaFormat::parseNetworkBody(ByteCursor& in, Network& n)
{
    std::uint64_t weightCount = 0;
    if (!codec::parseLayers(in, n, weightCount))
        return false;
    std::uint64_t hidden = 0;
    for (auto s : n.layerSizes)
        hidden += s;
    if (hidden > 0xffffffffu)
    {
        in.fail("network layer sizes too large");
        return false;
    }
    n.hiddenTotal = static_cast<std::uint32_t>(hidden);
    return in.array(n.hiddenLayerGains, hidden, "hiddenLayerGains")
           && in.array(n.outputLayerGains, n.networkOutputs, "outputLayerGains")
           && in.array(n.weights, weightCount, "weights");
}

template <>
void PcaFormat::encodeNetworkBody(ByteSink& out, const Network& n)
{
    out.scalar(n.layerCount);
    out.array(n.layerSizes);
    out.array(n.hiddenLayerGains);
    out.array(n.outputLayerGains);
    out.array(n.weights);
}

template class ModelFileTree<PCASetRecord>;

} // namespace ravlin
