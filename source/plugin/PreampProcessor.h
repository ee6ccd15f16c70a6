#pragma once
// The preamp processor over a channel-chain type: the framework shell around the JUCE-free parts.
// It holds the bank of twelve programs (ProgramRecord, whose current one is the live parameter
// set), two chains (left runs always, right only in the stereo loops), and the selected sample
// loop (SampleLoops.h); a change of program or parameter runs the matching ChainReconfiguration
// with the audio thread kept out, and the saved state goes through StateChunk.
// RavlinPreampAudioProcessor instantiates it with ChannelChain; the tests use chains that record
// what is asked of them.
//
// Threads: processBlock runs on the audio thread under the callback lock. Parameter, program and
// state calls come from any host thread; reconfigurations are serialised among themselves by
// reconfigureLock and keep the audio thread out by suspending processing (file loads, Gain) or by
// holding the callback lock for the few microseconds of a tone change. Lock order: reconfigureLock,
// then the callback lock; the audio thread only ever takes the callback lock.
#include "plugin/ChainReconfiguration.h"
#include "plugin/ModelDataStatus.h"
#include "plugin/ParameterTable.h"
#include "plugin/PluginIdentity.h"
#include "plugin/ProgramRecord.h"
#include "plugin/SampleLoopChoice.h"
#include "plugin/StateChunk.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <cstdio>
#include <string>
#include <vector>

namespace ravlin::plugin {
template <class Chain>
class PreampProcessor : public PluginIdentity, public juce::ChangeBroadcaster
{
public:
    /** Builds both chains and installs `defaultBankXml` (a <zub> document) as a state load would,
        which ends in the full reconfiguration of program 0. */
    explicit PreampProcessor(const juce::String& defaultBankXml)
    {
        if (auto xml = juce::parseXML(defaultBankXml))
        {
            juce::MemoryBlock chunk;
            writeStateChunk(*xml, chunk);
            setStateInformation(chunk.getData(), static_cast<int>(chunk.getSize()));
        }
    }

    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
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
        path in line: the change the parameter asks for, or the gains. */
    void setParameter(int index, float x) override
    {
        if (!isParameterIndex(index))
            return;
        {
            const juce::ScopedLock rl(reconfigureLock);
            ProgramRecord& record = currentRecord();
            if (!record.setValue(index, x))
                return;
            if (const auto change = changeFor(index))
                reconfigure(*change);
            else
                storeGains();
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
        {
            const juce::ScopedLock rl(reconfigureLock);
            currentProgram = index;
            reconfigure(Change::all);
        }
        announceNewProgram();
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
            bank[static_cast<std::size_t>(index)].name = storableName(name.toStdString());
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
            reconfigure(Change::all);
        }
        announceNewProgram();
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
        loop.loop(leftChain, rightChain, buffer.getArrayOfWritePointers(), buffer.getNumChannels(),
                  getTotalNumInputChannels(), n, gains);
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
        return juce::File(juce::File::getSpecialLocation(juce::File::currentApplicationFile).getFullPathName()
                          + ".dat");
    }

    /** Full paths of the model files that failed to load in the last reconfiguration that read
        files; empty once one succeeds. */
    juce::StringArray getMissingModelFiles() const
    {
        juce::StringArray paths;
        for (const auto& f : getModelFileFailures())
            paths.add(juce::String::fromUTF8(f.path.c_str()));
        return paths;
    }

    /** The files of the last file-reading reconfiguration that could not be used, with the reason. */
    std::vector<ModelFileFailure> getModelFileFailures() const { return modelData.failures(); }

    /** The notice the editor shows: empty while the model data loads, else the folder and the
        first missing or damaged file. Any thread; never waits for a reconfiguration. */
    juce::String getModelDataNotice() const { return juce::String::fromUTF8(modelData.notice().c_str()); }

    /** Changes whenever the failures (and so the notice) change; cheap to poll from a timer. */
    unsigned getModelDataGeneration() const noexcept { return modelData.generation(); }

    /** The current program's stored values (the editor reads them under the callback lock). */
    StoredValues storedValues() const noexcept { return currentRecord().values; }
    const ProgramRecord& getProgram(int index) const { return bank.at(static_cast<std::size_t>(index)); }

