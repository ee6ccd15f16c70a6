#pragma once
// A position's operating-point table: element 0 holds the number of entries n, then come n entries
// of entryLength values each: the effective sample rate in Hz the entry belongs to, then the port
// voltages p, the port currents i and the states x of the block at rest at that rate.
#include <cstddef>
#include <vector>

namespace ravlin {

/// The values after the rate (p, i, x) of the first entry whose rate equals `rate` exactly, or null
/// when no entry matches. Entries that would reach past the end of the table are not read.
inline const double* operatingPointFor(const std::vector<double>& table, double rate, unsigned entryLength) noexcept
{
    if (table.empty() || !(table[0] > 0.0))
        return nullptr;
    for (std::size_t k = 0; static_cast<double>(k) < table[0]; ++k)
    {
        const std::size_t at = 1 + k * entryLength;
        if (at + entryLength > table.size())
            return nullptr;
        if (table[at] == rate)
            return table.data() + at + 1;
    }
    return nullptr;
}

} // namespace ravlin
