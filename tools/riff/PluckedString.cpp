#include "PluckedString.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace ravlin::riff {

PluckedString::PluckedString(double frequency, double sampleRate, double velocity, double decaySeconds,
                             std::uint32_t seed)
{
    const double period = sampleRate / std::max(frequency, 1.0);
    // The average filter delays by half a sample; the all-pass takes the fraction in 0.5..1.5 samples
    // where its delay is close to (1 - c) / (1 + c) and it stays well away from its pole.
    const auto length = static_cast<std::size_t>(std::max(2.0, std::floor(period - 1.0)));
    const double fraction = period - static_cast<double>(length) - 0.5;
    allpassCoef = (1.0 - fraction) / (1.0 + fraction);
    lossGain = std::pow(10.0, -3.0 / (frequency * std::max(decaySeconds, 0.01)));
    line.assign(length, 0.0);

    // Excitation: uniform noise from a standard-defined engine (reproducible on every platform),
    // low-passed more for soft picks, with a notch comb for a pick at 13 % of the string length.
    std::minstd_rand engine(seed == 0 ? 1u : seed);
    const double brightness = 0.25 + 0.7 * std::clamp(velocity, 0.0, 1.0);
    std::vector<double> burst(length);
    double lp = 0.0;
    for (auto& b : burst)
    {
        const double white = 2.0 * (static_cast<double>(engine() - engine.min()) / (engine.max() - engine.min())) - 1.0;
        lp += brightness * (white - lp);
        b = lp;
    }
    const auto pick = std::max<std::size_t>(1, static_cast<std::size_t>(0.13 * static_cast<double>(length)));
    double mean = 0.0;
    for (std::size_t n = 0; n < length; ++n)
    {
        line[n] = burst[n] - (n >= pick ? burst[n - pick] : 0.0);
        mean += line[n];
    }
    mean /= static_cast<double>(length);
    double peak = 1e-12;
    for (auto& v : line)
    {
        v -= mean; // no DC in the loop, so the string settles to rest
        peak = std::max(peak, std::abs(v));
    }
    const double amplitude = std::clamp(velocity, 0.0, 1.0) / peak;
    for (auto& v : line)
        v *= amplitude;
}

double PluckedString::next() noexcept
{
    const double y = line[pos];
    const double averaged = lossGain * 0.5 * (y + previous);
    previous = y;
    const double tuned = allpassCoef * averaged + allpassIn - allpassCoef * allpassOut;
    allpassIn = averaged;
    allpassOut = tuned;
    line[pos] = tuned;
    pos = pos + 1 == line.size() ? 0 : pos + 1;
    return y;
}

} // namespace ravlin::riff
