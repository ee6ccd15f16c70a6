#include "fast/NetworkBuilders.h"

namespace ravlin {

namespace {
std::vector<double> widen(const std::vector<float>& v) { return std::vector<double>(v.begin(), v.end()); }

/// One record per network of set 0, in file order: `allocateOne(record, position, network)` sizes
/// it and sets its gains; weights, ranges and the output slots are the same for both file kinds.
template <class File, class Allocate>
void buildAll(const File& file, std::vector<net_node_eigen>& networks, const std::uint8_t* slotEnabled,
              std::uint8_t slotCount, Allocate&& allocateOne)
{
    const auto& positions = file.sets.at(0).positions;
    std::size_t total = 0;
    for (const auto& p : positions)
        total += p.networks.size();
    networks.clear();
    networks.resize(total);
    std::size_t next = 0;
    for (const auto& p : positions)
    {
        for (const auto& n : p.networks)
        {
            net_node_eigen& r = networks[next++];
            allocateOne(r, p, n);
            storeWeights(r, widen(n.weights).data());
            setRanges(r, widen(n.regionLow).data(), widen(n.regionHigh).data(), widen(n.inputMin).data(),
                      widen(n.inputMax).data(), widen(n.outputMin).data(), widen(n.outputMax).data());
            r.slotCount = slotCount;
            r.slotEnabled = slotEnabled;
        }
    }
}
} // namespace

void buildNetworks(const PCAModelFileF& file, std::vector<net_node_eigen>& networks, const std::uint8_t* slotEnabled)
{
    buildAll(file, networks, slotEnabled, 4,
             [](net_node_eigen& r, const PCAPositionRecord& p, const PCANetworkRecord& n) {
                 allocate(r, p.networkInputs, 4, n.layerSizes[0], n.hiddenLayerGains[0], n.outputLayerGains[0]);
             });
}

void buildNetworks(const ModelFileF& file, std::vector<net_node_eigen>& networks, const std::uint8_t* slotEnabled)
{
    buildAll(file, networks, slotEnabled, 2,
             [](net_node_eigen& r, const StdPositionRecord&, const StdNetworkRecord& n) {
                 allocate(r, 2, 2, n.layerSizes[0], n.hiddenLayerGain, n.outputLayerGain);
             });
}

} // namespace ravlin
