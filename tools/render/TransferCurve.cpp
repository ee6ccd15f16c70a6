#include <algorithm>
#include <cmath>

#include "PlotData.h"
#include "circuit/ReferenceChain.h"

namespace ravlin::render {

namespace {
// The processor's gains at the default Input (0.5 -> 24.5 -> x3 / 49) and Output (table entry 24
// over 345 V) settings.
constexpr double defaultInputGain = 1.5;
constexpr double defaultOutputGain = 0.0048660987;
constexpr unsigned toneCentre = 7 * 225 + 7 * 15 + 7;
constexpr double testFrequency = 1000.0;
constexpr int settlePeriods = 40;
constexpr int measurePeriods = 20;
} // namespace

std::vector<TransferPoint> transferCurve(unsigned gain, double fromDb, double toDb, int points, double sampleRate)
{
    ReferenceChain preamp;
    preamp.configure({ValveSet::fresh, sampleRate, gain, toneCentre});
    const double rest = preamp.restOutput[3];
    const double periodSamples = sampleRate / testFrequency;
    const auto settle = static_cast<long>(std::lround(periodSamples * settlePeriods));
    const auto measure = static_cast<long>(std::lround(periodSamples * measurePeriods));
    std::vector<TransferPoint> curve;
    long n = 0;
    for (int k = 0; k < points; ++k)
    {
        const double levelDb = points > 1 ? fromDb + (toDb - fromDb) * k / (points - 1) : fromDb;
        const double peak = std::pow(10.0, levelDb / 20.0);
        double outPeak = 0.0;
        for (long s = 0; s < settle + measure; ++s, ++n)
        {
            const double x = peak * std::sin(2.0 * M_PI * testFrequency * static_cast<double>(n) / sampleRate);
            const double y = (preamp.step(x * defaultInputGain) - rest) * defaultOutputGain;
            if (s >= settle)
                outPeak = std::max(outPeak, std::abs(y));
        }
        curve.push_back({levelDb, 20.0 * std::log10(std::max(outPeak, 1e-12))});
    }
    return curve;
}

} // namespace ravlin::render
