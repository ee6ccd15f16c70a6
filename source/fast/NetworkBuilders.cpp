#include "fast/NetworkBuilders.h"

namespace ravlin {

namespace {
std::vector<double> widen(const std::vector<float>& v) { return std::vector<double>(v.begin(), v.end()); }

std::size_t countNetworks(const std::vector<PCAPositionRecord>& positions)
{
    std::size_t n = 0;
    for (const auto& p : positions)
        n += p.networks.size();
    return n;
}
std::size_t countNetworks(const std::vector<StdPositionRecord>& positions)
{
    std::size_t n = 0;
    for (const auto& p : positions)
        n += p.networks.size();
    return n;
}
} // namespace

void buildNetworks(const PCAModelFileF& file, std::vector<net_node_eigen>& networks, const std::uint8_t* slotEnabled)
{
    const auto& positions = file.sets.at(0).positions;
    networks.clear();
    networks.resize(countNetworks(positions));
    std::size_t next = 0;
    for (const auto& p : positions)
    {
        for (const auto& n : p.networks)
        {
            net_node_eigen& r = networks[next++];
            allocate(r, p.networkInputs, 4, n.layerSizes[0], n.hiddenLayerGains[0], n.outputLayerGains[0]);
            storeWeights(r, widen(n.weights).data());
            setRanges(r, widen(n.regionLow).data(), widen(n.regionHigh).data(), widen(n.inputMin).data(),
                      widen(n.inputMax).data(), widen(n.outputMin).data(), widen(n.outputMax).data());
            r.slotCount = 4;
            r.slotEnabled = slotEnabled;
        }
    }
}

void buildNetworks(const ModelFileF& file, std::vector<net_node_eigen>& networks, const std::uint8_t* slotEnabled)
{
    const auto& positions = file.sets.at(0).positions;
    networks.clear();
    networks.resize(countNetworks(positions));
    std::size_t next = 0;
    for (const auto& p : positions)
    {
        for (const auto& n : p.networks)
        {
            net_node_eigen& r = networks[next++];
            allocate(r, 2, 2, n.layerSizes[0], n.hiddenLayerGain, n.outputLayerGain);
            storeWeights(r, widen(n.weights).data());
            setRanges(r, widen(n.regionLow).data(), widen(n.regionHigh).data(), widen(n.inputMin).data(),
                      widen(n.inputMax).data(), widen(n.outputMin).data(), widen(n.outputMax).data());
            r.slotCount = 2;
            r.slotEnabled = slotEnabled;
        }
    }
}

} // namespace ravlin
