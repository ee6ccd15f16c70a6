// Real-time factor of each of the ten sample loops (oversampling x1..x16, mono and stereo),
// measured on the plug-in's processor with real model data, two channels in and out.
//   ravlin-processor-bench --models DIR [--rate 48000] [--block 256] [--seconds 4] [--rounds 3]
// Prints one line per loop. The loops are timed in turn, round after round, so drifts of a shared
// machine hit all of them alike; the best round of each counts. A loop whose output is silent or
// not finite makes the exit status non-zero: its speed would mean nothing.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ModelFiles.h"
#include "RenderProcessor.h"
#include "RiffSynth.h"
#include "plugin/ParameterTable.h"

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace {

struct LoopSetup
{
    int factorCode; ///< Oversampling stored value 0..4
    bool stereo;
};

} // namespace

int main(int argc, char** argv)
{
    std::string models;
    double rate = 48000.0, seconds = 4.0;
    int block = 256, rounds = 3;
    for (int a = 1; a + 1 < argc; a += 2)
    {
        const std::string arg = argv[a], value = argv[a + 1];
        if (arg == "--models")
            models = value;
        else if (arg == "--rate")
            rate = std::atof(value.c_str());
        else if (arg == "--block")
            block = std::atoi(value.c_str());
        else if (arg == "--seconds")
            seconds = std::atof(value.c_str());
        else if (arg == "--rounds")
            rounds = std::atoi(value.c_str());
        else
        {
            std::fprintf(stderr, "ravlin-processor-bench: unknown option %s\n", arg.c_str());
            return 2;
        }
    }
    if (models.empty() || !(rate >= 8000.0) || block < 1 || !(seconds > 0.0) || rounds < 1)
    {
        std::fputs("usage: ravlin-processor-bench --models DIR [--rate HZ] [--block N] [--seconds S] [--rounds N]\n",
                   stderr);
        return 2;
    }
    const juce::File modelDir = juce::File::getCurrentWorkingDirectory().getChildFile(models);
    for (int code = 0; code <= 4; ++code)
        for (const auto& name : ravlin::render::requiredModelFiles(0, static_cast<long>(rate) << code))
            if (!modelDir.getChildFile(name).existsAsFile())
            {
                std::fprintf(stderr, "ravlin-processor-bench: %s lacks %s\n", models.c_str(), name.c_str());
                return 1;
            }

    juce::ScopedJuceInitialiser_GUI runtime;
    const auto riff = ravlin::riff::renderDefaultRiff(rate);
    const int total = static_cast<int>(seconds * rate);
    juce::AudioBuffer<float> signal(2, total);
    for (int n = 0; n < total; ++n)
    {
        const float v = riff[static_cast<std::size_t>(n) % riff.size()];
        signal.setSample(0, n, v);
        signal.setSample(1, n, v);
    }

    std::vector<LoopSetup> loops;
    for (bool stereo : {false, true})
        for (int code = 0; code <= 4; ++code)
            loops.push_back({code, stereo});
    std::vector<std::unique_ptr<juce::AudioProcessor>> processors;
    for (const auto& l : loops)
    {
        auto p = ravlin::render::createRenderProcessor();
        p->setPlayConfigDetails(2, 2, rate, block);
        p->prepareToPlay(rate, block);
        ravlin::render::renderProcessorHooks(*p).setModelDirectory(modelDir);
        p->setParameter(ravlin::plugin::oversampling, static_cast<float>(l.factorCode) * 0.25f);
        p->setParameter(ravlin::plugin::monoStereo, l.stereo ? 1.0f : 0.0f);
        p->setCurrentProgram(p->getCurrentProgram());
        processors.push_back(std::move(p));
    }

    std::vector<double> best(loops.size(), HUGE_VAL), peak(loops.size(), 0.0);
    std::vector<bool> finite(loops.size(), true);
    juce::AudioBuffer<float> work(2, block);
    juce::MidiBuffer midi;
    for (int round = 0; round < rounds; ++round)
        for (std::size_t k = 0; k < loops.size(); ++k)
        {
            auto& p = *processors[k];
            double busy = 0.0;
            for (int pos = 0; pos < total; pos += block)
            {
                const int n = std::min(block, total - pos);
                juce::AudioBuffer<float> view(work.getArrayOfWritePointers(), 2, n);
                view.copyFrom(0, 0, signal, 0, pos, n);
                view.copyFrom(1, 0, signal, 1, pos, n);
                const auto t0 = std::chrono::steady_clock::now();
                {
                    const juce::ScopedLock lock(p.getCallbackLock());
                    p.processBlock(view, midi);
                }
                busy += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
                if (round == rounds - 1)
                    for (int c = 0; c < 2; ++c)
                        for (int i = 0; i < n; ++i)
                        {
                            const float v = view.getSample(c, i);
                            finite[k] = finite[k] && std::isfinite(v);
                            peak[k] = std::max(peak[k], static_cast<double>(std::abs(v)));
                        }
            }
            best[k] = std::min(best[k], busy);
        }

    int status = 0;
    for (std::size_t k = 0; k < loops.size(); ++k)
    {
        const int factor = 1 << loops[k].factorCode;
        const double factorRt = seconds / best[k];
        std::printf("processor %-17s %.0f Hz, block %d: real-time factor %.1f (%.0f samples/s)\n",
                    ravlin::render::sampleLoopName(loops[k].stereo, factor).c_str(), rate, block, factorRt,
                    total / best[k]);
        if (!finite[k] || !(peak[k] > 1e-6))
        {
            std::fprintf(stderr, "ravlin-processor-bench: %s produced %s output\n",
                         ravlin::render::sampleLoopName(loops[k].stereo, factor).c_str(),
                         finite[k] ? "silent" : "non-finite");
            status = 3;
        }
    }
    return status;
}
