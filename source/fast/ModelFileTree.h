#pragma once
// What the two model-file kinds share: a tree of sets, positions and networks, read and written
// depth-first, each record's size bookkeeping filled in as it is written (ModelFileCodec.h).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fast/BaseModelFileF.h"

namespace ravlin {

class ByteCursor;
class ByteSink;

/// What differs between the file kinds, for the tree whose sets are `SetRecord`s: the set and
/// position header fields, the fields between a network's ranges and its trailer, and the smallest
/// encoding of each record (used to bound record counts by the bytes left). The unit of each kind
/// defines these members for its records.
template <class SetRecord>
struct FileFormat
{
    using Set = SetRecord;
    using Position = typename decltype(Set::positions)::value_type;
    using Network = typename decltype(Position::networks)::value_type;
    static const std::uint64_t minSetBytes, minPositionBytes, minNetworkBytes;

    static bool parseSetHeader(ByteCursor& in, Set& s);
    static void encodeSetHeader(ByteSink& out, const Set& s);
    /// Copies into a position what it inherits from its set.
    static void inherit(const Set& s, Position& p);
    /// The position's fields before its operating-point table.
    static void parsePositionHeader(ByteCursor& in, Position& p);
    static void encodePositionHeader(ByteSink& out, const Position& p);
    /// The network's fields between its output ranges and its trailer: layer sizes, gains, weights.
    static bool parseNetworkBody(ByteCursor& in, Network& n);
    static void encodeNetworkBody(ByteSink& out, const Network& n);
};

template <class SetT>
class ModelFileTree : public BaseModelFileF
{
public:
    using Format = FileFormat<SetT>;
    using SetRecord = SetT;
    using PositionRecord = typename Format::Position;
    using NetworkRecord = typename Format::Network;

    std::uint32_t setCount = 0;
    std::vector<SetRecord> sets;

    void allocateSets(unsigned count) override;
    unsigned write() override;
    std::size_t parse(const std::uint8_t* data, std::size_t size) override;

    /// The whole tree as file bytes, with the size bookkeeping filled in (what write() stores).
    std::vector<std::uint8_t> encode();
};

} // namespace ravlin
