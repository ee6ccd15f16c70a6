#pragma once
// Offline rendering through a hosted processor: reads the input (or synthesizes the demo riff),
// configures the processor from a saved state, a program and parameter settings, checks that
// the model data files it will read exist, runs it block by block exactly as a host's audio
// thread would (under its callback lock), and writes the output through a temporary file that
// only replaces the target when everything succeeded.
#include <functional>
#include <string>

#include <juce_audio_formats/juce_audio_formats.h>
#include <juce_audio_processors/juce_audio_processors.h>

#include "RenderOptions.h"
#include "plugin/ModelDataProblem.h"

namespace ravlin::render {

/// What the renderer needs from the processor beyond juce::AudioProcessor.
struct ProcessorHooks
{
    /// Points the processor at another model folder (takes effect at the next reconfiguration).
    std::function<void(const juce::File&)> setModelDirectory;
    /// The folder the processor reads when none is given.
    std::function<juce::File()> defaultModelDirectory;
    /// The model files the last file-reading reconfiguration could not use, with the reason.
    std::function<std::vector<plugin::ModelFileFailure>()> modelFileFailures;
};

struct RenderSummary
{
    std::string outputPath;
    double seconds = 0.0;
    long long samples = 0;
    double sampleRate = 0.0;
    int channels = 0;
    double peakDb = 0.0;
    double rmsDb = 0.0;
    double realtimeFactor = 0.0;
    std::string modelFolder;
    std::string sampleLoop;
    std::string program;
    std::string input; ///< file name or "built-in riff"
};

/// Loads the input of `options` (a sound file, or the built-in riff at options.sampleRate or
/// 48000 Hz), resampled to options.sampleRate when that is given and differs. Mono or stereo only.
bool loadInput(const RenderOptions& options, juce::AudioBuffer<float>& audio, double& sampleRate, std::string& error);

class RenderSession
{
public:
    RenderSession(juce::AudioProcessor& processor, ProcessorHooks hooks);

    /// Reports `done` of `total` samples rendered; called from the rendering thread.
    using Progress = std::function<void(long long done, long long total)>;

    /// Renders as `options` says. On failure returns false with a one-line `error`, and no
    /// output file is created or changed. With `progress`, that is told instead of drawing a bar.
    bool render(const RenderOptions& options, RenderSummary& summary, std::string& error,
                const Progress& progress = {});

    /// Parameters with their current texts, programs, and the texts of the stepped parameters.
    std::string listing();

    /// Applies --state, --program and --set to the processor (no rendering).
    bool configure(const RenderOptions& options, std::string& error);

private:
    int findParameter(const std::string& name) const;

    juce::AudioProcessor& processor;
    ProcessorHooks hooks;
};

/// The summary lines printed at the end of a render.
std::string formatSummary(const RenderSummary& summary);

} // namespace ravlin::render
