#include "RenderProcessor.h"

#include <type_traits>

#include "plugin/RavlinPreampAudioProcessor.h"

// Every JUCE plug-in defines this factory; the wrappers call it to make their instance.
juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter();

namespace ravlin::render {

namespace {

template <class P, class = void>
struct HasModelDirectoryGetter : std::false_type
{
};
template <class P>
struct HasModelDirectoryGetter<P, std::void_t<decltype(std::declval<P&>().getModelDirectory())>> : std::true_type
{
};

RavlinPreampAudioProcessor& preamp(juce::AudioProcessor& p)
{
    return static_cast<RavlinPreampAudioProcessor&>(p);
}

} // namespace

std::unique_ptr<juce::AudioProcessor> createRenderProcessor()
{
    return std::unique_ptr<juce::AudioProcessor>(createPluginFilter());
}

ProcessorHooks renderProcessorHooks(juce::AudioProcessor& processor)
{
    ProcessorHooks hooks;
    hooks.setModelDirectory = [&processor](const juce::File& dir) { preamp(processor).setModelDirectory(dir); };
    hooks.defaultModelDirectory = [&processor]() {
        if constexpr (HasModelDirectoryGetter<RavlinPreampAudioProcessor>::value)
            return juce::File(preamp(processor).getModelDirectory());
        else
            return juce::File(juce::File::getSpecialLocation(juce::File::currentExecutableFile).getFullPathName() + ".dat");
    };
    hooks.modelFileFailures = [&processor]() { return preamp(processor).getModelFileFailures(); };
    return hooks;
}

} // namespace ravlin::render
