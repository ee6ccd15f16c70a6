#include "RiffSynth.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "PluckedString.h"

namespace ravlin::riff {

namespace {
constexpr double dampingSeconds = 0.03; ///< time constant of the fretting-hand damping
constexpr double releaseSeconds = 0.25; ///< time kept after the last note ends
} // namespace

std::vector<float> renderRiff(const std::vector<RiffNote>& riff, double sampleRate, double peak)
{
    if (!(sampleRate > 0.0))
        return {};
    const auto total = static_cast<std::size_t>(std::ceil(riffDurationSeconds(riff, releaseSeconds) * sampleRate));
    std::vector<double> mix(total, 0.0);
    std::uint32_t seed = 12345;
    for (const auto& note : riff)
    {
        const double frequency = frequencyOf(note);
        // Low strings ring longer than high ones.
        const double decay = 1.5 + 2.5 * (82.4 / frequency);
        PluckedString string(frequency, sampleRate, note.velocity, decay, seed);
        seed = seed * 1664525u + 1013904223u;
        const auto start = static_cast<std::size_t>(std::max(0.0, note.startSeconds * sampleRate));
        const auto held = static_cast<std::size_t>(std::max(0.0, note.lengthSeconds * sampleRate));
        const double damp = std::exp(-1.0 / (dampingSeconds * sampleRate));
        double envelope = 1.0;
        for (std::size_t n = start; n < total; ++n)
        {
            if (n - start >= held)
            {
                envelope *= damp;
                if (envelope < 1e-5)
                    break;
            }
            mix[n] += envelope * string.next();
        }
    }
    double largest = 0.0;
    for (double v : mix)
        largest = std::max(largest, std::abs(v));
    const double scale = largest > 0.0 ? peak / largest : 1.0;
    std::vector<float> out(total);
    for (std::size_t n = 0; n < total; ++n)
        out[n] = static_cast<float>(mix[n] * scale);
    return out;
}

std::vector<float> renderDefaultRiff(double sampleRate) { return renderRiff(defaultRiff(), sampleRate); }

} // namespace ravlin::riff
