#pragma once
// Potentiometer tapers of the preamp controls.
#include <cmath>

namespace ravlin {

/// Logarithmic taper (17^t - 1)/16 in [0, 1], t in [0, 1]; the powers are computed.
inline double logTaper17(double t) noexcept
{
    return (std::pow(17.0, t) - std::pow(17.0, 0.0)) / (std::pow(17.0, 1.0) - std::pow(17.0, 0.0));
}

/// Gain control VR1 (999 999 ohm total): lower part from the wiper to ground.
inline double gainLowerAt(double t) noexcept { return logTaper17(t) * 993945.0 + 6054.0; }

} // namespace ravlin
