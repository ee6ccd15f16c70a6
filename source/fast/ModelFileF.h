#pragma once
// Reader and writer of "std" model data files (block 4): network dimensions once per set, no
// projection, two single gains per network.
#include <vector>

#include "fast/BaseModelFileF.h"
#include "fast/ModelFileRecords.h"

namespace ravlin {

class ModelFileF final : public BaseModelFileF
{
public:
    using SetRecord = StdSetRecord;
    using PositionRecord = StdPositionRecord;
    using NetworkRecord = StdNetworkRecord;

    std::uint32_t setCount = 0;
    std::vector<StdSetRecord> sets;

    void allocateSets(unsigned count) override;
    unsigned write() override;
    std::size_t parse(const std::uint8_t* data, std::size_t size) override;

    /// The whole tree as file bytes, with the size bookkeeping filled in (what write() stores).
    std::vector<std::uint8_t> encode();
};

} // namespace ravlin
