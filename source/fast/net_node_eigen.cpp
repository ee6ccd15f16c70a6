#include "fast/net_node_eigen.h"

#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

namespace ravlin {

namespace {
constexpr std::size_t roundToPair(std::size_t n) { return (n + 1) & ~std::size_t(1); }
} // namespace

net_node_eigen::net_node_eigen(net_node_eigen&& other) noexcept { *this = std::move(other); }

net_node_eigen& net_node_eigen::operator=(net_node_eigen&& other) noexcept
{
    if (this != &other)
    {
        release();
        outputWeights = std::exchange(other.outputWeights, nullptr);
        hiddenWeights = std::exchange(other.hiddenWeights, nullptr);
        hiddenCount = std::exchange(other.hiddenCount, std::uint8_t(0));
        inputCount = std::exchange(other.inputCount, std::uint8_t(0));
        outputCount = std::exchange(other.outputCount, std::uint8_t(0));
        slotCount = std::exchange(other.slotCount, std::uint8_t(0));
        hiddenLayerGain = std::exchange(other.hiddenLayerGain, 0.0);
        outputLayerGain = std::exchange(other.outputLayerGain, 0.0);
        slotEnabled = std::exchange(other.slotEnabled, nullptr);
        hiddenBias = std::exchange(other.hiddenBias, nullptr);
        hiddenOut = std::exchange(other.hiddenOut, nullptr);
        outputBias = std::exchange(other.outputBias, nullptr);
        outputValue = std::exchange(other.outputValue, nullptr);
        regionHigh = std::exchange(other.regionHigh, nullptr);
        regionLow = std::exchange(other.regionLow, nullptr);
        outputMax = std::exchange(other.outputMax, nullptr);
        outputMin = std::exchange(other.outputMin, nullptr);
        outputScale = std::exchange(other.outputScale, nullptr);
        storage = std::exchange(other.storage, nullptr);
    }
    return *this;
}

net_node_eigen::~net_node_eigen() { release(); }

void net_node_eigen::release() noexcept
{
    if (storage != nullptr)
        ::operator delete(storage, std::align_val_t(16));
    storage = nullptr;
    outputWeights = hiddenWeights = hiddenBias = hiddenOut = outputBias = outputValue = nullptr;
    regionHigh = regionLow = outputMax = outputMin = outputScale = nullptr;
}

void allocate(net_node_eigen& r, unsigned inputCount, unsigned outputCount, unsigned hiddenCount,
              double hiddenLayerGain, double outputLayerGain)
{
    r.release();
    const std::size_t ni = roundToPair(inputCount), no = roundToPair(outputCount), nh = roundToPair(hiddenCount);
    // Every array starts on an even double index, so each is 16-byte aligned inside the block.
    const std::size_t total = roundToPair(outputCount * std::size_t(hiddenCount))
                              + roundToPair(hiddenCount * std::size_t(inputCount)) + 2 * nh + 6 * no + 2 * ni;
    void* block = ::operator new(total * sizeof(double), std::align_val_t(16));
    std::memset(block, 0, total * sizeof(double));
    double* at = static_cast<double*>(block);
    auto take = [&at](std::size_t n) {
        double* p = at;
        at += n;
        return p;
    };
    r.storage = block;
    r.outputWeights = take(roundToPair(outputCount * std::size_t(hiddenCount)));
    r.hiddenWeights = take(roundToPair(hiddenCount * std::size_t(inputCount)));
    r.hiddenBias = take(nh);
    r.hiddenOut = take(nh);
    r.outputBias = take(no);
    r.outputValue = take(no);
    r.regionHigh = take(ni);
    r.regionLow = take(ni);
    r.outputMax = take(no);
    r.outputMin = take(no);
    r.outputScale = take(no);
    r.hiddenCount = static_cast<std::uint8_t>(hiddenCount);
    r.inputCount = static_cast<std::uint8_t>(inputCount);
    r.outputCount = static_cast<std::uint8_t>(outputCount);
    r.slotCount = 0;
    r.hiddenLayerGain = hiddenLayerGain;
    r.outputLayerGain = outputLayerGain;
}

void storeWeights(net_node_eigen& r, const double* weights) noexcept
{
    std::size_t at = 0;
    for (unsigned h = 0; h < r.hiddenCount; ++h)
    {
        for (unsigned k = 0; k < r.inputCount; ++k)
            r.hiddenWeights[h * r.inputCount + k] = weights[at++];
        r.hiddenBias[h] = weights[at++];
    }
    for (unsigned o = 0; o < r.outputCount; ++o)
    {
        for (unsigned h = 0; h < r.hiddenCount; ++h)
            r.outputWeights[o * r.hiddenCount + h] = weights[at++];
        r.outputBias[o] = weights[at++];
    }
}

void setRanges(net_node_eigen& r, const double* regionLow, const double* regionHigh, const double* inputMin,
               const double* inputMax, const double* outputMin, const double* outputMax)
{
    for (unsigned k = 0; k < r.inputCount; ++k)
    {
        r.regionHigh[k] = regionHigh[k];
        r.regionLow[k] = regionLow[k];
    }
    const double scaleFloor = static_cast<double>(1e-8f);
    for (unsigned o = 0; o < r.outputCount; ++o)
    {
        r.outputMax[o] = outputMax[o];
        r.outputMin[o] = outputMin[o];
        const double d = outputMax[o] - outputMin[o];
        r.outputScale[o] = (outputMax[o] > outputMin[o] && d < scaleFloor) ? scaleFloor : d;
    }
    for (unsigned h = 0; h < r.hiddenCount; ++h)
    {
        for (unsigned k = 0; k < r.inputCount; ++k)
        {
            double& w = r.hiddenWeights[h * r.inputCount + k];
            const double lo = inputMin[k], hi = inputMax[k];
            if (hi != lo)
            {
                r.hiddenBias[h] = r.hiddenBias[h] - (w * 2.0 * lo) / (hi - lo) - w;
                w = w * 2.0 / (hi - lo);
            }
            else
            {
                r.hiddenBias[h] = r.hiddenBias[h] - w;
                w = 0.0;
            }
        }
    }
}

void buildNetwork(net_node_eigen& r, unsigned inputCount, unsigned outputCount, unsigned hiddenCount,
                  double hiddenLayerGain, double outputLayerGain, const std::vector<double>& weights,
                  const std::vector<double>& regionLow, const std::vector<double>& regionHigh,
                  const std::vector<double>& inputMin, const std::vector<double>& inputMax,
                  const std::vector<double>& outputMin, const std::vector<double>& outputMax)
{
    allocate(r, inputCount, outputCount, hiddenCount, hiddenLayerGain, outputLayerGain);
    const std::size_t need = (inputCount + 1) * std::size_t(hiddenCount) + (hiddenCount + 1) * std::size_t(outputCount);
    if (weights.size() < need || regionLow.size() < inputCount || regionHigh.size() < inputCount
        || inputMin.size() < inputCount || inputMax.size() < inputCount || outputMin.size() < outputCount
        || outputMax.size() < outputCount)
        throw std::length_error("buildNetwork: vectors shorter than the network's counts");
    storeWeights(r, weights.data());
    setRanges(r, regionLow.data(), regionHigh.data(), inputMin.data(), inputMax.data(), outputMin.data(),
              outputMax.data());
}

} // namespace ravlin
