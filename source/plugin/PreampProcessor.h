#pragma once
// The preamp processor over a channel-chain type: the bank of twelve programs whose current one
// holds the live parameters, two chains (left runs always, right only in the stereo loops), the
// reconfiguration that loads model data files and selects positions and the sample loop, the saved
// state, and the ten sample loops. RavlinPreampAudioProcessor instantiates it with ChannelChain;
// the tests use chains that record what is asked of them.
//
// Threads: processBlock runs on the audio thread under the callback lock. Parameter, program and
// state calls come from any host thread; reconfigurations are serialised among themselves by
// reconfigureLock and keep the audio thread out by suspending processing (file loads, Gain) or by
// holding the callback lock for the few microseconds of a tone change. Lock order: reconfigureLock,
// then the callback lock; the audio thread only ever takes the callback lock.
#include "fast/ModelFileNames.h"
#include "plugin/ParameterTable.h"
#include "plugin/ProgramRecord.h"
#include "plugin/SampleLoops.h"
#include "plugin/StateChunk.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <cstdio>

namespace ravlin::plugin
{
/** Delay in base-rate samples added by the oversampling filters at every factor from 2 to 16. */
inline constexpr int oversamplingLatency = 15;

template <class Chain>
class PreampProcessor : public juce::AudioProcessor, public juce::ChangeBroadcaster
{
public:
    /** Builds both chains and installs `defaultBankXml` (a <zub> document) as a state load would,
        which ends in the full reconfiguration of program 0. */
    explicit PreampProcessor(const juce::String& defaultBankXml)
        : juce::AudioProcessor(BusesProperties()
                                   .withInput("Input", juce::AudioChannelSet::stereo(), true)
                                   .withOutput("Output", juce::AudioChannelSet::stereo(), true))
    {
        if (auto xml = juce::parseXML(defaultBankXml))
        {
            juce::MemoryBlock chunk;
            writeStateChunk(*xml, chunk);
            setStateInformation(chunk.getData(), static_cast<int>(chunk.getSize()));
        }
    }

    //==========================================================================================
    // Identity and buses.
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

    //==========================================================================================
    // Parameters: the framework's index-based interface over the current program.
    int getNumParameters() override { return numParameters; }
    const juce::String getParameterName(int i) override { return parameterName(i); }
    juce::String getParameterID(int i) override { return parameterId(i); }
    float getParameterDefaultValue(int i) override { return ProgramRecord::defaultProgram().getValue(i); }
    float getParameter(int i) override { return currentRecord().getValue(i); }
    const juce::String getParameterText(int i) override
    {
        return juce::String::fromUTF8(currentRecord().getValueText(i).c_str());
    }

    /** Stores the quantised value in the current program and, if it changed, brings the signal
        path in line: gains, positions, block-3 reload and loop, or the full reconfiguration. */
    void setParameter(int index, float x) override
    {
        if (!isParameterIndex(index))
            return;
        {
            const juce::ScopedLock rl(reconfigureLock);
            ProgramRecord& record = currentRecord();
            if (!record.setValue(index, x))
                return;
            switch (index)
            {
            case dualTriodes: reconfigureAll(); break;
            case input: gains.input.store(inputGainFor(record.stored(input)), std::memory_order_relaxed); break;
            case output: gains.output.store(outputGainFor(record.stored(output)), std::memory_order_relaxed); break;
            case gain: applyGainPosition(); break;
            case treble:
            case middle:
            case bass: applyTonePosition(); break;
            case oversampling:
            case monoStereo: changeRateOrMode(); break;
            default: break;
            }
        }
        sendChangeMessage(); // delivered later on the message thread, to the listeners there are
    }
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE

