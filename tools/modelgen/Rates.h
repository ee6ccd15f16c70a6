#pragma once
// Effective sample rates the plug-in can run at: host rates 44.1/48/88.2/96/176.4/192 kHz
// times the oversampling factors 1, 2, 4, 8, 16 (14 distinct values, ascending).
#include <algorithm>
#include <vector>

namespace ravlin::modelgen {

inline std::vector<double> effectiveRates()
{
    std::vector<double> rates;
    for (double host : {44100.0, 48000.0, 88200.0, 96000.0, 176400.0, 192000.0})
        for (double factor : {1.0, 2.0, 4.0, 8.0, 16.0})
            rates.push_back(host * factor);
    std::sort(rates.begin(), rates.end());
    rates.erase(std::unique(rates.begin(), rates.end()), rates.end());
    return rates;
}

} // namespace ravlin::modelgen
