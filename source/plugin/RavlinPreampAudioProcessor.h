#pragma once
// The processor the hosts talk to: the bank of 12 programs (the current one holds the live
// parameter values), two channel chains, the gains and the selected sample loop.
#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_events/juce_events.h>

#include <string>
#include <vector>

#include "plugin/ProgramRecord.h"
#include "plugin/SampleLoops.h"
#include "plugin/StateChunk.h"

#if RAVLIN_HAVE_CHANNEL_CHAIN
#include "fast/ChannelChain.h"
#endif

namespace ravlin
{
#if !RAVLIN_HAVE_CHANNEL_CHAIN
/** Stand-in while no channel chain is built: loads nothing and outputs silence. */
struct ChannelChain
{
    struct Result
    {
        bool ok = false;
        std::string message = "no channel chain in this build";
    };
    Result loadModelFile(int, const char*) { return {}; }
    void selectPosition(int, unsigned) {}
    void setSampleRate(double) {}
    double processSample(double) noexcept { return 0.0; }
    template <unsigned L>
    double processOversampled(double) noexcept
    {
        return 0.0;
    }
};
#endif

class RavlinPreampAudioProcessor : public juce::AudioProcessor, public juce::ChangeBroadcaster
{
public:
    RavlinPreampAudioProcessor();
    ~RavlinPreampAudioProcessor() override;

    const juce::String getName() const override { return "RAVLIN Preamp v1.3"; }
    void prepareToPlay(double sampleRate, int samplesPerBlock) override;
    void releaseResources() override {}
    bool isBusesLayoutSupported(const BusesLayout& layouts) const override;
    void processBlock(juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override;
    using juce::AudioProcessor::processBlock;

    const juce::String getInputChannelName(int i) const override { return juce::String(i + 1); }
    const juce::String getOutputChannelName(int i) const override { return juce::String(i + 1); }
    bool isInputChannelStereoPair(int) const override { return true; }
    bool isOutputChannelStereoPair(int) const override { return true; }
    bool acceptsMidi() const override { return false; }
    bool producesMidi() const override { return false; }
    bool silenceInProducesSilenceOut() const override { return false; }
    double getTailLengthSeconds() const override { return 0.0; }

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override { return true; }

    // The index-based parameter interface (10 parameters of the current program).
    int getNumParameters() override { return plugin::numParameters; }
    const juce::String getParameterName(int i) override { return plugin::parameterName(i); }
    juce::String getParameterID(int i) override { return plugin::parameterId(i); }
    float getParameter(int i) override { return bank[static_cast<std::size_t>(currentProgram)].getValue(i); }
    const juce::String getParameterText(int i) override;
    float getParameterDefaultValue(int i) override;
    void setParameter(int i, float x) override;

    int getNumPrograms() override { return plugin::numPrograms; }
    int getCurrentProgram() override { return currentProgram; }
    void setCurrentProgram(int index) override;
    const juce::String getProgramName(int index) override;
    void changeProgramName(int index, const juce::String& newName) override;

    void getStateInformation(juce::MemoryBlock& dest) override;
    void setStateInformation(const void* data, int sizeInBytes) override;

    /** The current program's record (the editor reads it under getCallbackLock()). */
    const plugin::ProgramRecord& currentRecord() const noexcept
    {
        return bank[static_cast<std::size_t>(currentProgram)];
    }

    /** Where the model data files are read from: the folder set by setModelDirectory, otherwise
        the path of the module that holds this code followed by ".dat/". */
    juce::File getModelDirectory() const;
    /** Reads the model files from `directory` from now on (an empty File returns to the module's
        folder) and runs the full reconfiguration. For the renderer and tests. */
    void setModelDirectory(const juce::File& directory);

    /** Paths read by the last full or partial reconfiguration, in order (message thread). */
    const std::vector<std::string>& lastModelReads() const noexcept { return modelReads; }
    /** "path: reason" for each model file the last reconfiguration could not load; empty when
        all loaded. */
    const juce::StringArray& modelLoadErrors() const noexcept { return loadErrors; }

    /** 1, 2, 4, 8 or 16. */
    int getOversamplingFactor() const noexcept { return oversamplingFactor; }
    /** True while the selected loop runs both chains. */
    bool isStereoLoopSelected() const noexcept { return stereoLoop; }

    ChannelChain& getLeftChain() noexcept { return leftChain; }
    ChannelChain& getRightChain() noexcept { return rightChain; }
    double getInputGain() const noexcept { return gains.input.load(std::memory_order_relaxed); }
    double getOutputGain() const noexcept { return gains.output.load(std::memory_order_relaxed); }

private:
    using SampleLoop = void (RavlinPreampAudioProcessor::*)(juce::AudioBuffer<float>&, int) noexcept;

    template <unsigned Factor, bool Stereo>
    void runLoop(juce::AudioBuffer<float>& buffer, int numSamples) noexcept;
    void emptyLoop(juce::AudioBuffer<float>&, int) noexcept {}

    void selectSampleLoop();
    void reconfigureAll();
    void reconfigureRate();
    void applyGainPosition();
    void applyTonePosition();
    void updateGains() noexcept;
    void load(ChannelChain& chain, int block, const juce::File& file);
    juce::File blockThreeFile(const juce::File& dir) const;
    plugin::ProgramRecord& record() noexcept { return bank[static_cast<std::size_t>(currentProgram)]; }

    plugin::ProgramBank bank;
    int currentProgram = 0;
    ChannelChain leftChain;
    ChannelChain rightChain;
    SampleLoop sampleLoop = &RavlinPreampAudioProcessor::emptyLoop;
    int hostSampleRate = 44100;
    int oversamplingFactor = 1;
    bool stereoLoop = false;
    plugin::LoopGains gains;

    juce::File modelDirectoryOverride;
    std::vector<std::string> modelReads;
    juce::StringArray loadErrors;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(RavlinPreampAudioProcessor)
};
} // namespace ravlin