    //==========================================================================================
    // Programs.
    int getNumPrograms() override { return numPrograms; }
    int getCurrentProgram() override { return currentProgram; }
    void setCurrentProgram(int index) override
    {
        if (index < 0 || index >= numPrograms)
            return;
        const juce::ScopedLock rl(reconfigureLock);
        currentProgram = index;
        reconfigureAll();
    }
    const juce::String getProgramName(int index) override
    {
        if (index < 0 || index >= numPrograms)
            return {};
        return juce::String::fromUTF8(bank[static_cast<std::size_t>(index)].name.c_str());
    }
    void changeProgramName(int index, const juce::String& name) override
    {
        if (index >= 0 && index < numPrograms)
            bank[static_cast<std::size_t>(index)].name = validUtf8(name.toStdString());
    }

    //==========================================================================================
    // Saved state: the whole bank.
    void getStateInformation(juce::MemoryBlock& dest) override
    {
        const juce::ScopedLock rl(reconfigureLock);
        writeStateChunk(*bankToXml(bank, currentProgram), dest);
    }

    /** A chunk that holds no <zub> document changes nothing at all (program, bank and models stay
        as they were), so the reported parameters keep matching what runs. */
    void setStateInformation(const void* data, int sizeInBytes) override
    {
        const auto xml = readStateChunk(data, sizeInBytes);
        if (xml == nullptr)
            return;
        {
            const juce::ScopedLock rl(reconfigureLock);
            Bank loaded = bank;
            const auto cprog = readBank(*xml, loaded);
            if (!cprog)
                return;
            bank = loaded;
            currentProgram = *cprog;
            reconfigureAll();
        }
        sendChangeMessage(); // delivered later on the message thread, to the listeners there are
    }

    //==========================================================================================
    // Audio.
    /** Records the host rate (truncated to Hz); it reaches the chains at the next reconfiguration. */
    void prepareToPlay(double sampleRate, int) override
    {
        if (sampleRate >= 1.0 && sampleRate < 2147483647.0)
            hostSampleRate = static_cast<int>(sampleRate);
    }
    void releaseResources() override {}

    void processBlock(juce::AudioBuffer<float>& buffer, juce::MidiBuffer&) override
    {
        const int n = buffer.getNumSamples();
        if (n <= 0)
            return;
        if (isSuspended())
        {
            buffer.clear();
            return;
        }
        (this->*sampleLoop)(buffer, n);
        const int outputs = std::min(getTotalNumOutputChannels(), buffer.getNumChannels());
        for (int ch = getTotalNumInputChannels(); ch < outputs; ++ch)
            buffer.clear(ch, 0, n);
    }

    //==========================================================================================
    // Beyond the framework.
    /** Reads model files from `dir` from the next reconfiguration on, instead of the folder beside
        the plug-in module. An empty File (File()) returns to that folder. */
    void setModelDirectory(const juce::File& dir)
    {
        const juce::ScopedLock rl(reconfigureLock);
        modelDirectoryOverride = dir;
    }

    /** The folder the model files are read from: the module's own path + ".dat", unless set. */
    juce::File getModelDirectory() const
    {
        const juce::ScopedLock rl(reconfigureLock);
        if (modelDirectoryOverride != juce::File())
            return modelDirectoryOverride;
        return juce::File(juce::File::getSpecialLocation(juce::File::currentApplicationFile).getFullPathName() +
                          ".dat");
    }

    /** Full paths of the model files that failed to load in the last reconfiguration. */
    juce::StringArray getMissingModelFiles() const
    {
        const juce::ScopedLock rl(reconfigureLock);
        return missingModelFiles;
    }

    /** The current program's stored values (the editor reads them under the callback lock). */
    std::array<float, numParameters> storedValues() const noexcept { return currentRecord().values; }
    const ProgramRecord& getProgram(int index) const { return bank.at(static_cast<std::size_t>(index)); }

    /** "processMonoX1" ... "processStereoX16": the loop processBlock runs. */
    juce::String getSampleLoopName() const
    {
        return juce::String(loopIsStereo ? "processStereoX" : "processMonoX") + juce::String(oversamplingFactor);
    }
    int getOversamplingFactor() const noexcept { return oversamplingFactor; }
    int getHostSampleRate() const noexcept { return hostSampleRate; }
    double getInputGain() const noexcept { return gains.input.load(std::memory_order_relaxed); }
    double getOutputGain() const noexcept { return gains.output.load(std::memory_order_relaxed); }

