#pragma once
// What hosts see of the plug-in before any audio runs: its name, one stereo (or mono) bus each way
// with the same layout on both sides, channel names "1" and "2", no MIDI, no tail, an editor.
#include <juce_audio_processors/juce_audio_processors.h>

namespace ravlin::plugin {
class PluginIdentity : public juce::AudioProcessor
{
public:
    PluginIdentity()
        : juce::AudioProcessor(BusesProperties()
                                   .withInput("Input", juce::AudioChannelSet::stereo(), true)
                                   .withOutput("Output", juce::AudioChannelSet::stereo(), true))
    {
    }

    const juce::String getName() const override { return "RAVLIN Preamp v1.3"; }
    bool acceptsMidi() const override { return false; }
    bool producesMidi() const override { return false; }
    bool silenceInProducesSilenceOut() const override { return false; }
    double getTailLengthSeconds() const override { return 0.0; }
    bool hasEditor() const override { return true; }

    /** 1 in / 1 out and 2 in / 2 out only. */
    bool isBusesLayoutSupported(const BusesLayout& layouts) const override
    {
        const auto in = layouts.getMainInputChannelSet();
        const auto out = layouts.getMainOutputChannelSet();
        return in == out && (in == juce::AudioChannelSet::mono() || in == juce::AudioChannelSet::stereo());
    }

    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
    const juce::String getInputChannelName(int i) const override { return juce::String(i + 1); }
    const juce::String getOutputChannelName(int i) const override { return juce::String(i + 1); }
    bool isInputChannelStereoPair(int) const override { return true; }
    bool isOutputChannelStereoPair(int) const override { return true; }
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE
};
} // namespace ravlin::plugin
