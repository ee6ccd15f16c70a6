#pragma once
// Linear-phase FIR low-pass prototypes of the oversampling filters, one per factor L = 2, 4, 8, 16,
// each of N = 16·L taps and symmetric (h[N - 1 - k] == h[k]). The upsampler of a factor uses its
// prototype scaled by L, the downsampler uses it unscaled.
#include <array>
#include <cstddef>
#include <vector>

namespace ravlin {

/// Number of taps of the prototype for oversampling factor L.
constexpr std::size_t prototypeLength(unsigned factor) noexcept { return 16u * factor; }

/// True for the factors that have a prototype and a filter pair: 2, 4, 8 and 16.
constexpr bool isOversamplingFactor(unsigned factor) noexcept
{
    return factor == 2 || factor == 4 || factor == 8 || factor == 16;
}

/// Factor-2 prototype, 32 taps held as single-precision values. Its taps sum to 1.0005756778991781,
/// so the x2 path has a DC gain of that sum squared (about 1.001152). At the base rate it rises to
/// about +0.9 dB near 0.26·fs, is down 52 dB at 0.5·fs and stays at or below about -81 dB from 0.52·fs.
extern const std::array<double, 32> prototypeX2;

/// Kaiser-windowed sinc low-pass of `taps` taps with cut-off `cutoff` (cycles per sample) and window
/// parameter `beta`, normalised to a tap sum of 1 and rounded tap by tap to single precision:
///   M = (taps - 1)/2, ideal[k] = sin(2π·cutoff·(k - M)) / (π·(k - M)),
///   w[k] = I0(beta·sqrt(1 - ((k - M)/M)²)) / I0(beta), h[k] = float(ideal[k]·w[k] / Σ ideal·w).
/// `taps` must be even so that no tap sits at the centre (k - M is never 0).
std::vector<double> kaiserSincLowPass(std::size_t taps, double cutoff, double beta);

/// Prototype for factor L (2, 4, 8 or 16) as a vector of 16·L doubles: the factor-2 table, or the
/// Kaiser-windowed sinc with its cut-off at 19000/44100 of the base rate (beta 4 for L = 4, 7 for
/// L = 8 and 16). Throws std::invalid_argument for any other factor. Runs at construction time only.
std::vector<double> prototypeFor(unsigned factor);

} // namespace ravlin