    Chain& getLeftChain() noexcept { return leftChain; }
    Chain& getRightChain() noexcept { return rightChain; }
    const Chain& getLeftChain() const noexcept { return leftChain; }
    const Chain& getRightChain() const noexcept { return rightChain; }

private:
    using SampleLoop = void (PreampProcessor::*)(juce::AudioBuffer<float>&, int) noexcept;

    ProgramRecord& currentRecord() noexcept { return bank[static_cast<std::size_t>(currentProgram)]; }
    const ProgramRecord& currentRecord() const noexcept { return bank[static_cast<std::size_t>(currentProgram)]; }

    template <unsigned Factor>
    void processMono(juce::AudioBuffer<float>& buffer, int n) noexcept
    {
        plugin::processMono<Factor>(leftChain, buffer.getArrayOfWritePointers(), buffer.getNumChannels(),
                                    getTotalNumInputChannels(), n, gains);
    }
    template <unsigned Factor>
    void processStereo(juce::AudioBuffer<float>& buffer, int n) noexcept
    {
        plugin::processStereo<Factor>(leftChain, rightChain, buffer.getArrayOfWritePointers(),
                                      buffer.getNumChannels(), getTotalNumInputChannels(), n, gains);
    }
    void processNothing(juce::AudioBuffer<float>&, int) noexcept {}

    /** The loop for the current program's Oversampling and Mono/Stereo (stereo only with two
        inputs), the factor that goes with it, and the latency the host compensates. Runs with
        processing suspended. */
    void selectSampleLoop()
    {
        static constexpr SampleLoop mono[] = {&PreampProcessor::processMono<1>, &PreampProcessor::processMono<2>,
                                              &PreampProcessor::processMono<4>, &PreampProcessor::processMono<8>,
                                              &PreampProcessor::processMono<16>};
        static constexpr SampleLoop stereo[] = {
            &PreampProcessor::processStereo<1>, &PreampProcessor::processStereo<2>,
            &PreampProcessor::processStereo<4>, &PreampProcessor::processStereo<8>,
            &PreampProcessor::processStereo<16>};
        const ProgramRecord& record = currentRecord();
        const int code = record.factorCode();
        loopIsStereo = record.stereoRequested() && getTotalNumInputChannels() >= 2;
        sampleLoop = loopIsStereo ? stereo[code] : mono[code];
        oversamplingFactor = 1 << code;
        setLatencySamples(code == 0 ? 0 : oversamplingLatency);
    }

    long effectiveRate() const noexcept { return static_cast<long>(hostSampleRate) * oversamplingFactor; }

    /** Loads block 1..4 of `chain` from `dir` at the current valve set and effective rate: the
        first candidate file that exists (the rate's own file before the plain one); one that
        exists but does not load is noted and the next is tried, so a damaged per-rate file still
        leaves the block playing from the plain file. When none loads the last candidate is noted
        (the block keeps what it had). */
    void load(Chain& chain, int block, const juce::File& dir)
    {
        const std::vector<std::string> names = modelFileCandidates(block, currentRecord().valveSet(), effectiveRate());
        for (std::size_t k = 0; k < names.size(); ++k)
        {
            const juce::File file = dir.getChildFile(juce::String::fromUTF8(names[k].c_str()));
            const bool last = k + 1 == names.size();
            if (!last && !file.existsAsFile())
                continue;
            const juce::String path = file.getFullPathName();
            if (chain.loadModelFile(block, path.toRawUTF8()))
                return;
            missingModelFiles.addIfNotAlreadyThere(path);
        }
    }

