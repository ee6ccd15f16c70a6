// The network chain against the Newton reference chain, side by side in one run: the run-time
// ChannelChain (four fast blocks stepping the trained networks of the model data) and the same
// four circuits stepped with the damped Newton solve of their port equations. Built without the
// run-time library, the network side is the model builder's evaluator of the same files.
// Same signal (the demo riff at the default input gain), same rate, Gain 8, tone 1687.
//   ravlin-network-bench --models DIR [--rate 48000] [--seconds 2] [--rounds 3]
// Prints samples per second of each and their ratio. Non-finite output fails the run.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#if RAVLIN_BENCH_CHANNEL_CHAIN
#include "fast/ChannelChain.h"
#include "fast/ModelFileNames.h"
#else
#include "Accuracy.h"
#include "NetworkBlock.h"
#endif
#include "ReferencePreamp.h"
#include "RiffSynth.h"

namespace {

constexpr unsigned gainPosition = 8;
constexpr unsigned toneIndex = 1687;
constexpr double defaultInputGain = 1.5;

template <class Step>
double timeChain(const std::vector<double>& in, Step&& step, bool& finite)
{
    double sink = 0.0;
    const auto t0 = std::chrono::steady_clock::now();
    for (double x : in)
        sink += step(x);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    finite = finite && std::isfinite(sink);
    return seconds;
}

} // namespace

int main(int argc, char** argv)
{
    std::string models;
    double rate = 48000.0, seconds = 2.0;
    int rounds = 3;
    for (int a = 1; a + 1 < argc; a += 2)
    {
        const std::string arg = argv[a], value = argv[a + 1];
        if (arg == "--models")
            models = value;
        else if (arg == "--rate")
            rate = std::atof(value.c_str());
        else if (arg == "--seconds")
            seconds = std::atof(value.c_str());
        else if (arg == "--rounds")
            rounds = std::atoi(value.c_str());
        else
        {
            std::fprintf(stderr, "ravlin-network-bench: unknown option %s\n", arg.c_str());
            return 2;
        }
    }
    if (models.empty() || !(rate >= 8000.0) || !(seconds > 0.0) || rounds < 1)
    {
        std::fputs("usage: ravlin-network-bench --models DIR [--rate HZ] [--seconds S] [--rounds N]\n", stderr);
        return 2;
    }

    using namespace ravlin;
#if RAVLIN_BENCH_CHANNEL_CHAIN
    const char* networkLabel = "network chain (ChannelChain)";
    auto chain = std::make_unique<ChannelChain>();
    // Each block's file as the plug-in picks it: the rate's own file where there is one.
    std::string paths[4];
    for (int k = 0; k < 4; ++k)
        for (const std::string& name : modelFileCandidates(k + 1, 0, static_cast<long>(rate)))
        {
            paths[k] = models + "/" + name;
            if (std::filesystem::exists(paths[k]))
                break;
        }
    for (int k = 0; k < 4; ++k)
        if (const LoadResult r = chain->loadModelFile(k + 1, paths[k].c_str()); !r)
        {
            std::fprintf(stderr, "ravlin-network-bench: %s: %s\n", paths[k].c_str(), r.message.c_str());
            return 1;
        }
    chain->setSampleRate(rate);
    chain->selectPosition(1, gainPosition);
    chain->selectPosition(2, gainPosition);
    chain->selectPosition(3, 0);
    chain->selectPosition(4, toneIndex);
    if (!chain->active())
    {
        std::fputs("ravlin-network-bench: the chain did not become active\n", stderr);
        return 1;
    }
    auto networkStep = [&](double x) { return chain->processSample(x); };
#else
    const char* networkLabel = "network chain (trained networks)";
    modelgen::SetFiles files;
    std::string error;
    if (!modelgen::loadSetFiles(models, modelgen::ValveSet::fresh, {rate}, files, error) || files.block3At(rate) == nullptr)
    {
        std::fprintf(stderr, "ravlin-network-bench: %s\n", error.empty() ? "no block-3 file for the rate" : error.c_str());
        return 1;
    }
    modelgen::NetworkBlock<Block1Circuit> n1;
    modelgen::NetworkBlock<Block2Circuit> n2;
    modelgen::NetworkBlock<Block3Circuit> n3;
    modelgen::NetworkBlock<Block4Circuit> n4;
    if (!n1.configure(files.gainBlockAt(1, rate), gainPosition, rate) || !n2.configure(files.gainBlockAt(2, rate), gainPosition, rate) ||
        !n3.configure(*files.block3At(rate), 0, rate) || !n4.configure(files.block4, toneIndex, rate))
    {
        std::fprintf(stderr, "ravlin-network-bench: the model data has no operating point for %.0f Hz\n", rate);
        return 1;
    }
    auto networkStep = [&](double x) { return n4.step(n3.step(n2.step(n1.step(x)))); };
#endif
    render::ReferencePreamp newton(rate, gainPosition, toneIndex);

    const auto riff = riff::renderDefaultRiff(rate);
    std::vector<double> in(static_cast<std::size_t>(seconds * rate));
    for (std::size_t n = 0; n < in.size(); ++n)
        in[n] = defaultInputGain * riff[n % riff.size()];

    double bestNet = HUGE_VAL, bestNewton = HUGE_VAL;
    bool finite = true;
    for (int r = 0; r < rounds; ++r)
    {
        bestNet = std::min(bestNet, timeChain(in, networkStep, finite));
        bestNewton = std::min(bestNewton, timeChain(in, [&](double x) { return newton.step(x); }, finite));
    }
    const double netRate = static_cast<double>(in.size()) / bestNet;
    const double newtonRate = static_cast<double>(in.size()) / bestNewton;
    std::printf("%s %.0f Hz: %.0f samples/s, real-time factor %.1f\n", networkLabel, rate, netRate, netRate / rate);
    std::printf("Newton reference chain %.0f Hz: %.0f samples/s, real-time factor %.1f (%ld unconverged steps)\n", rate,
                newtonRate, newtonRate / rate, newton.failures());
    std::printf("network vs Newton: %.2f\n", netRate / newtonRate);
    if (!finite)
    {
        std::fputs("ravlin-network-bench: a chain produced non-finite output\n", stderr);
        return 3;
    }
    return 0;
}