    /** "processMonoX1" ... "processStereoX16": the loop processBlock runs. */
    juce::String getSampleLoopName() const { return loop.name(); }
    int getOversamplingFactor() const noexcept { return loop.factor; }
    int getHostSampleRate() const noexcept { return hostSampleRate; }
    double getInputGain() const noexcept { return gains.input.load(std::memory_order_relaxed); }
    double getOutputGain() const noexcept { return gains.output.load(std::memory_order_relaxed); }

    Chain& getLeftChain() noexcept { return leftChain; }
    Chain& getRightChain() noexcept { return rightChain; }
    const Chain& getLeftChain() const noexcept { return leftChain; }
    const Chain& getRightChain() const noexcept { return rightChain; }

private:
    /** After a program change or a state load: the editor refreshes from the current program (a
        change message, delivered later on the message thread, as after a parameter change), and
        the host learns that the program and every parameter value changed, so its program list
        and generic view follow (the VST 2.4 wrapper sends audioMasterUpdateDisplay). */
    void announceNewProgram()
    {
        sendChangeMessage();
        updateHostDisplay(ChangeDetails().withProgramChanged(true).withParameterInfoChanged(true));
    }

    ProgramRecord& currentRecord() noexcept { return bank[static_cast<std::size_t>(currentProgram)]; }
    const ProgramRecord& currentRecord() const noexcept { return bank[static_cast<std::size_t>(currentProgram)]; }

    /** The loop for the current program's Oversampling and Mono/Stereo, and its latency. */
    void useLoop(const SampleLoopChoice<Chain>& choice)
    {
        loop = choice;
        setLatencySamples(choice.latency());
    }

    void storeGains() noexcept
    {
        gains.input.store(inputGainFor(currentRecord().stored(input)), std::memory_order_relaxed);
        gains.output.store(outputGainFor(currentRecord().stored(output)), std::memory_order_relaxed);
    }

    /** The current program's positions at the effective rate of the selected loop. */
    ChainTarget target() const noexcept
    {
        const ProgramRecord& record = currentRecord();
        return {record.valveSet(), record.gainPosition(), record.tonePosition(),
                static_cast<long>(hostSampleRate) * loop.factor};
    }

    /** Brings the chains in line with the current program after `change`. File reads and Gain
        run with processing suspended; a tone change holds the callback lock for its few
        microseconds instead, so no sample loop runs meanwhile. A file-reading change selects the
        loop first (the rate follows from it) and puts the old one back when nothing loaded; a
        full one also recomputes the gains. */
    void reconfigure(Change change)
    {
        change = chains.widen(change, currentRecord().valveSet());
        if (change == Change::tone)
        {
            const juce::ScopedLock cl(getCallbackLock());
            chains.apply(change, target(), {});
            return;
        }
        suspendProcessing(true);
        if (!readsFiles(change))
        {
            chains.apply(change, target(), {});
            suspendProcessing(false);
            return;
        }
        const SampleLoopChoice<Chain> before = loop;
        const ProgramRecord& record = currentRecord();
        useLoop(
            SampleLoopChoice<Chain>::select(record.factorCode(), record.stereoRequested(), getTotalNumInputChannels()));
        const std::string folder = getModelDirectory().getFullPathName().toStdString();
        ReconfigurationOutcome outcome = chains.apply(change, target(), folder);
        if (outcome.keepPrevious)
            useLoop(before);
        if (change == Change::all)
            storeGains();
        suspendProcessing(false);
        publishFailures(folder, std::move(outcome.failures));
    }

    /** Makes the failures of the reconfiguration that just ended visible to the editor and the
        renderer; the Standalone also tells its user on stderr. Plug-ins print nothing. */
    void publishFailures(const std::string& folder, std::vector<ModelFileFailure> found)
    {
        if (wrapperType == wrapperType_Standalone)
            for (const auto& f : found)
                std::fprintf(stderr, "RAVLIN Preamp: model data file missing or unreadable: %s (%s)\n", f.path.c_str(),
                             f.reason.c_str());
        modelData.publish(folder, std::move(found));
    }

    Bank bank{};
    int currentProgram = 0;
    Chain leftChain;
    Chain rightChain;
    SampleLoopChoice<Chain> loop;
    int hostSampleRate = 44100;
    LoopGains gains;
    ChainReconfiguration<Chain> chains{leftChain, rightChain};
    juce::File modelDirectoryOverride;
    juce::CriticalSection reconfigureLock;
    ModelDataStatus modelData;

    JUCE_DECLARE_NON_COPYABLE(PreampProcessor)
};
} // namespace ravlin::plugin
