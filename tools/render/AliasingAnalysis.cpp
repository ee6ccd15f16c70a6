#include "AliasingAnalysis.h"

#include <cmath>
#include <complex>

#include <unsupported/Eigen/FFT>

namespace ravlin::render {

namespace {
constexpr double audibleLimitHz = 20000.0;

double db(double ratio) { return ratio > 0.0 ? 10.0 * std::log10(ratio) : -HUGE_VAL; }
} // namespace

AliasingResult analyseAliasing(const std::vector<double>& y, int sampleRate, int frequency)
{
    AliasingResult r;
    const long long n = static_cast<long long>(y.size());
    if (n < 2 || sampleRate <= 0 || frequency <= 0 || (static_cast<long long>(frequency) * n) % sampleRate != 0)
        return r;
    Eigen::FFT<double> fft;
    std::vector<std::complex<double>> spectrum;
    fft.fwd(spectrum, y);
    const long long periods = static_cast<long long>(frequency) * n / sampleRate; // bin of the fundamental
    double total = 0.0, harmonic = 0.0, audible = 0.0, audibleHarmonic = 0.0, fundamental = 0.0, strongest = 0.0;
    long long strongestBin = 0;
    for (long long k = 1; k <= n / 2; ++k) // DC is not sound
    {
        const double p = std::norm(spectrum[static_cast<std::size_t>(k)]);
        const double hz = static_cast<double>(k) * sampleRate / static_cast<double>(n);
        const bool isHarmonic = k % periods == 0;
        total += p;
        if (hz < audibleLimitHz)
            audible += p;
        if (isHarmonic)
        {
            harmonic += p;
            if (hz < audibleLimitHz)
                audibleHarmonic += p;
            if (k == periods)
                fundamental = p;
        }
        else if (p > strongest)
        {
            strongest = p;
            strongestBin = k;
        }
    }
    if (!(total > 0.0) || !(fundamental > 0.0))
        return r;
    r.valid = true;
    r.nonHarmonicDb = db((total - harmonic) / total);
    r.nonHarmonicAudibleDb = db((audible - audibleHarmonic) / total);
    r.strongestHz = static_cast<double>(strongestBin) * sampleRate / static_cast<double>(n);
    r.strongestDb = db(strongest / fundamental);
    return r;
}

} // namespace ravlin::render
