#pragma once
// One plucked string by the Karplus-Strong method with fractional-delay tuning:
// a delay line of one period, a two-point average as the loss filter (half a sample of delay),
// a first-order all-pass for the fractional rest of the period, and a per-pass gain that sets
// the 60 dB decay time. The excitation is a low-passed noise burst with a pick-position notch.
#include <cstdint>
#include <vector>

namespace ravlin::riff {

class PluckedString
{
public:
    /// Prepares a pluck of `frequency` Hz at `sampleRate` Hz. `velocity` 0..1 sets amplitude and
    /// brightness; `decaySeconds` is the 60 dB decay time of the fundamental; `seed` makes the
    /// noise burst reproducible.
    PluckedString(double frequency, double sampleRate, double velocity, double decaySeconds, std::uint32_t seed);

    /// Next output sample (string displacement at the pickup, arbitrary units about +-1).
    double next() noexcept;

private:
    std::vector<double> line;
    std::size_t pos = 0;
    double lossGain = 1.0;
    double allpassCoef = 0.0;
    double allpassIn = 0.0;
    double allpassOut = 0.0;
    double previous = 0.0;
};

} // namespace ravlin::riff
