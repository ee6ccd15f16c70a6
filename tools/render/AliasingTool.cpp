// ravlin-aliasing: what each oversampling setting buys. A sine (3.7 kHz by default) runs through the
// plug-in's processor at 48 kHz for every Oversampling setting (x1 ... x16) at Gain 0, 8 and 16;
// the output's spectrum is split into the harmonics of the sine and everything else. Energy that
// is not harmonic is aliasing (harmonics above half the rate folded back) plus noise; it is printed
// relative to the whole output, over the whole band and below 20 kHz, one line per setting:
//   factor gain nonharmonic_dB nonharmonic_below_20k_dB strongest_alias_Hz strongest_alias_dB
//   ravlin-aliasing --models DIR [--frequency HZ] [--level DBFS]
// The analysis window holds a whole number of periods (one second at 48 kHz, frequency a whole
// number of hertz), so every harmonic and every folded component falls on its own DFT bin.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "AliasingAnalysis.h"
#include "CommandLine.h"
#include "RenderProcessor.h"
#include "plugin/ParameterTable.h"

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace {

constexpr int rate = 48000;
constexpr int settleSamples = rate / 2;
constexpr int block = 480;

} // namespace

int main(int argc, char** argv)
{
    std::string models;
    int frequency = 3700;
    double levelDb = -12.0;
    CLI::App app("What each oversampling setting buys: a sine through the processor at 48 kHz for every "
                 "Oversampling setting at Gain 0, 8 and 16, its output split into harmonics and the rest.",
                 "ravlin-aliasing");
    app.add_option("--models", models, "model data folder")->required();
    app.add_option("--frequency", frequency, "sine frequency in whole hertz (default 3700)")
        ->check(ravlin::cli::wholeIn(20, rate / 2 - 1));
    app.add_option("--level", levelDb, "sine level in dBFS (default -12)")->check(ravlin::cli::finiteIn(-60.0, 0.0));
    if (const auto exit = ravlin::cli::parse(app, argc, argv))
        return *exit;
    juce::ScopedJuceInitialiser_GUI juceRuntime;
    const double amplitude = std::pow(10.0, levelDb / 20.0);
    std::printf("# %d Hz sine at %.1f dBFS into the processor at %d Hz, default program otherwise\n", frequency,
                levelDb, rate);
    std::printf("# factor gain nonharmonic_dB nonharmonic_below_20k_dB strongest_alias_Hz "
                "strongest_alias_dB_re_fundamental\n");
    for (int code = 0; code <= 4; ++code)
        for (int gain : {0, 8, 16})
        {
            auto processor = ravlin::render::createRenderProcessor();
            processor->setPlayConfigDetails(1, 1, rate, block);
            processor->prepareToPlay(rate, block);
            ravlin::render::renderProcessorHooks(*processor).setModelDirectory(juce::File(juce::String(models)));
            processor->setParameter(ravlin::plugin::gain, static_cast<float>(gain) / 16.0f);
            processor->setParameter(ravlin::plugin::oversampling, 0.25f * static_cast<float>(code));
            processor->setCurrentProgram(processor->getCurrentProgram());
            const auto failures = ravlin::render::renderProcessorHooks(*processor).modelFileFailures();
            if (!failures.empty())
            {
                std::fprintf(stderr, "ravlin-aliasing: model data in %s cannot be used:\n%s", models.c_str(),
                             ravlin::plugin::listFailures(failures).c_str());
                return 1;
            }
            std::vector<double> out;
            out.reserve(rate);
            juce::AudioBuffer<float> buffer(1, block);
            juce::MidiBuffer midi;
            for (long n0 = 0; n0 < settleSamples + rate; n0 += block)
            {
                for (int k = 0; k < block; ++k)
                {
                    const long n = n0 + k;
                    const double phase = 2.0 * M_PI * static_cast<double>((n * frequency) % rate) / rate;
                    buffer.setSample(0, k, static_cast<float>(amplitude * std::sin(phase)));
                }
                {
                    const juce::ScopedLock lock(processor->getCallbackLock());
                    processor->processBlock(buffer, midi);
                }
                if (n0 >= settleSamples)
                    for (int k = 0; k < block; ++k)
                        out.push_back(buffer.getSample(0, k));
            }
            const auto r = ravlin::render::analyseAliasing(out, rate, frequency);
            if (!r.valid)
            {
                std::fprintf(stderr, "ravlin-aliasing: silent output at x%d, Gain %d\n", 1 << code, gain);
                return 1;
            }
            std::printf("%d %d %.1f %.1f %.0f %.1f\n", 1 << code, gain, r.nonHarmonicDb, r.nonHarmonicAudibleDb,
                        r.strongestHz, r.strongestDb);
            std::fflush(stdout);
        }
    return 0;
}
