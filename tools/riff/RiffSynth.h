#pragma once
// Renders a riff of plucked strings into a mono DI guitar signal at pickup level.
#include <vector>

#include "GuitarRiff.h"

namespace ravlin::riff {

/// Peak level of the synthesized DI signal: 0.25 (about -12 dBFS), the order of a single-coil
/// pickup's peak voltage for hard picking when one sample unit is one volt.
constexpr double defaultPickupPeak = 0.25;

/// Renders `riff` at `sampleRate` Hz. Each note rings until its length is over, then is damped
/// over a few tens of milliseconds, as a fretting hand or palm would. The result is scaled so that
/// its largest magnitude is `peak` (nothing is scaled when the riff is silent).
std::vector<float> renderRiff(const std::vector<RiffNote>& riff, double sampleRate, double peak = defaultPickupPeak);

/// renderRiff(defaultRiff(), sampleRate).
std::vector<float> renderDefaultRiff(double sampleRate);

} // namespace ravlin::riff
