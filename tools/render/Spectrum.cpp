#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <complex>

#include <unsupported/Eigen/FFT>

#include "PlotData.h"

namespace ravlin::render {

void spectrum(const std::vector<float>& samples, double sampleRate, int frameSize, std::vector<double>& frequencies,
              std::vector<double>& levelsDb)
{
    const auto n = static_cast<std::size_t>(frameSize);
    std::vector<double> window(n);
    double windowSum = 0.0;
    for (std::size_t k = 0; k < n; ++k)
    {
        window[k] = 0.5 - 0.5 * std::cos(2.0 * M_PI * static_cast<double>(k) / static_cast<double>(n));
        windowSum += window[k];
    }
    Eigen::FFT<double> fft;
    std::vector<double> frame(n);
    std::vector<std::complex<double>> bins;
    std::vector<double> power(n / 2 + 1, 0.0);
    int frames = 0;
    for (std::size_t start = 0; start + n <= samples.size(); start += n / 2, ++frames)
    {
        for (std::size_t k = 0; k < n; ++k)
            frame[k] = window[k] * samples[start + k];
        fft.fwd(bins, frame);
        for (std::size_t k = 0; k <= n / 2; ++k)
            power[k] += std::norm(bins[k]);
    }
    frequencies.assign(n / 2 + 1, 0.0);
    levelsDb.assign(n / 2 + 1, -300.0);
    for (std::size_t k = 0; k <= n / 2; ++k)
    {
        frequencies[k] = static_cast<double>(k) * sampleRate / static_cast<double>(n);
        if (frames == 0)
            continue;
        // A full-scale sine puts amplitude windowSum / 2 into its bin.
        const double amplitude = std::sqrt(power[k] / frames) * 2.0 / windowSum;
        levelsDb[k] = 20.0 * std::log10(std::max(amplitude, 1e-15));
    }
}

bool soundFileSpectrum(const std::string& path, int frameSize, std::vector<double>& frequencies,
                       std::vector<double>& levelsDb, std::string& error)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr)
    {
        error = "cannot read " + path + ": " + sf_strerror(nullptr);
        return false;
    }
    std::vector<float> interleaved(static_cast<std::size_t>(info.frames) * static_cast<std::size_t>(info.channels));
    const sf_count_t got = sf_readf_float(file, interleaved.data(), info.frames);
    sf_close(file);
    if (got < frameSize)
    {
        error = path + " is shorter than one analysis frame (" + std::to_string(frameSize) + " samples)";
        return false;
    }
    std::vector<float> mono(static_cast<std::size_t>(got));
    for (std::size_t k = 0; k < mono.size(); ++k)
        mono[k] = interleaved[k * static_cast<std::size_t>(info.channels)];
    spectrum(mono, info.samplerate, frameSize, frequencies, levelsDb);
    return true;
}

} // namespace ravlin::render
