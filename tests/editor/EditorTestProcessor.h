#pragma once
// Stand-in processor for the editor's tests and snapshot renderer: twelve of the plug-in's own
// program records (so the parameters are stored with the processor's quantisation), a change
// message after every effective change, and block-4 statistics that a test sets directly. No
// signal path, so no model data is needed.
#include "editor/PreampEditor.h"
#include "plugin/ProgramRecord.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <array>
#include <utility>
#include <vector>

namespace ravlin::test {
class EditorTestProcessor : public juce::AudioProcessor, public juce::ChangeBroadcaster
{
public:
    static constexpr int numPrograms = plugin::numPrograms;

    EditorTestProcessor()
    {
        for (auto& program : bank)
            program = plugin::ProgramRecord::defaultProgram();
    }

    /** The stored values of program "1 default". */
    static plugin::StoredValues defaultProgram() { return plugin::ProgramRecord::defaultProgram().values; }

    plugin::StoredValues& current() { return bank[static_cast<size_t>(currentProgram)].values; }

    std::array<plugin::ProgramRecord, numPrograms> bank{};
    int currentProgram = 0;
    std::array<editor::BlockStatistics, 2> block4{}; // left, right chain
    std::vector<std::pair<int, float>> received;     // every parameter call, in order
    juce::String modelDataNotice;                    // what the processor would say
    unsigned modelDataGeneration = 0;                // bumped with every new notice

    /** As the processor does after a reconfiguration whose files failed (or loaded again). */
    void setModelDataNotice(const juce::String& text)
    {
        modelDataNotice = text;
        ++modelDataGeneration;
    }

    // Parameters (the plug-in's legacy, index-based interface).
    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
    int getNumParameters() override { return plugin::numParameters; }
    float getParameter(int index) override { return bank[static_cast<size_t>(currentProgram)].getValue(index); }
    void setParameter(int index, float x) override
    {
        if (!plugin::isParameterIndex(index))
            return;
        received.emplace_back(index, x);
        if (bank[static_cast<size_t>(currentProgram)].setValue(index, x))
            sendChangeMessage();
    }
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE

    // Programs.
    int getNumPrograms() override { return numPrograms; }
    int getCurrentProgram() override { return currentProgram; }
    void setCurrentProgram(int index) override
    {
        if (index < 0 || index >= numPrograms)
            return;
        currentProgram = index;
        sendChangeMessage();
    }
    const juce::String getProgramName(int) override { return {}; }
    void changeProgramName(int, const juce::String&) override {}

    // The rest of the framework interface: nothing to do.
    const juce::String getName() const override { return "editor test processor"; }
    void prepareToPlay(double, int) override {}
    void releaseResources() override {}
    void processBlock(juce::AudioBuffer<float>&, juce::MidiBuffer&) override {}
    double getTailLengthSeconds() const override { return 0.0; }
    bool acceptsMidi() const override { return false; }
    bool producesMidi() const override { return false; }
    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override { return true; }
    void getStateInformation(juce::MemoryBlock&) override {}
    void setStateInformation(const void*, int) override {}
};

using TestEditor = PreampEditor<EditorTestProcessor>;

inline juce::AudioProcessorEditor* EditorTestProcessor::createEditor() { return new TestEditor(*this); }

/** Statistics of a block-4 window with the given mean and standard deviation (volts). */
inline editor::BlockStatistics statisticsWith(double mean, double sigma, double length = 20480.0)
{
    return {1.0 / length, mean * length, (sigma * sigma + mean * mean) * length};
}
} // namespace ravlin::test

template <>
struct ravlin::EditorLink<ravlin::test::EditorTestProcessor>
{
    static editor::StoredValues storedValues(const test::EditorTestProcessor& p)
    {
        return p.bank[static_cast<size_t>(p.currentProgram)].values;
    }
    static editor::BlockStatistics block4Statistics(const test::EditorTestProcessor& p, int channel)
    {
        return p.block4[static_cast<size_t>(channel)];
    }
    static unsigned modelDataGeneration(const test::EditorTestProcessor& p) { return p.modelDataGeneration; }
    static juce::String modelDataNotice(const test::EditorTestProcessor& p) { return p.modelDataNotice; }
};