    /** Blocks 1, 2 and 3 have files per effective rate: both chains read them for the current one. */
    void loadRateFiles(const juce::File& dir)
    {
        for (Chain* chain : {&leftChain, &rightChain})
        {
            load(*chain, 1, dir);
            load(*chain, 2, dir);
        }
        load(leftChain, 3, dir);
        load(rightChain, 3, dir);
    }

    void selectPositions(Chain& chain)
    {
        const ProgramRecord& record = currentRecord();
        chain.selectPosition(1, record.gainPosition());
        chain.selectPosition(2, record.gainPosition());
        chain.selectPosition(3, 0);
        chain.selectPosition(4, record.tonePosition());
    }

    /** Loads the valve set's files into all eight blocks, sets the effective rate, selects every
        position and computes the gains. */
    void reconfigureAll()
    {
        suspendProcessing(true);
        selectSampleLoop();
        const juce::File dir = getModelDirectory();
        missingModelFiles.clear();
        for (Chain* chain : {&leftChain, &rightChain})
            for (int block : {1, 2, 4})
                load(*chain, block, dir);
        load(leftChain, 3, dir);
        load(rightChain, 3, dir);
        leftChain.setSampleRate(static_cast<double>(effectiveRate()));
        rightChain.setSampleRate(static_cast<double>(effectiveRate()));
        selectPositions(leftChain);
        selectPositions(rightChain);
        gains.input.store(inputGainFor(currentRecord().stored(input)), std::memory_order_relaxed);
        gains.output.store(outputGainFor(currentRecord().stored(output)), std::memory_order_relaxed);
        suspendProcessing(false);
        reportMissingFiles();
    }

    /** Oversampling or Mono/Stereo: new loop and rate, blocks 1, 2 and 3 reloaded for the new rate
        (a load waits for the next selection, so their positions are selected again). */
    void changeRateOrMode()
    {
        suspendProcessing(true);
        selectSampleLoop();
        const juce::File dir = getModelDirectory();
        missingModelFiles.clear();
        loadRateFiles(dir);
        leftChain.setSampleRate(static_cast<double>(effectiveRate()));
        rightChain.setSampleRate(static_cast<double>(effectiveRate()));
        const unsigned gain = currentRecord().gainPosition();
        for (Chain* chain : {&leftChain, &rightChain})
        {
            chain->selectPosition(1, gain);
            chain->selectPosition(2, gain);
            chain->selectPosition(3, 0);
        }
        suspendProcessing(false);
        reportMissingFiles();
    }

    void applyGainPosition()
    {
        suspendProcessing(true);
        const unsigned position = currentRecord().gainPosition();
        for (Chain* chain : {&leftChain, &rightChain})
        {
            chain->selectPosition(1, position);
            chain->selectPosition(2, position);
        }
        suspendProcessing(false);
    }

    /** Tone: block 4 of both chains, inside the callback lock so no sample loop runs meanwhile. */
    void applyTonePosition()
    {
        const unsigned position = currentRecord().tonePosition();
        const juce::ScopedLock cl(getCallbackLock());
        leftChain.selectPosition(4, position);
        rightChain.selectPosition(4, position);
    }

    /** The Standalone tells its user on stderr which files are missing; plug-ins stay quiet. */
    void reportMissingFiles() const
    {
        if (wrapperType != wrapperType_Standalone)
            return;
        for (const auto& path : missingModelFiles)
            std::fprintf(stderr, "RAVLIN Preamp: model data file missing or unreadable: %s\n", path.toRawUTF8());
    }

    Bank bank{};
    int currentProgram = 0;
    Chain leftChain;
    Chain rightChain;
    SampleLoop sampleLoop = &PreampProcessor::processNothing;
    bool loopIsStereo = false;
    int hostSampleRate = 44100;
    int oversamplingFactor = 1;
    LoopGains gains;
    juce::File modelDirectoryOverride;
    juce::StringArray missingModelFiles;
    juce::CriticalSection reconfigureLock;

    JUCE_DECLARE_NON_COPYABLE(PreampProcessor)
};
} // namespace ravlin::plugin
