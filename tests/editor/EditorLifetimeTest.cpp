// Opening and closing the window while messages are in flight. Run under AddressSanitizer (see the
// README) these catch a control touched after deletion and anything the editor leaks.
#include "EditorTestProcessor.h"
#include "JuceTestEnvironment.h"

#include <gtest/gtest.h>

#include <memory>

namespace ravlin::test {
TEST(EditorLifetime, OpeningAndClosingAHundredTimesWithProgramChangesInFlight)
{
    EditorTestProcessor processor;
    for (int p = 0; p < EditorTestProcessor::numPrograms; ++p)
    {
        auto& q = processor.bank[static_cast<size_t>(p)].values;
        q[plugin::input] = 0.5f + static_cast<float>(p) * 3.3f; // between quarter steps: answered
        q[plugin::gain] = static_cast<float>(p);
        q[plugin::monoStereo] = static_cast<float>(p % 2);
        q[plugin::showSettings] = static_cast<float>((p / 2) % 2);
    }
    processor.block4 = {statisticsWith(0.0, 0.001), statisticsWith(0.0, 0.003)};

    for (int round = 0; round < 100; ++round)
    {
        std::unique_ptr<juce::AudioProcessorEditor> window(processor.createEditor());
        auto& e = dynamic_cast<TestEditor&>(*window);
        processor.setCurrentProgram(round % EditorTestProcessor::numPrograms);
        if (round % 3 == 0)
            deliverPendingMessages(); // some rounds handle the refresh, the others close with it pending
        e.timerCallback();
        processor.setCurrentProgram((round + 5) % EditorTestProcessor::numPrograms);
        e.getGainBar().setValue(static_cast<double>(round % 17), juce::sendNotificationAsync);
        if (round % 2 == 0)
            e.getSettingsButton().triggerClick();
        window.reset();
        // Messages posted for the deleted window arrive now and must find nothing to touch.
        processor.setCurrentProgram(round % 7);
        if (round % 3 != 1)
            deliverPendingMessages();
    }
    deliverPendingMessages();

    // The processor keeps working with no window listening.
    processor.setCurrentProgram(1);
    deliverPendingMessages();
    EXPECT_EQ(processor.getCurrentProgram(), 1);
}

TEST(EditorLifetime, ProcessorChangesWhileOpenReachTheWindow)
{
    EditorTestProcessor processor;
    for (int p = 0; p < EditorTestProcessor::numPrograms; ++p)
        processor.bank[static_cast<size_t>(p)].values[plugin::gain] = static_cast<float>(p);
    std::unique_ptr<juce::AudioProcessorEditor> window(processor.createEditor());
    auto& e = dynamic_cast<TestEditor&>(*window);
    for (int p = 0; p < EditorTestProcessor::numPrograms; ++p)
    {
        processor.setCurrentProgram(p);
        deliverPendingMessages();
        EXPECT_EQ(e.getGainBar().getValue(), static_cast<double>(p));
    }
    window.reset();
    deliverPendingMessages();
}
} // namespace ravlin::test
