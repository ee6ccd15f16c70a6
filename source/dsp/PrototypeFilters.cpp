#include "dsp/PrototypeFilters.h"

#include <cmath>
#include <stdexcept>

namespace ravlin {

const std::array<double, 32> prototypeX2 = {
    -0.0003244888794142753,
    -0.0005954020307399333,
    0.0005477015511132777,
    0.0031600806396454573,
    0.003150684991851449,
    -0.003818592056632042,
    -0.012281874194741249,
    -0.006811938714236021,
    0.017125071957707405,
    0.03346676751971245,
    0.005899940151721239,
    -0.05684182047843933,
    -0.07919692248106003,
    0.016293663531541824,
    0.20975196361541748,
    0.37076300382614136,
    // Second half mirrors the first.
    0.37076300382614136,
    0.20975196361541748,
    0.016293663531541824,
    -0.07919692248106003,
    -0.05684182047843933,
    0.005899940151721239,
    0.03346676751971245,
    0.017125071957707405,
    -0.006811938714236021,
    -0.012281874194741249,
    -0.003818592056632042,
    0.003150684991851449,
    0.0031600806396454573,
    0.0005477015511132777,
    -0.0005954020307399333,
    -0.0003244888794142753,
};

std::vector<double> kaiserSincLowPass(std::size_t taps, double cutoff, double beta)
{
    if (taps < 2 || taps % 2 != 0)
        throw std::invalid_argument("kaiserSincLowPass: the tap count must be even and at least 2");
    const double pi = 3.14159265358979323846;
    const double centre = 0.5 * static_cast<double>(taps - 1);
    const double windowNorm = std::cyl_bessel_i(0.0, beta);

    std::vector<double> h(taps);
    double sum = 0.0;
    for (std::size_t k = 0; k < taps; ++k)
    {
        const double t = static_cast<double>(k) - centre; // a half-integer, never 0
        const double ideal = std::sin(2.0 * pi * cutoff * t) / (pi * t);
        const double r = t / centre;
        // At the two ends r² is exactly 1; the clamp keeps rounding from taking the root of a
        // negative number.
        const double window = std::cyl_bessel_i(0.0, beta * std::sqrt(std::fmax(0.0, 1.0 - r * r))) / windowNorm;
        h[k] = ideal * window;
        sum += h[k];
    }
    for (double& v : h)
        v = static_cast<double>(static_cast<float>(v / sum));
    return h;
}

std::vector<double> prototypeFor(unsigned factor)
{
    const double cutoffAtBaseRate = 19000.0 / 44100.0;
    switch (factor)
    {
    case 2: return std::vector<double>(prototypeX2.begin(), prototypeX2.end());
    case 4: return kaiserSincLowPass(prototypeLength(4), cutoffAtBaseRate / 4.0, 4.0);
    case 8: return kaiserSincLowPass(prototypeLength(8), cutoffAtBaseRate / 8.0, 7.0);
    case 16: return kaiserSincLowPass(prototypeLength(16), cutoffAtBaseRate / 16.0, 7.0);
    default: throw std::invalid_argument("oversampling factor must be 2, 4, 8 or 16");
    }
}

} // namespace ravlin
