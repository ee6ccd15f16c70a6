#include "plugin/RavlinPreampAudioProcessor.h"

#include "editor/PreampEditor.h"

#include <RavlinResources.h>

namespace {
juce::String defaultBankText()
{
    return juce::String::fromUTF8(RavlinResources::DefaultBank_xml, RavlinResources::DefaultBank_xmlSize);
}
} // namespace

RavlinPreampAudioProcessor::RavlinPreampAudioProcessor() : PreampProcessor(defaultBankText()) {}

juce::AudioProcessorEditor* RavlinPreampAudioProcessor::createEditor()
{
    return new ravlin::PreampEditor<RavlinPreampAudioProcessor>(*this);
}

ravlin::editor::BlockStatistics RavlinPreampAudioProcessor::block4Statistics(int channel) const noexcept
{
#if RAVLIN_HAVE_CHANNEL_CHAIN
    const auto& stats = (channel == 0 ? getLeftChain() : getRightChain()).block4().runningStatistics;
    // The window's mean and mean square, handed over as sums over a window of length 1.
    return {1.0, stats.mean(), stats.meanSquare()};
#else
    juce::ignoreUnused(channel);
    return {};
#endif
}

// The framework's wrappers create every instance through this.
juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter() { return new RavlinPreampAudioProcessor(); }
