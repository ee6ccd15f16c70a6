#pragma once
// In-memory tree of a model data file: sets, positions, networks. Fields keep the file's names and
// types; arrays are std::vector so a tool can fill a tree by code (resize, then assign) and write it.
#include <array>
#include <cstdint>
#include <vector>

namespace ravlin {

/// One network of a "pca" file (blocks 1 to 3). Per-unit gain arrays follow the layer sizes.
struct PCANetworkRecord
{
    std::uint32_t totalSize = 0, reserved = 0;
    std::uint32_t networkInputs = 0, networkOutputs = 0;          ///< inherited from the position
    std::vector<float> regionLow, regionHigh, inputMin, inputMax; ///< networkInputs each
    std::vector<float> outputMin, outputMax;                      ///< networkOutputs each
    std::uint32_t layerCount = 0;
    std::vector<std::uint32_t> layerSizes;
    std::uint32_t hiddenTotal = 0;       ///< sum of layerSizes
    std::vector<float> hiddenLayerGains; ///< hiddenTotal
    std::vector<float> outputLayerGains; ///< networkOutputs
    std::vector<float> weights;          ///< weightCountOf(networkInputs, layerSizes, networkOutputs)
    std::array<std::uint32_t, 4> trailer{};

    /// Sizes every array from the counts (zero-filled), for code that builds a network.
    void resizeArrays(std::uint32_t inputs, std::uint32_t outputs, const std::vector<std::uint32_t>& sizes);
};

struct PCAPositionRecord
{
    std::uint32_t totalSize = 0, headerSize = 0, reserved = 0;
    std::uint32_t networkCount = 0;
    std::uint32_t inputFlagCount = 0, outputFlagCount = 0;
    std::uint32_t projectionInputs = 0, outputProjectionColumns = 0;
    std::uint32_t networkInputs = 0, networkOutputs = 0;
    std::uint32_t tableLength = 0; ///< inherited from the set
    std::vector<std::int32_t> inputFlags, outputFlags;
    std::vector<double> projection;       ///< networkInputs × projectionInputs, column by column
    std::vector<double> outputProjection; ///< networkOutputs × outputProjectionColumns
    std::vector<double> operatingPoints;  ///< tableLength
    std::vector<PCANetworkRecord> networks;
};

struct PCASetRecord
{
    std::uint32_t totalSize = 0, headerSize = 0;
    std::uint32_t positionCount = 0, tableLength = 0;
    std::vector<PCAPositionRecord> positions;
};

/// One network of a "std" file (block 4). Two single gains precede the layer sizes.
struct StdNetworkRecord
{
    std::uint32_t totalSize = 0, reserved = 0;
    std::uint32_t networkInputs = 0, networkOutputs = 0; ///< inherited from the set
    std::vector<float> regionLow, regionHigh, inputMin, inputMax;
    std::vector<float> outputMin, outputMax;
    float hiddenLayerGain = 0.0f, outputLayerGain = 0.0f;
    std::uint32_t layerCount = 0;
    std::vector<std::uint32_t> layerSizes;
    std::vector<float> weights;
    std::array<std::uint32_t, 4> trailer{};

    void resizeArrays(std::uint32_t inputs, std::uint32_t outputs, const std::vector<std::uint32_t>& sizes);
};

struct StdPositionRecord
{
    std::uint32_t totalSize = 0, headerSize = 0, reserved = 0;
    std::uint32_t networkCount = 0;
    std::uint32_t networkInputs = 0, networkOutputs = 0, tableLength = 0; ///< inherited from the set
    std::vector<double> operatingPoints;
    std::vector<StdNetworkRecord> networks;
};

struct StdSetRecord
{
    std::uint32_t totalSize = 0, headerSize = 0;
    std::uint32_t networkInputs = 0, networkOutputs = 0;
    std::uint32_t positionCount = 0, tableLength = 0;
    std::vector<StdPositionRecord> positions;
};

} // namespace ravlin
