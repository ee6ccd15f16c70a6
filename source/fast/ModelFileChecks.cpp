#include "fast/ModelFileChecks.h"

#include <cmath>

namespace ravlin {

bool operatingTableFits(const std::vector<double>& table, unsigned entryLength)
{
    if (table.empty())
        return false;
    const double n = table[0];
    if (!(n >= 0.0) || n != std::floor(n) || n > 1e9)
        return false;
    return 1.0 + n * entryLength <= static_cast<double>(table.size());
}

namespace {

std::string at(std::size_t position, std::size_t network = static_cast<std::size_t>(-1))
{
    std::string s = "position " + std::to_string(position);
    if (network != static_cast<std::size_t>(-1))
        s += " network " + std::to_string(network);
    return s + ": ";
}

template <class T>
bool allFinite(const std::vector<T>& v)
{
    for (T e : v)
        if (!std::isfinite(e))
            return false;
    return true;
}
bool noNaN(const std::vector<float>& v)
{
    for (float e : v)
        if (std::isnan(e))
            return false;
    return true;
}

/// Weights, ranges and gains must be finite (a NaN would silence the block for good); the region
/// corners may be infinite (an unbounded box) but not NaN.
template <class Network>
bool valuesUsable(const Network& n)
{
    return allFinite(n.inputMin) && allFinite(n.inputMax) && allFinite(n.outputMin) && allFinite(n.outputMax)
           && allFinite(n.weights) && noNaN(n.regionLow) && noNaN(n.regionHigh);
}

template <class Network>
std::string checkLayers(const Network& n)
{
    if (n.layerCount != 1 || n.layerSizes.size() != 1)
        return "layer count " + std::to_string(n.layerCount) + " (need exactly one hidden layer)";
    if (n.layerSizes[0] < 1 || n.layerSizes[0] > 255)
        return "hidden layer of " + std::to_string(n.layerSizes[0]) + " units (need 1 to 255)";
    return {};
}

bool gainsPresent(const PCANetworkRecord& n) { return !n.hiddenLayerGains.empty() && !n.outputLayerGains.empty(); }
bool gainsPresent(const StdNetworkRecord&) { return true; }
bool gainsFinite(const PCANetworkRecord& n)
{
    return std::isfinite(n.hiddenLayerGains[0]) && std::isfinite(n.outputLayerGains[0]);
}
bool gainsFinite(const StdNetworkRecord& n)
{
    return std::isfinite(n.hiddenLayerGain) && std::isfinite(n.outputLayerGain);
}

/// Why set 0 of `file` cannot serve a block at all, or empty.
template <class File>
std::string checkSet(const File& file)
{
    if (file.setCount < 1 || file.sets.empty())
        return "no set";
    if (file.sets[0].positionCount < 1)
        return "no position in set 0";
    return {};
}

/// Why position k lacks what every block needs (a network, an operating-point table), or empty.
template <class Position>
std::string checkPosition(const Position& p, std::size_t k, unsigned entryLength)
{
    if (p.networkCount < 1)
        return at(k) + "no network";
    if (!operatingTableFits(p.operatingPoints, entryLength))
        return at(k) + "operating-point table missing or shorter than its entry count";
    return {};
}

/// Why a network of position k cannot be evaluated (layers, gains, values), or empty.
template <class Position>
std::string checkNetworks(const Position& p, std::size_t k)
{
    for (std::size_t j = 0; j < p.networks.size(); ++j)
    {
        const auto& n = p.networks[j];
        const std::string why = checkLayers(n);
        if (!why.empty())
            return at(k, j) + why;
        if (!gainsPresent(n))
            return at(k, j) + "missing layer gains";
        if (!valuesUsable(n) || !gainsFinite(n))
            return at(k, j) + "weight, range or gain not finite";
    }
    return {};
}

} // namespace

std::string checkForBlock(const PCAModelFileF& file, unsigned entryLength)
{
    if (std::string why = checkSet(file); !why.empty())
        return why;
    const auto& set = file.sets[0];
    for (std::size_t k = 0; k < set.positions.size(); ++k)
    {
        const auto& p = set.positions[k];
        if (std::string why = checkPosition(p, k, entryLength); !why.empty())
            return why;
        if (!allFinite(p.operatingPoints) || !allFinite(p.projection))
            return at(k) + "operating point or projection not finite";
        if (p.networkOutputs != 4)
            return at(k) + "network outputs " + std::to_string(p.networkOutputs) + " (need 4)";
        if (p.inputFlagCount < 4 || p.outputFlagCount < 4)
            return at(k) + "fewer than four input or output flags";
        if (p.networkInputs < 1 || p.networkInputs > 4)
            return at(k) + "network inputs " + std::to_string(p.networkInputs) + " (need 1 to 4)";
        unsigned enabled = 0;
        for (int q = 0; q < 4; ++q)
            enabled += p.inputFlags[static_cast<std::size_t>(q)] == 1 ? 1u : 0u;
        if (p.projectionInputs != enabled)
            return at(k) + "projection inputs " + std::to_string(p.projectionInputs) + " but " + std::to_string(enabled)
                   + " enabled input flags";
        if (static_cast<unsigned long long>(p.networkInputs) * p.projectionInputs > 16)
            return at(k) + "projection larger than 4 x 4";
        if (std::string why = checkNetworks(p, k); !why.empty())
            return why;
    }
    return {};
}

std::string checkForBlock(const ModelFileF& file, unsigned entryLength)
{
    if (std::string why = checkSet(file); !why.empty())
        return why;
    const auto& set = file.sets[0];
    if (set.networkInputs != 2 || set.networkOutputs != 2)
        return "network dimensions " + std::to_string(set.networkInputs) + " x " + std::to_string(set.networkOutputs)
               + " (need 2 x 2)";
    for (std::size_t k = 0; k < set.positions.size(); ++k)
    {
        const auto& p = set.positions[k];
        if (std::string why = checkPosition(p, k, entryLength); !why.empty())
            return why;
        if (!allFinite(p.operatingPoints))
            return at(k) + "operating point not finite";
        if (std::string why = checkNetworks(p, k); !why.empty())
            return why;
    }
    return {};
}

} // namespace ravlin
