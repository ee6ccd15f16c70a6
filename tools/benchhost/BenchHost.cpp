// ravlin-benchhost: measures LV2 plug-ins side by side in one run on the same signal and block size.
//   ravlin-benchhost [--bundle DIR]... --uri URI [--set SYMBOL=VALUE]... [--uri URI ...]
//                    [--rate HZ] [--block N] [--seconds S] [--rounds N]
// The signal is the built-in plucked-guitar riff (pickup level), repeated to S seconds and fed to
// every audio input. Each round times every plug-in once, in turn, so drifts of the shared machine
// hit all of them alike; the best round of each counts. Prints one line per plug-in with frames
// processed per second of wall time and the real-time factor, then, with two or more plug-ins,
// the ratio of the first to each other one. A plug-in whose output is silent or not finite is
// reported and makes the exit status non-zero: its speed would mean nothing.
#include <lilv/lilv.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#endif

#include "CommandLine.h"
#include "Lv2Instance.h"
#include "RiffSynth.h"

namespace {

struct PluginRequest
{
    std::string uri;
    std::vector<std::pair<std::string, float>> controls;
};

double toDb(double v) { return v > 0.0 ? 20.0 * std::log10(v) : -HUGE_VAL; }

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> bundles;
    std::vector<PluginRequest> requests;
    double rate = 48000.0, seconds = 10.0;
    int block = 256, rounds = 5;
    std::vector<std::string> uris, settings;
    CLI::App app("Measures LV2 plug-ins side by side in one run on the same signal and block size; with two "
                 "or more, prints the ratio of the first to each other one.",
                 "ravlin-benchhost");
    app.add_option("--bundle", bundles, "load an LV2 bundle directory in addition to LV2_PATH")
        ->allow_extra_args(false);
    auto* uriOption =
        app.add_option("--uri", uris, "plug-in to measure (repeat to compare; the first is the numerator)")
            ->allow_extra_args(false)
            ->required();
    auto* setOption = app.add_option("--set", settings, "control port value for the plug-in named just before")
                          ->allow_extra_args(false)
                          ->check(ravlin::cli::symbolEqualsNumber());
    app.add_option("--rate", rate, "sample rate in Hz (default 48000)")->check(ravlin::cli::finitePositive(1e7));
    app.add_option("--block", block, "frames per run call (default 256)")->check(ravlin::cli::wholeIn(1, 1 << 20));
    app.add_option("--seconds", seconds, "signal length per round (default 10)")
        ->check(ravlin::cli::finitePositive(3600.0));
    app.add_option("--rounds", rounds, "timing rounds; the best counts (default 5)")
        ->check(ravlin::cli::wholeIn(1, 1000));
    if (const auto exit = ravlin::cli::parse(app, argc, argv))
        return *exit;
    // Each --set belongs to the --uri given last before it.
    std::size_t nextUri = 0, nextSetting = 0;
    for (const CLI::Option* option : app.parse_order())
    {
        if (option == uriOption)
            requests.push_back({uris[nextUri++], {}});
        else if (option == setOption)
        {
            if (requests.empty())
            {
                std::fprintf(stderr,
                             "ravlin-benchhost: --set %s comes before any --uri (see ravlin-benchhost --help)\n",
                             settings[nextSetting].c_str());
                return 2;
            }
            requests.back().controls.push_back(ravlin::cli::symbolAndValue(settings[nextSetting++]));
        }
    }

#if defined(__SSE__) || defined(__x86_64__)
    // Flush denormals to zero, as audio hosts do on their processing threads.
    _mm_setcsr(_mm_getcsr() | 0x8040);
#endif

    LilvWorld* world = ravlin::benchhost::loadWorld(bundles);

    std::vector<std::unique_ptr<ravlin::benchhost::Lv2Instance>> instances;
    for (const auto& r : requests)
    {
        std::string error;
        auto instance = ravlin::benchhost::Lv2Instance::create(world, r.uri, rate, block, r.controls, error);
        if (!instance)
        {
            std::fprintf(stderr, "ravlin-benchhost: %s\n", error.c_str());
            instances.clear();
            lilv_world_free(world);
            return 1;
        }
        if (instance->audioInputs() == 0 || instance->audioOutputs() == 0)
        {
            std::fprintf(stderr, "ravlin-benchhost: %s has no audio input or output\n", r.uri.c_str());
            instances.clear();
            lilv_world_free(world);
            return 1;
        }
        instances.push_back(std::move(instance));
    }

    // The same signal for every plug-in: the demo riff repeated to the requested length.
    const auto riff = ravlin::riff::renderDefaultRiff(rate);
    const auto frames = static_cast<std::size_t>(seconds * rate);
    std::vector<float> signal(frames);
    for (std::size_t n = 0; n < frames; ++n)
        signal[n] = riff[n % riff.size()];

    std::vector<double> best(instances.size(), HUGE_VAL);
    std::vector<double> peak(instances.size(), 0.0), energy(instances.size(), 0.0);
    std::vector<bool> finite(instances.size(), true);
    for (int round = 0; round < rounds; ++round)
        for (std::size_t k = 0; k < instances.size(); ++k)
        {
            auto& inst = *instances[k];
            const bool last = round == rounds - 1;
            double elapsed = 0.0;
            for (std::size_t pos = 0; pos < frames; pos += static_cast<std::size_t>(block))
            {
                const int n = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(block), frames - pos));
                const auto t0 = std::chrono::steady_clock::now();
                inst.run(signal.data() + pos, n);
                elapsed += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
                if (last)
                    for (int i = 0; i < n; ++i)
                    {
                        const double v = inst.output(0)[i];
                        finite[k] = finite[k] && std::isfinite(v);
                        peak[k] = std::max(peak[k], std::abs(v));
                        energy[k] += v * v;
                    }
            }
            best[k] = std::min(best[k], elapsed);
        }

    int status = 0;
    std::vector<double> sps(instances.size());
    for (std::size_t k = 0; k < instances.size(); ++k)
    {
        sps[k] = static_cast<double>(frames) / best[k];
        const double rms = std::sqrt(energy[k] / static_cast<double>(frames));
        std::printf("%s <%s>: %.0f samples/s, real-time factor %.1f (block %d, %.0f Hz, %d in, %d out), "
                    "output peak %.1f dBFS, rms %.1f dBFS\n",
                    instances[k]->name().c_str(), requests[k].uri.c_str(), sps[k], sps[k] / rate, block, rate,
                    instances[k]->audioInputs(), instances[k]->audioOutputs(), toDb(peak[k]), toDb(rms));
        if (!finite[k] || !(peak[k] > 1e-6))
        {
            std::fprintf(stderr, "ravlin-benchhost: %s produced %s output; its speed is not meaningful\n",
                         requests[k].uri.c_str(), finite[k] ? "silent" : "non-finite");
            status = 3;
        }
    }
    for (std::size_t k = 1; k < instances.size(); ++k)
        std::printf("ratio %s / %s: %.3f\n", instances[0]->name().c_str(), instances[k]->name().c_str(),
                    sps[0] / sps[k]);
    std::fflush(stdout);
    instances.clear();
    lilv_world_free(world);
    return status;
}
