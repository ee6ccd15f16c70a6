#pragma once
// The plug-in's processor as hosts, the renderer and the editor see it: the preamp processor over
// the run-time channel chain, with the embedded default bank and the plug-in window.
#include "editor/EditorLink.h"
#include "plugin/PreampProcessor.h"

#if RAVLIN_HAVE_CHANNEL_CHAIN
#include "fast/ChannelChain.h"
#else
#include "plugin/MutedChain.h"
#endif

namespace ravlin {
#if RAVLIN_HAVE_CHANNEL_CHAIN
using PreampChain = ChannelChain;
#else
using PreampChain = plugin::MutedChain;
#endif
} // namespace ravlin

class RavlinPreampAudioProcessor final : public ravlin::plugin::PreampProcessor<ravlin::PreampChain>
{
public:
    RavlinPreampAudioProcessor();

    juce::AudioProcessorEditor* createEditor() override;

    /** Running statistics of block 4 of the left (0) or right (1) chain, for the valve glow. */
    ravlin::editor::BlockStatistics block4Statistics(int channel) const noexcept;
};

namespace ravlin {
template <>
struct EditorLink<RavlinPreampAudioProcessor>
{
    static editor::StoredValues storedValues(const RavlinPreampAudioProcessor& p) { return p.storedValues(); }
    static editor::BlockStatistics block4Statistics(const RavlinPreampAudioProcessor& p, int channel)
    {
        return p.block4Statistics(channel);
    }
    static unsigned modelDataGeneration(const RavlinPreampAudioProcessor& p) { return p.getModelDataGeneration(); }
    static juce::String modelDataNotice(const RavlinPreampAudioProcessor& p) { return p.getModelDataNotice(); }
};
} // namespace ravlin
