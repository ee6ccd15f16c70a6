#pragma once
// Reader and writer of "pca" model data files (blocks 1 to 3): each position carries an input
// projection, enable flags, its network dimensions and an operating-point table.
#include <vector>

#include "fast/BaseModelFileF.h"
#include "fast/ModelFileRecords.h"

namespace ravlin {

class PCAModelFileF final : public BaseModelFileF
{
public:
    using SetRecord = PCASetRecord;
    using PositionRecord = PCAPositionRecord;
    using NetworkRecord = PCANetworkRecord;

    std::uint32_t setCount = 0;
    std::vector<PCASetRecord> sets;

    void allocateSets(unsigned count) override;
    unsigned write() override;
    std::size_t parse(const std::uint8_t* data, std::size_t size) override;

    /// The whole tree as file bytes, with the size bookkeeping filled in (what write() stores).
    std::vector<std::uint8_t> encode();
};

} // namespace ravlin
