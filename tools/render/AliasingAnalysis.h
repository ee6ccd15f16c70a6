#pragma once
// Splits the spectrum of a distorted sine into its harmonics and everything else. With the sine's
// frequency a whole number of periods in the window, every harmonic, and every harmonic folded back
// from above half the sample rate, falls on one DFT bin, so no window function is needed and
// nothing leaks between bins.
#include <vector>

namespace ravlin::render {

struct AliasingResult
{
    bool valid = false;                ///< false: empty, silent, or not a whole number of periods
    double nonHarmonicDb = 0.0;        ///< energy off the harmonics, dB re the whole output (DC left out)
    double nonHarmonicAudibleDb = 0.0; ///< the same below 20 kHz, still re the whole output
    double strongestHz = 0.0;          ///< frequency of the strongest line off the harmonics
    double strongestDb = 0.0;          ///< its level re the fundamental
};

/// `y` at `sampleRate` holds a whole number of periods of `frequency` (frequency * size divisible by
/// the rate, both in Hz).
AliasingResult analyseAliasing(const std::vector<double>& y, int sampleRate, int frequency);

} // namespace ravlin::render
