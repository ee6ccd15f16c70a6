// The network chain against the Newton reference chain, side by side in one run: the run-time
// ChannelChain (four fast blocks stepping the trained networks of the model data) and the same
// four circuits stepped with the Newton solve of their port equations (the reference chain the
// networks are trained on and measured against, started at its DC operating point). It also times,
// in the same rounds, the chain's scalar reference step against its vector step (mono, each
// instruction-set build) at x1, and two channels at x16: the scalar chains one after the other
// against the lockstep step.
// Same signal (the demo riff at the default input gain), same rate, Gain 8, tone 1687.
//   ravlin-network-bench --models DIR [--rate 48000] [--seconds 2] [--rounds 3]
// Prints samples per second of each and their ratios. Non-finite output fails the run.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <filesystem>

#include "RiffSynth.h"
#include "circuit/ReferenceChain.h"
#include "fast/ChainKernels.h"
#include "fast/ChannelChain.h"
#include "fast/ModelFileNames.h"

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
    std::vector<std::unique_ptr<ChannelChain>> chains;
    const auto makeChain = [&](double effectiveRate) -> ChannelChain* {
        auto chain = std::make_unique<ChannelChain>();
        const long r = static_cast<long>(effectiveRate);
        for (int k = 1; k <= 4; ++k)
        {
            // Each block's file as the plug-in picks it: the rate's own file where there is one.
            std::string path;
            for (const std::string& name : modelFileCandidates(k, 0, r))
            {
                path = models + "/" + name;
                if (std::filesystem::exists(path))
                    break;
            }
            if (const LoadResult res = chain->loadModelFile(k, path.c_str()); !res)
            {
                std::fprintf(stderr, "ravlin-network-bench: %s: %s\n", path.c_str(), res.message.c_str());
                return nullptr;
            }
        }
        chain->setSampleRate(effectiveRate);
        chain->selectPosition(1, gainPosition);
        chain->selectPosition(2, gainPosition);
        chain->selectPosition(3, 0);
        chain->selectPosition(4, toneIndex);
        if (!chain->active())
        {
            std::fputs("ravlin-network-bench: the chain did not become active\n", stderr);
            return nullptr;
        }
        chains.push_back(std::move(chain));
        return chains.back().get();
    };
    ChannelChain* chain = makeChain(rate);
    ChannelChain* vectorChain = makeChain(rate);
    ChannelChain* scalarLeft = makeChain(rate * 16);
    ChannelChain* scalarRight = makeChain(rate * 16);
    ChannelChain* lockLeft = makeChain(rate * 16);
    ChannelChain* lockRight = makeChain(rate * 16);
    ChannelChain* apartLeft = makeChain(rate * 16);
    ChannelChain* apartRight = makeChain(rate * 16);
    if (apartLeft == nullptr || apartRight == nullptr)
        return 1;
    if (chain == nullptr || vectorChain == nullptr || scalarLeft == nullptr || scalarRight == nullptr
        || lockLeft == nullptr || lockRight == nullptr)
        return 1;
    auto networkStep = [&](double x) { return chain->processSample(x); };
    ReferenceChain newton;
    newton.configure({ValveSet::fresh, rate, gainPosition, toneIndex});
    if (!newton.settled)
    {
        std::fputs("ravlin-network-bench: the reference chain's operating point did not converge\n", stderr);
        return 1;
    }

    const auto riff = riff::renderDefaultRiff(rate);
    std::vector<double> in(static_cast<std::size_t>(seconds * rate));
    for (std::size_t n = 0; n < in.size(); ++n)
        in[n] = defaultInputGain * riff[n % riff.size()];

    double bestNet = HUGE_VAL, bestNewton = HUGE_VAL;
    bool finite = true;
    // The vector builds this processor runs, the chosen one first.
    std::vector<const ChainKernels*> builds{&chainKernels()};
    if (&chainKernels() != &baselineChainKernels())
        builds.push_back(&baselineChainKernels());
    std::vector<double> bestVector(builds.size(), HUGE_VAL);
    double bestScalarPair = HUGE_VAL, bestLockstep = HUGE_VAL, bestApart = HUGE_VAL;
    const std::size_t pairLength = std::max<std::size_t>(1, in.size() / 16);
    std::vector<double> out(in.size()), outR(in.size());
    const auto seconds_since = [](std::chrono::steady_clock::time_point t0) {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    };
    for (int r = 0; r < rounds; ++r)
    {
        bestNet = std::min(bestNet, timeChain(in, networkStep, finite));
        bestNewton = std::min(bestNewton, timeChain(
                                              in, [&](double x) { return newton.step(x); }, finite));
        for (std::size_t b = 0; b < builds.size(); ++b)
        {
            const auto t0 = std::chrono::steady_clock::now();
            builds[b]->monoDouble[0](vectorChain->kernelView(), in.data(), out.data(), static_cast<int>(in.size()));
            bestVector[b] = std::min(bestVector[b], seconds_since(t0));
            finite = finite && std::isfinite(out[in.size() / 2]);
        }
        {
            const auto t0 = std::chrono::steady_clock::now();
            double sink = 0.0;
            for (std::size_t n = 0; n < pairLength; ++n)
            {
                sink += scalarLeft->processOversampled<16>(in[n]);
                sink += scalarRight->processOversampled<16>(in[n]);
            }
            bestScalarPair = std::min(bestScalarPair, seconds_since(t0));
            finite = finite && std::isfinite(sink);
        }
        {
            const auto t0 = std::chrono::steady_clock::now();
            chainKernels().stereoDouble[4](lockLeft->kernelView(), lockRight->kernelView(), in.data(), in.data(),
                                           out.data(), outR.data(), static_cast<int>(pairLength));
            bestLockstep = std::min(bestLockstep, seconds_since(t0));
            finite = finite && std::isfinite(out[pairLength / 2]);
        }
        {
            const auto t0 = std::chrono::steady_clock::now();
            chainKernels().monoDouble[4](apartLeft->kernelView(), in.data(), out.data(), static_cast<int>(pairLength));
            chainKernels().monoDouble[4](apartRight->kernelView(), in.data(), outR.data(),
                                         static_cast<int>(pairLength));
            bestApart = std::min(bestApart, seconds_since(t0));
            finite = finite && std::isfinite(out[pairLength / 2]);
        }
    }
    const double netRate = static_cast<double>(in.size()) / bestNet;
    const double newtonRate = static_cast<double>(in.size()) / bestNewton;
    std::printf("scalar reference chain %.0f Hz: %.0f samples/s, real-time factor %.1f\n", rate, netRate,
                netRate / rate);
    for (std::size_t b = 0; b < builds.size(); ++b)
    {
        const double v = static_cast<double>(in.size()) / bestVector[b];
        std::printf(
            "vector network chain (%s) %.0f Hz: %.0f samples/s, real-time factor %.1f, %.2fx the scalar chain\n",
            builds[b]->name, rate, v, v / rate, v / netRate);
    }
    const double vectorRate = static_cast<double>(in.size()) / bestVector[0];
    const double pairSeconds = static_cast<double>(pairLength) / rate;
    std::printf("stereo x16 %.0f Hz, scalar chains one after the other: real-time factor %.2f\n", rate,
                pairSeconds / bestScalarPair);
    std::printf("stereo x16 %.0f Hz, lockstep (%s): real-time factor %.2f\n", rate, chainKernels().name,
                pairSeconds / bestLockstep);
    std::printf(
        "stereo x16 %.0f Hz, vector chains one after the other, as the stereo loops run (%s): real-time factor %.2f\n",
        rate, chainKernels().name, pairSeconds / bestApart);
    std::printf("Newton reference chain %.0f Hz: %.0f samples/s, real-time factor %.1f (%ld unconverged steps)\n", rate,
                newtonRate, newtonRate / rate, newton.failures());
    std::printf("network vs Newton: %.2f\n", vectorRate / newtonRate);
    std::printf("network chain vs scalar reference: %.2f\n", vectorRate / netRate);
    if (!finite)
    {
        std::fputs("ravlin-network-bench: a chain produced non-finite output\n", stderr);
        return 3;
    }
    return 0;
}
