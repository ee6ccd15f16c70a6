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
#include "plugin/ModelDataProblem.h"
#include "plugin/ParameterTable.h"
#include "plugin/ProgramRecord.h"
#include "plugin/SampleLoops.h"
#include "plugin/StateChunk.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

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
    std::vector<ModelFileFailure> getModelFileFailures() const
    {
        const juce::SpinLock::ScopedLockType pl(problemLock);
        return failures;
    }

    /** The notice the editor shows: empty while the model data loads, else the folder and the
        first missing or damaged file. Any thread; never waits for a reconfiguration. */
    juce::String getModelDataNotice() const
    {
        const juce::SpinLock::ScopedLockType pl(problemLock);
        return notice;
    }

    /** Changes whenever the failures (and so the notice) change; cheap to poll from a timer. */
    unsigned getModelDataGeneration() const noexcept { return problemGeneration.load(std::memory_order_acquire); }

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

    /** One model file to read: block 1..4 and file name (no folder). */
    struct PlannedLoad
    {
        int block;
        std::string fileName;
    };
    /** Files loaded group by group, each group into the left chain, then into the right one. */
    using LoadPlan = std::vector<std::vector<PlannedLoad>>;

    /** The loop, its factor and stereo flag together: a failed reconfiguration puts them back. */
    struct LoopChoice
    {
        SampleLoop loop;
        bool stereo;
        int factor;
    };
    LoopChoice currentLoop() const noexcept { return {sampleLoop, loopIsStereo, oversamplingFactor}; }
    void restoreLoop(const LoopChoice& c)
    {
        sampleLoop = c.loop;
        loopIsStereo = c.stereo;
        oversamplingFactor = c.factor;
        setLatencySamples(c.factor == 1 ? 0 : oversamplingLatency);
    }

    /** The loader's message for a chain whose loads return a bool (no message) or a result. */
    static std::string loaderMessage(bool) { return {}; }
    template <class Result>
    static auto loaderMessage(const Result& r) -> decltype(std::string(r.message))
    {
        return r.message;
    }

    /** Loads the planned files into both chains all or nothing: every file is read and checked
        first, and the blocks are only replaced when all of them are usable, so a chain never runs
        blocks of two valve sets or two rates. Returns the chains that now hold the new files; a
        chain whose load fails after a good check (the file changed meanwhile) is left out, so it
        gets no position and stays silent rather than mixing. Failures land in `found`. */
    std::vector<Chain*> loadAllOrNothing(const LoadPlan& plan, const juce::File& dir,
                                         std::vector<ModelFileFailure>& found)
    {
        auto pathOf = [&dir](const PlannedLoad& l) {
            return dir.getChildFile(juce::String::fromUTF8(l.fileName.c_str())).getFullPathName().toStdString();
        };
        for (const auto& group : plan)
            for (const auto& l : group)
            {
                const std::string path = pathOf(l);
                const auto r = Chain::checkModelFile(l.block, path.c_str());
                if (!static_cast<bool>(r))
                    found.push_back({path, failureReason(path, loaderMessage(r))});
            }
        if (!found.empty())
            return {};
        bool whole[2] = {true, true};
        Chain* const chains[2] = {&leftChain, &rightChain};
        for (const auto& group : plan)
            for (int c = 0; c < 2; ++c)
                for (const auto& l : group)
                {
                    const std::string path = pathOf(l);
                    const auto r = chains[c]->loadModelFile(l.block, path.c_str());
                    if (!static_cast<bool>(r))
                    {
                        whole[c] = false;
                        found.push_back({path, failureReason(path, loaderMessage(r))});
                    }
                }
        std::vector<Chain*> loaded;
        for (int c = 0; c < 2; ++c)
            if (whole[c])
                loaded.push_back(chains[c]);
        return loaded;
    }

    /** The file block 1..4 reads for the program's valve set at the current effective rate: the
        rate's own file when the folder holds one that passes the check, else the file that serves
        every rate. A rate's file that is there but damaged is listed in `setAside` (the block
        still plays, from the plain file). */
    PlannedLoad planFor(int block, const juce::File& dir, std::vector<ModelFileFailure>& setAside) const
    {
        const std::vector<std::string> names = modelFileCandidates(block, currentRecord().valveSet(), effectiveRate());
        for (std::size_t k = 0; k + 1 < names.size(); ++k)
        {
            const juce::File file = dir.getChildFile(juce::String::fromUTF8(names[k].c_str()));
            if (!file.existsAsFile())
                continue;
            const std::string path = file.getFullPathName().toStdString();
            const auto r = Chain::checkModelFile(block, path.c_str());
            if (static_cast<bool>(r))
                return {block, names[k]};
            setAside.push_back({path, failureReason(path, loaderMessage(r)) + "; the file for all rates plays instead"});
        }
        return {block, names.back()};

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
        position and computes the gains. When a file cannot be used, the chains, the loop and the
        rate stay as they were (a chain that never loaded stays silent). */
    void reconfigureAll()
    {
        suspendProcessing(true);
        const LoopChoice before = currentLoop();
        selectSampleLoop();
        const juce::File dir = getModelDirectory();
        std::vector<ModelFileFailure> setAside;
        const LoadPlan plan = {{planFor(1, dir, setAside), planFor(2, dir, setAside), planFor(4, dir, setAside)},
                               {planFor(3, dir, setAside)}};
        const int set = currentRecord().valveSet();
        std::vector<ModelFileFailure> found;
        const auto loaded = loadAllOrNothing(plan, dir, found);
        if (loaded.empty() && configured)
            restoreLoop(before);
        for (Chain* chain : loaded)
            chain->setSampleRate(static_cast<double>(effectiveRate()));
        for (Chain* chain : loaded)
            selectPositions(*chain);
        configured = configured || !loaded.empty();
        if (!loaded.empty())
            loadedValveSet = set;
        found.insert(found.end(), setAside.begin(), setAside.end());
        gains.input.store(inputGainFor(currentRecord().stored(input)), std::memory_order_relaxed);
        gains.output.store(outputGainFor(currentRecord().stored(output)), std::memory_order_relaxed);
        suspendProcessing(false);
        publishFailures(dir, std::move(found));
    }

    /** Oversampling or Mono/Stereo: new loop and rate, blocks 1, 2 and 3 reloaded for the new rate
        (each has files per rate) and their positions selected again. When a file cannot be used,
        the loop, the rate and those blocks stay as they were. While the chains hold another valve
        set than the program's (its files failed to load), these blocks alone would join blocks of
        the other set: the whole set is tried again instead. */
    void changeRateOrMode()
    {
        if (loadedValveSet != currentRecord().valveSet())
        {
            reconfigureAll();
            return;
        }
        suspendProcessing(true);
        const LoopChoice before = currentLoop();
        selectSampleLoop();
        const juce::File dir = getModelDirectory();
        std::vector<ModelFileFailure> setAside;
        const LoadPlan plan = {{planFor(1, dir, setAside), planFor(2, dir, setAside)}, {planFor(3, dir, setAside)}};
        std::vector<ModelFileFailure> found;
        const auto loaded = loadAllOrNothing(plan, dir, found);
        if (loaded.empty() && configured)
            restoreLoop(before);
        for (Chain* chain : loaded)
            chain->setSampleRate(static_cast<double>(effectiveRate()));
        const unsigned gain = currentRecord().gainPosition();
        for (Chain* chain : loaded)
        {
            chain->selectPosition(1, gain);
            chain->selectPosition(2, gain);
            chain->selectPosition(3, 0);
        }
        found.insert(found.end(), setAside.begin(), setAside.end());
        suspendProcessing(false);
        publishFailures(dir, std::move(found));
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

    /** Makes the failures of the reconfiguration that just ended visible to the editor and the
        renderer; the Standalone also tells its user on stderr. Plug-ins print nothing. */
    void publishFailures(const juce::File& dir, std::vector<ModelFileFailure> found)
    {
        const juce::String text =
            juce::String::fromUTF8(modelDataNotice(dir.getFullPathName().toStdString(), found).c_str());
        if (wrapperType == wrapperType_Standalone)
            for (const auto& f : found)
                std::fprintf(stderr, "RAVLIN Preamp: model data file missing or unreadable: %s (%s)\n",
                             f.path.c_str(), f.reason.c_str());
        const bool changed = [&] {
            const juce::SpinLock::ScopedLockType pl(problemLock);
            const bool differs = text != notice || found.size() != failures.size();
            failures = std::move(found);
            notice = text;
            return differs;
        }();
        if (changed)
            problemGeneration.fetch_add(1, std::memory_order_acq_rel);
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
    bool configured = false; ///< a reconfiguration has loaded model data at least once
    int loadedValveSet = -1; ///< the valve set whose files the chains hold (-1: none yet)
    juce::CriticalSection reconfigureLock;
    // The failures of the last file-reading reconfiguration and the editor's notice, copied under
    // a lock of their own so the editor never waits for a reconfiguration to finish.
    mutable juce::SpinLock problemLock;
    std::vector<ModelFileFailure> failures;
    juce::String notice;
    std::atomic<unsigned> problemGeneration{0};

    JUCE_DECLARE_NON_COPYABLE(PreampProcessor)
};
} // namespace ravlin::plugin
