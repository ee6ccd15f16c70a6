#pragma once
// The preamp processor over recording chains, with the twelve default programs.
#include "RecordingChain.h"
#include "plugin/PreampProcessor.h"

namespace ravlin::test {
inline juce::String defaultBankXml()
{
    juce::String programs;
    for (int i = 1; i <= 12; ++i)
        programs << "<program programname=\"" << i
                 << " default\" gain=\"0.5\" ovrsmplng=\"0.0\" in=\"0.5\" out=\"0.5\" stro=\"0.0\" model=\"0.0\" "
                    "trbl=\"0.5\" mdl=\"0.5\" bas=\"0.5\" showset=\"0.0\"/>   ";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<zub cprog=\"0\" version=\"1\"><programs>" + programs
           + "</programs></zub>";
}

class TestProcessor : public plugin::PreampProcessor<RecordingChain>
{
public:
    TestProcessor() : PreampProcessor(defaultBankXml()) {}
    juce::AudioProcessorEditor* createEditor() override { return nullptr; }
};

/** Counts change-message deliveries. */
struct ChangeCounter : juce::ChangeListener
{
    int count = 0;
    void changeListenerCallback(juce::ChangeBroadcaster*) override { ++count; }
};

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
} // namespace ravlin::test
