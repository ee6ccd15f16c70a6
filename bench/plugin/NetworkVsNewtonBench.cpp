// The network chain against the Newton reference chain, side by side in one run: the four blocks
// stepped with the trained networks of the model data (as the model builder's accuracy tool steps
// them) and the same four circuits stepped with the damped Newton solve of their port equations.
// Same signal (the demo riff at the default input gain), same rate, Gain 8, tone 1687.
//   ravlin-network-bench --models DIR [--rate 48000] [--seconds 2] [--rounds 3]
// Prints samples per second of each and their ratio. Non-finite output fails the run.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Accuracy.h"
#include "NetworkBlock.h"
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
    if (!n1.configure(files.block1, gainPosition, rate) || !n2.configure(files.block2, gainPosition, rate) ||
        !n3.configure(*files.block3At(rate), 0, rate) || !n4.configure(files.block4, toneIndex, rate))
    {
        std::fprintf(stderr, "ravlin-network-bench: the model data has no operating point for %.0f Hz\n", rate);
        return 1;
    }
    render::ReferencePreamp newton(rate, gainPosition, toneIndex);

    const auto riff = riff::renderDefaultRiff(rate);
    std::vector<double> in(static_cast<std::size_t>(seconds * rate));
    for (std::size_t n = 0; n < in.size(); ++n)
        in[n] = defaultInputGain * riff[n % riff.size()];

    double bestNet = HUGE_VAL, bestNewton = HUGE_VAL;
    bool finite = true;
    for (int r = 0; r < rounds; ++r)
    {
        bestNet = std::min(bestNet, timeChain(in, [&](double x) { return n4.step(n3.step(n2.step(n1.step(x)))); }, finite));
        bestNewton = std::min(bestNewton, timeChain(in, [&](double x) { return newton.step(x); }, finite));
    }
    const double netRate = static_cast<double>(in.size()) / bestNet;
    const double newtonRate = static_cast<double>(in.size()) / bestNewton;
    std::printf("network chain (trained networks) %.0f Hz: %.0f samples/s, real-time factor %.1f\n", rate, netRate,
                netRate / rate);
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
