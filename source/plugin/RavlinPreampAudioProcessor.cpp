#include "plugin/RavlinPreampAudioProcessor.h"

#include <juce_audio_utils/juce_audio_utils.h>

#include "RavlinResources.h"
#include "plugin/ModelFileNames.h"

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace ravlin
{
using namespace plugin;

RavlinPreampAudioProcessor::RavlinPreampAudioProcessor()
    : juce::AudioProcessor(BusesProperties()
                               .withInput("Input", juce::AudioChannelSet::stereo(), true)
                               .withOutput("Output", juce::AudioChannelSet::stereo(), true))
{
    // The embedded default bank takes the same path as a host's saved state.
    const auto text = juce::String::fromUTF8(RavlinResources::DefaultBank_xml, RavlinResources::DefaultBank_xmlSize);
    if (auto xml = juce::XmlDocument::parse(text))
    {
        juce::MemoryBlock chunk;
        copyXmlToBinary(*xml, chunk);
        setStateInformation(chunk.getData(), static_cast<int>(chunk.getSize()));
    }
    else
        setCurrentProgram(0);
}

RavlinPreampAudioProcessor::~RavlinPreampAudioProcessor() = default;

void RavlinPreampAudioProcessor::prepareToPlay(double sampleRate, int)
{
    // The new rate reaches the chains at the next reconfiguration.
    if (sampleRate >= 1.0 && sampleRate < 2147483647.0)
        hostSampleRate = static_cast<int>(sampleRate);
}

bool RavlinPreampAudioProcessor::isBusesLayoutSupported(const BusesLayout& layouts) const
{
    const auto in = layouts.getMainInputChannelSet();
    const auto out = layouts.getMainOutputChannelSet();
    return in == out && (in == juce::AudioChannelSet::mono() || in == juce::AudioChannelSet::stereo());
}

template <unsigned Factor, bool Stereo>
void RavlinPreampAudioProcessor::runLoop(juce::AudioBuffer<float>& buffer, int numSamples) noexcept
{
    if (numSamples <= 0)
        return;
    numSamples = std::min(numSamples, buffer.getNumSamples());
    float* const* channels = buffer.getArrayOfWritePointers();
    const int numChannels = buffer.getNumChannels();
    if constexpr (Stereo)
        processStereo<Factor>(leftChain, rightChain, channels, numChannels, getTotalNumInputChannels(), numSamples,
                              gains);
    else
        processMono<Factor>(leftChain, channels, numChannels, getTotalNumInputChannels(), numSamples, gains);
}

void RavlinPreampAudioProcessor::processBlock(juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    juce::ScopedNoDenormals noDenormals;
    (this->*sampleLoop)(buffer, buffer.getNumSamples());
    for (int c = getTotalNumInputChannels(); c < getTotalNumOutputChannels() && c < buffer.getNumChannels(); ++c)
        buffer.clear(c, 0, buffer.getNumSamples());
}

juce::AudioProcessorEditor* RavlinPreampAudioProcessor::createEditor()
{
    return new juce::GenericAudioProcessorEditor(*this);
}

const juce::String RavlinPreampAudioProcessor::getParameterText(int i)
{
    return juce::String::fromUTF8(record().getValueText(i).c_str());
}

float RavlinPreampAudioProcessor::getParameterDefaultValue(int i)
{
    // The values of every program of the default bank.
    static constexpr float defaults[numParameters] = {0.0f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f, 0.0f};
    return isParameterIndex(i) ? defaults[i] : 0.0f;
}

void RavlinPreampAudioProcessor::setParameter(int i, float x)
{
    if (!isParameterIndex(i) || !record().setValue(i, x))
        return;
    switch (i)
    {
    case dualTriodes: setCurrentProgram(currentProgram); return; // sends its own change message
    case input:
    case output: updateGains(); break;
    case gain:
        suspendProcessing(true);
        applyGainPosition();
        suspendProcessing(false);
        break;
    case treble:
    case middle:
    case bass: applyTonePosition(); break;
    case oversampling:
    case monoStereo: reconfigureRate(); break;
    default: break;
    }
    sendChangeMessage();
}

void RavlinPreampAudioProcessor::setCurrentProgram(int index)
{
    if (index < 0 || index >= numPrograms)
        return;
    currentProgram = index;
    reconfigureAll();
    sendChangeMessage();
}

const juce::String RavlinPreampAudioProcessor::getProgramName(int index)
{
    if (index < 0 || index >= numPrograms)
        return {};
    return juce::String::fromUTF8(bank[static_cast<std::size_t>(index)].name.c_str());
}

void RavlinPreampAudioProcessor::changeProgramName(int index, const juce::String& newName)
{
    if (index >= 0 && index < numPrograms)
        bank[static_cast<std::size_t>(index)].name = newName.toStdString();
}

void RavlinPreampAudioProcessor::getStateInformation(juce::MemoryBlock& dest)
{
    dest.reset();
    copyXmlToBinary(*bankToXml(bank, currentProgram), dest);
}

void RavlinPreampAudioProcessor::setStateInformation(const void* data, int sizeInBytes)
{
    currentProgram = 0;
    std::unique_ptr<juce::XmlElement> document;
    if (data != nullptr && sizeInBytes > 8)
        document = getXmlFromBinary(data, sizeInBytes);
    const BankReadResult read = xmlToBank(document.get(), bank);
    if (!read.applied)
        return;
    setCurrentProgram(read.currentProgram);
}

juce::File RavlinPreampAudioProcessor::getModelDirectory() const
{
    if (modelDirectoryOverride != juce::File())
        return modelDirectoryOverride;
    // For a plug-in this is the shared library the host loaded, not the host's executable.
    const auto module = juce::File::getSpecialLocation(juce::File::currentApplicationFile);
    return juce::File(module.getFullPathName() + ".dat");
}

void RavlinPreampAudioProcessor::setModelDirectory(const juce::File& directory)
{
    modelDirectoryOverride = directory;
    setCurrentProgram(currentProgram);
}

void RavlinPreampAudioProcessor::selectSampleLoop()
{
    static constexpr SampleLoop mono[] = {
        &RavlinPreampAudioProcessor::runLoop<1, false>, &RavlinPreampAudioProcessor::runLoop<2, false>,
        &RavlinPreampAudioProcessor::runLoop<4, false>, &RavlinPreampAudioProcessor::runLoop<8, false>,
        &RavlinPreampAudioProcessor::runLoop<16, false>};
    static constexpr SampleLoop stereo[] = {
        &RavlinPreampAudioProcessor::runLoop<1, true>, &RavlinPreampAudioProcessor::runLoop<2, true>,
        &RavlinPreampAudioProcessor::runLoop<4, true>, &RavlinPreampAudioProcessor::runLoop<8, true>,
        &RavlinPreampAudioProcessor::runLoop<16, true>};
    const int code = record().factorCode();
    stereoLoop = record().stereoRequested() && getTotalNumInputChannels() >= 2;
    sampleLoop = stereoLoop ? stereo[code] : mono[code];
    oversamplingFactor = 1 << code;
    // The oversampling filters delay the output by 15 base-rate samples.
    setLatencySamples(oversamplingFactor > 1 ? 15 : 0);
}

juce::File RavlinPreampAudioProcessor::blockThreeFile(const juce::File& dir) const
{
    const long rate = static_cast<long>(hostSampleRate) * oversamplingFactor;
    return dir.getChildFile(modelFileName(3, bank[static_cast<std::size_t>(currentProgram)].valveSet(), rate));
}

void RavlinPreampAudioProcessor::load(ChannelChain& chain, int block, const juce::File& file)
{
    const std::string path = file.getFullPathName().toStdString();
    modelReads.push_back(path);
    const auto result = chain.loadModelFile(block, path.c_str());
    if (!result.ok)
        loadErrors.add(juce::String::fromUTF8(path.c_str()) + ": " + juce::String::fromUTF8(result.message.c_str()));
}

void RavlinPreampAudioProcessor::reconfigureAll()
{
    suspendProcessing(true);
    modelReads.clear();
    loadErrors.clear();
    selectSampleLoop();
    const juce::File dir = getModelDirectory();
    const int set = record().valveSet();
    for (ChannelChain* chain : {&leftChain, &rightChain})
        for (int block : {1, 2, 4})
            load(*chain, block, dir.getChildFile(modelFileName(block, set, 0)));
    const juce::File b3 = blockThreeFile(dir);
    load(leftChain, 3, b3);
    load(rightChain, 3, b3);
    const double rate = static_cast<double>(hostSampleRate) * oversamplingFactor;
    leftChain.setSampleRate(rate);
    rightChain.setSampleRate(rate);
    const unsigned gainPosition = record().gainPosition();
    const unsigned tonePosition = record().tonePosition();
    for (ChannelChain* chain : {&leftChain, &rightChain})
    {
        chain->selectPosition(1, gainPosition);
        chain->selectPosition(2, gainPosition);
        chain->selectPosition(3, 0);
        chain->selectPosition(4, tonePosition);
    }
    updateGains();
    if (!loadErrors.isEmpty())
        DBG("RAVLIN Preamp: model files missing or unreadable:\n" << loadErrors.joinIntoString("\n"));
    suspendProcessing(false);
}

void RavlinPreampAudioProcessor::reconfigureRate()
{
    suspendProcessing(true);
    modelReads.clear();
    loadErrors.clear();
    selectSampleLoop();
    const juce::File b3 = blockThreeFile(getModelDirectory());
    load(leftChain, 3, b3);
    load(rightChain, 3, b3);
    const double rate = static_cast<double>(hostSampleRate) * oversamplingFactor;
    leftChain.setSampleRate(rate);
    rightChain.setSampleRate(rate);
    leftChain.selectPosition(3, 0);
    rightChain.selectPosition(3, 0);
    suspendProcessing(false);
}

void RavlinPreampAudioProcessor::applyGainPosition()
{
    const unsigned position = record().gainPosition();
    for (ChannelChain* chain : {&leftChain, &rightChain})
    {
        chain->selectPosition(1, position);
        chain->selectPosition(2, position);
    }
}

void RavlinPreampAudioProcessor::applyTonePosition()
{
    // Block 4 is recomputed inside the callback lock: the audio thread never runs a chain while
    // its tone stage changes, and the output keeps running (no suspension) around the short update.
    const unsigned position = record().tonePosition();
    const juce::ScopedLock lock(getCallbackLock());
    leftChain.selectPosition(4, position);
    rightChain.selectPosition(4, position);
}

void RavlinPreampAudioProcessor::updateGains() noexcept
{
    gains.input.store(inputGainFor(record().stored(input)), std::memory_order_relaxed);
    gains.output.store(outputGainFor(record().stored(output)), std::memory_order_relaxed);
}
} // namespace ravlin

// The framework's wrappers make each instance through this factory.
juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new ravlin::RavlinPreampAudioProcessor();
}
