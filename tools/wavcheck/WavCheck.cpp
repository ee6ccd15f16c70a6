// ravlin-wavcheck: judges a sound file that a host run produced, independently of the program that
// wrote it: every sample finite, not silent, and optionally the expected channel and frame counts.
//   ravlin-wavcheck FILE [--channels N] [--frames N] [--allow-silence]
// Prints "wavcheck: FILE: ..." with the counts, peak and rms per channel; exits 1 on any failure.
#include <sndfile.h>

#include "CommandLine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

/// Peak below this (about -80 dBFS) counts as silence.
constexpr double silencePeak = 1e-4;

double toDb(double v) { return v > 0.0 ? 20.0 * std::log10(v) : -HUGE_VAL; }

} // namespace

int main(int argc, char** argv)
{
    std::string path;
    long wantChannels = -1, wantFrames = -1;
    bool allowSilence = false;
    CLI::App app("Judges a sound file that a host run produced: every sample finite, not silent, and "
                 "optionally the expected channel and frame counts. Exits 1 on any failure.",
                 "ravlin-wavcheck");
    app.add_option("FILE", path, "sound file to judge")->required();
    app.add_option("--channels", wantChannels, "expected channel count")->check(ravlin::cli::wholeIn(0, 1L << 40));
    app.add_option("--frames", wantFrames, "expected frame count")->check(ravlin::cli::wholeIn(0, 1L << 40));
    app.add_flag("--allow-silence", allowSilence, "a silent file passes");
    if (const auto exit = ravlin::cli::parse(app, argc, argv))
        return *exit;

    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr)
    {
        std::fprintf(stderr, "wavcheck: FAIL: cannot read %s: %s\n", path.c_str(), sf_strerror(nullptr));
        return 1;
    }
    const auto channels = static_cast<std::size_t>(info.channels);
    std::vector<double> peak(channels, 0.0), squares(channels, 0.0);
    std::vector<long> nonFinite(channels, 0);
    std::vector<float> buffer(4096 * channels);
    long frames = 0;
    for (sf_count_t got; (got = sf_readf_float(file, buffer.data(), 4096)) > 0;)
    {
        for (sf_count_t i = 0; i < got; ++i)
            for (std::size_t c = 0; c < channels; ++c)
            {
                const double v = buffer[static_cast<std::size_t>(i) * channels + c];
                if (!std::isfinite(v))
                {
                    ++nonFinite[c];
                    continue;
                }
                peak[c] = std::max(peak[c], std::abs(v));
                squares[c] += v * v;
            }
        frames += static_cast<long>(got);
    }
    sf_close(file);

    int failures = 0;
    const auto fail = [&](const std::string& what) {
        std::fprintf(stderr, "wavcheck: FAIL: %s: %s\n", path.c_str(), what.c_str());
        ++failures;
    };
    std::printf("wavcheck: %s: %ld frames, %zu channel(s), %d Hz", path.c_str(), frames, channels, info.samplerate);
    for (std::size_t c = 0; c < channels; ++c)
        std::printf("; ch%zu peak %.1f dBFS rms %.1f dBFS", c, toDb(peak[c]),
                    frames > 0 ? 10.0 * std::log10(std::max(squares[c] / static_cast<double>(frames), 1e-300))
                               : -HUGE_VAL);
    std::printf("\n");
    if (wantChannels >= 0 && static_cast<long>(channels) != wantChannels)
        fail(std::to_string(channels) + " channels, expected " + std::to_string(wantChannels));
    if (wantFrames >= 0 && frames != wantFrames)
        fail(std::to_string(frames) + " frames, expected " + std::to_string(wantFrames));
    if (frames == 0)
        fail("no frames");
    for (std::size_t c = 0; c < channels; ++c)
    {
        if (nonFinite[c] > 0)
            fail("channel " + std::to_string(c) + " has " + std::to_string(nonFinite[c]) + " non-finite samples");
        if (!allowSilence && !(peak[c] > silencePeak))
            fail("channel " + std::to_string(c) + " is silent");
    }
    return failures == 0 ? 0 : 1;
}
