#include "ModelData.h"

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "fast/ModelFileF.h"
#include "fast/PCAModelFileF.h"

namespace ravlin::modelgen {

namespace {

/// The shapes the file layout can hold: every network of a position has the position's input
/// count (the block's feature count) and at most the file's output count, and every position has
/// a table of the set's one length. Anything else would write a file no reader can walk.
void checkEncodable(const BlockFileData& data)
{
    const BlockLayout& L = data.layout;
    const std::size_t tableLength = data.positions.empty() ? 0 : data.positions[0].table.size();
    for (const PositionData& pos : data.positions)
    {
        if (pos.table.size() != tableLength)
            throw std::invalid_argument("model file of block " + std::to_string(L.block)
                                        + ": operating-point tables of different lengths");
        for (const TrainedNet& net : pos.nets)
            if (net.inputs != L.featureCount || net.outputs > L.fileOutputs || net.hidden < 1)
                throw std::invalid_argument("model file of block " + std::to_string(L.block)
                                            + ": a network does not have the block's shape");
    }
}

/// Region, ranges and weights, the part both record kinds share. The file stores `fileOutputs`
/// outputs; those beyond the trained ones are a constant 0 A (range [0, 1], all weights 0).
template <class Record>
void fillNetwork(Record& r, const TrainedNet& net, int fileOutputs)
{
    const auto in = static_cast<std::size_t>(net.inputs);
    r.resizeArrays(static_cast<std::uint32_t>(net.inputs), static_cast<std::uint32_t>(fileOutputs),
                   {static_cast<std::uint32_t>(net.hidden)});
    for (std::size_t k = 0; k < in; ++k)
    {
        r.regionLow[k] = static_cast<float>(net.regionLow[k]);
        r.regionHigh[k] = static_cast<float>(net.regionHigh[k]);
        r.inputMin[k] = static_cast<float>(net.inputMin[k]);
        r.inputMax[k] = static_cast<float>(net.inputMax[k]);
    }
    for (int o = 0; o < fileOutputs; ++o)
    {
        const auto q = static_cast<std::size_t>(o);
        r.outputMin[q] = o < net.outputs ? static_cast<float>(net.outputMin[q]) : 0.0f;
        r.outputMax[q] = o < net.outputs ? static_cast<float>(net.outputMax[q]) : 1.0f;
    }
    const std::size_t hiddenPart = (in + 1) * static_cast<std::size_t>(net.hidden);
    for (std::size_t k = 0; k < hiddenPart; ++k)
        r.weights[k] = static_cast<float>(net.weights[k]);
    const std::size_t row = static_cast<std::size_t>(net.hidden) + 1;
    for (int o = 0; o < net.outputs; ++o)
        for (std::size_t h = 0; h < row; ++h)
            r.weights[hiddenPart + static_cast<std::size_t>(o) * row + h] =
                static_cast<float>(net.weights[hiddenPart + static_cast<std::size_t>(o) * row + h]);
}

/// 1 where `port` is one of the first `count` entries of `ports`, else 0.
std::int32_t flagOf(const std::array<int, 4>& ports, int count, int port)
{
    for (int f = 0; f < count; ++f)
        if (ports[static_cast<std::size_t>(f)] == port)
            return 1;
    return 0;
}

/// The identity projection column by column: the run-time recognises it and copies p.
std::vector<double> identity(std::uint32_t n)
{
    std::vector<double> m(static_cast<std::size_t>(n) * n, 0.0);
    for (std::uint32_t k = 0; k < n; ++k)
        m[static_cast<std::size_t>(k) * (n + 1)] = 1.0;
    return m;
}

/// One set holding `data`'s positions in a file tree of either kind: `positionFields(p)` sets what a
/// position holds besides its table and networks, `gains(r, net)` a network record's gains.
template <class File, class PositionFields, class Gains>
File fileOf(const BlockFileData& data, PositionFields&& positionFields, Gains&& gains)
{
    File file;
    file.allocateSets(1);
    auto& set = file.sets[0];
    set.positionCount = static_cast<std::uint32_t>(data.positions.size());
    set.tableLength = data.positions.empty() ? 0u : static_cast<std::uint32_t>(data.positions[0].table.size());
    set.positions.resize(data.positions.size());
    for (std::size_t k = 0; k < data.positions.size(); ++k)
    {
        const PositionData& from = data.positions[k];
        auto& p = set.positions[k];
        p.networkCount = static_cast<std::uint32_t>(from.nets.size());
        p.tableLength = set.tableLength;
        positionFields(p);
        p.operatingPoints = from.table;
        p.networks.resize(from.nets.size());
        for (std::size_t n = 0; n < from.nets.size(); ++n)
        {
            fillNetwork(p.networks[n], from.nets[n], data.layout.fileOutputs);
            gains(p.networks[n], from.nets[n]);
        }
    }
    return file;
}

PCAModelFileF pcaFile(const BlockFileData& data)
{
    const BlockLayout& L = data.layout;
    const auto features = static_cast<std::uint32_t>(L.featureCount);
    const auto flags = [&L, features](PCAPositionRecord& p) {
        p.inputFlagCount = 4;
        p.outputFlagCount = 4;
        p.projectionInputs = features;
        p.outputProjectionColumns = 4;
        p.networkInputs = features;
        p.networkOutputs = static_cast<std::uint32_t>(L.fileOutputs);
        for (int port = 0; port < 4; ++port)
        {
            p.inputFlags.push_back(flagOf(L.features, L.featureCount, port));
            p.outputFlags.push_back(flagOf(L.outputs, L.outputCount, port));
        }
        p.projection = identity(features);
        p.outputProjection = identity(4);
    };
    const auto gains = [](PCANetworkRecord& r, const TrainedNet& net) {
        r.hiddenLayerGains.assign(r.hiddenTotal, static_cast<float>(net.hiddenGain));
        r.outputLayerGains.assign(r.networkOutputs, static_cast<float>(net.outputGain));
    };
    return fileOf<PCAModelFileF>(data, flags, gains);
}

ModelFileF stdFile(const BlockFileData& data)
{
    const auto dimensions = [](StdPositionRecord& p) {
        p.networkInputs = 2;
        p.networkOutputs = 2;
    };
    const auto gains = [](StdNetworkRecord& r, const TrainedNet& net) {
        r.hiddenLayerGain = static_cast<float>(net.hiddenGain);
        r.outputLayerGain = static_cast<float>(net.outputGain);
    };
    ModelFileF file = fileOf<ModelFileF>(data, dimensions, gains);
    file.sets[0].networkInputs = 2;
    file.sets[0].networkOutputs = 2;
    return file;
}

/// A network record back into the trainer's form, keeping the trained outputs only.
template <class Record>
bool readNetwork(const Record& r, const BlockLayout& L, double hiddenGain, double outputGain, TrainedNet& net)
{
    if (r.layerCount != 1 || r.layerSizes.size() != 1 || r.layerSizes[0] < 1 || r.layerSizes[0] > 255)
        return false;
    const int inputs = static_cast<int>(r.networkInputs);
    const int hidden = static_cast<int>(r.layerSizes[0]);
    net.shape(inputs, hidden, L.outputCount, L.clamp);
    net.hiddenGain = hiddenGain;
    net.outputGain = outputGain;
    for (std::size_t k = 0; k < static_cast<std::size_t>(inputs); ++k)
    {
        net.regionLow[k] = r.regionLow[k];
        net.regionHigh[k] = r.regionHigh[k];
        net.inputMin[k] = r.inputMin[k];
        net.inputMax[k] = r.inputMax[k];
    }
    for (std::size_t o = 0; o < static_cast<std::size_t>(L.outputCount); ++o)
    {
        net.outputMin[o] = r.outputMin[o];
        net.outputMax[o] = r.outputMax[o];
    }
    const std::size_t used = TrainedNet::weightCount(inputs, hidden, L.outputCount);
    for (std::size_t k = 0; k < used; ++k)
        net.weights[k] = r.weights[k];
    return true;
}

bool readPca(const PCAModelFileF& file, BlockFileData& data)
{
    const BlockLayout& L = data.layout;
    const PCASetRecord& set = file.sets[0];
    data.positions.resize(set.positions.size());
    for (std::size_t k = 0; k < set.positions.size(); ++k)
    {
        const PCAPositionRecord& p = set.positions[k];
        if (p.inputFlagCount != 4 || p.outputFlagCount != 4 || p.networkOutputs != 4
            || p.networkInputs != static_cast<std::uint32_t>(L.featureCount) || p.projectionInputs != p.networkInputs
            || p.outputProjectionColumns > 16 || p.networks.empty() || p.networks.size() > 64)
            return false;
        for (int port = 0; port < 4; ++port)
            if (p.inputFlags[static_cast<std::size_t>(port)] != flagOf(L.features, L.featureCount, port)
                || p.outputFlags[static_cast<std::size_t>(port)] != flagOf(L.outputs, L.outputCount, port))
                return false; // the networks would be wired to other ports than the block's
        if (p.projection != identity(p.networkInputs))
            return false; // the builder writes identity projections only
        PositionData& pos = data.positions[k];
        pos.table = p.operatingPoints;
        pos.nets.resize(p.networks.size());
        for (std::size_t n = 0; n < p.networks.size(); ++n)
        {
            const PCANetworkRecord& r = p.networks[n];
            if (r.hiddenLayerGains.empty() || r.outputLayerGains.empty()
                || !readNetwork(r, L, r.hiddenLayerGains[0], r.outputLayerGains[0], pos.nets[n]))
                return false;
        }
    }
    return true;
}

bool readStd(const ModelFileF& file, BlockFileData& data)
{
    const BlockLayout& L = data.layout;
    const StdSetRecord& set = file.sets[0];
    if (set.networkInputs != 2 || set.networkOutputs != 2)
        return false;
    data.positions.resize(set.positions.size());
    for (std::size_t k = 0; k < set.positions.size(); ++k)
    {
        const StdPositionRecord& p = set.positions[k];
        if (p.networks.empty() || p.networks.size() > 64)
            return false;
        PositionData& pos = data.positions[k];
        pos.table = p.operatingPoints;
        pos.nets.resize(p.networks.size());
        for (std::size_t n = 0; n < p.networks.size(); ++n)
        {
            const StdNetworkRecord& r = p.networks[n];
            if (!readNetwork(r, L, r.hiddenLayerGain, r.outputLayerGain, pos.nets[n]))
                return false;
        }
    }
    return true;
}

/// Parses the whole of `bytes` with the run-time's reader; false unless every byte is used.
template <class File>
bool parseAll(File& file, const std::vector<unsigned char>& bytes)
{
    const std::size_t used = file.parse(bytes.data(), bytes.size());
    return used != 0 && used == bytes.size() && file.setCount >= 1 && !file.sets[0].positions.empty();
}

} // namespace

std::vector<unsigned char> encodeModelFile(const BlockFileData& data)
{
    checkEncodable(data);
    return data.layout.block == 4 ? stdFile(data).encode() : pcaFile(data).encode();
}

bool decodeModelFile(const std::vector<unsigned char>& bytes, int block, BlockFileData& data)
{
    data = {};
    data.layout = blockLayout(block);
    if (block == 4)
    {
        ModelFileF file;
        return parseAll(file, bytes) && readStd(file, data);
    }
    PCAModelFileF file;
    return parseAll(file, bytes) && readPca(file, data);
}

BlockFileData positionsOf(const BlockFileData& data, const std::vector<unsigned>& positions)
{
    BlockFileData part;
    part.layout = data.layout;
    for (unsigned k : positions)
        if (k < data.positions.size())
            part.positions.push_back(data.positions[k]);
    return part;
}

} // namespace ravlin::modelgen
