#include "RenderProcessor.h"

#include "plugin/RavlinPreampAudioProcessor.h"

// Every JUCE plug-in defines this factory; the wrappers call it to make their instance.
juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter();

namespace ravlin::render {

namespace {

RavlinPreampAudioProcessor& preamp(juce::AudioProcessor& p) { return static_cast<RavlinPreampAudioProcessor&>(p); }

} // namespace

std::unique_ptr<juce::AudioProcessor> createRenderProcessor()
{
    return std::unique_ptr<juce::AudioProcessor>(createPluginFilter());
}

ProcessorHooks renderProcessorHooks(juce::AudioProcessor& processor)
{
    ProcessorHooks hooks;
    hooks.setModelDirectory = [&processor](const juce::File& dir) { preamp(processor).setModelDirectory(dir); };
    hooks.defaultModelDirectory = [&processor]() { return preamp(processor).getModelDirectory(); };
    hooks.modelFileFailures = [&processor]() { return preamp(processor).getModelFileFailures(); };
    return hooks;
}

} // namespace ravlin::render
