// Every step of every bar and of the oversampling selector, moved in the editor, reaches the
// processor's own quantisation as a stored step of its own and comes back unchanged through the
// refresh; the halfway Input answer; the switches as the editor reads them.
#include "editor/ControlMapping.h"

#include "EditorTestProcessor.h"
#include "JuceTestEnvironment.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace ravlin::test {
TEST(ControlMapping, EveryControlStepIsStoredAsItsOwnStepAndShownBack)
{
    EditorTestProcessor processor;
    processor.current()[plugin::showSettings] = 1.0f;
    auto window = std::make_unique<TestEditor>(processor);
    deliverPendingMessages();

    struct Control
    {
        FilmStripKnob& knob;
        plugin::Parameter parameter;
    };
    const Control controls[] = {{window->getInputBar(), plugin::input},
                                {window->getGainBar(), plugin::gain},
                                {window->getTrebleBar(), plugin::treble},
                                {window->getMiddleBar(), plugin::middle},
                                {window->getBassBar(), plugin::bass},
                                {window->getOutputBar(), plugin::output},
                                {window->getOversamplingSelector(), plugin::oversampling}};
    for (const auto& [knob, parameter] : controls)
    {
        SCOPED_TRACE(plugin::parameterName(parameter));
        const double lowest = knob.getMinimum(), highest = knob.getMaximum(), step = knob.getInterval();
        const int steps = static_cast<int>(std::lround((highest - lowest) / step)) + 1;
        EXPECT_EQ(steps, knob.getNumFrames()) << "one strip frame per control step";
        float previous = -1.0f;
        for (int k = 0; k < steps; ++k)
        {
            const double v = lowest + k * step;
            knob.setValue(v, juce::sendNotificationSync); // as a drag would
            const float stored = processor.current()[parameter];
            if (k == 0)
                EXPECT_EQ(stored, 0.0f) << "the control's lowest step is the lowest stored value";
            else
                EXPECT_GT(stored, previous) << "step " << v << " lands on the same stored value as the one below";
            previous = stored;
            processor.received.clear();
            window->changeListenerCallback(nullptr); // the refresh the processor's change message brings
            deliverPendingMessages();
            EXPECT_EQ(knob.getValue(), v) << "the refresh moved the control";
            EXPECT_TRUE(processor.received.empty()) << "the refresh sent step " << v << " back as another value";
        }
        EXPECT_EQ(previous, plugin::storedMaximum(parameter)) << "the highest step is the highest stored value";
    }
    window.reset();
    deliverPendingMessages();
}

TEST(ControlMapping, HalfwayInputIsAnsweredWithTheNearestQuarterStep)
{
    // Host 0.5 -> stored 24.5 -> bar 6.125, which the bar snaps to 6.25 -> sent back as 0.5102041.
    const float stored = plugin::quantise(plugin::input, 0.5f);
    EXPECT_EQ(stored, 24.5f);
    EXPECT_EQ(editor::inputBarScale.controlValue(stored), 6.125f);

    juce::Slider bar;
    bar.setRange(editor::inputBarScale.minimum(), editor::inputBarScale.maximum(), editor::inputBarScale.interval());
    bar.setValue(editor::inputBarScale.controlValue(stored), juce::dontSendNotification);
    EXPECT_EQ(bar.getValue(), 6.25);
    const float answer = editor::inputBarScale.hostValue(bar.getValue());
    EXPECT_FLOAT_EQ(answer, 0.5102041f);

    // The exchange stops: the answer is stored as 25, which the bar shows unchanged.
    const float storedAgain = plugin::quantise(plugin::input, answer);
    EXPECT_FLOAT_EQ(storedAgain, 25.0f);
    bar.setValue(editor::inputBarScale.controlValue(storedAgain), juce::dontSendNotification);
    EXPECT_EQ(bar.getValue(), 6.25);
}

TEST(ControlMapping, StoredSwitchesReadAsTheEditorShowsThem)
{
    plugin::StoredValues q = EditorTestProcessor::defaultProgram();
    EXPECT_FALSE(editor::agedValvesSelected(q));
    EXPECT_FALSE(plugin::stereoRequested(q));
    EXPECT_FALSE(plugin::settingsShown(q));
    q[plugin::dualTriodes] = 1.0f;
    q[plugin::monoStereo] = 1.0f;
    q[plugin::showSettings] = 1.0f;
    EXPECT_TRUE(editor::agedValvesSelected(q));
    EXPECT_TRUE(plugin::stereoRequested(q));
    EXPECT_TRUE(plugin::settingsShown(q));
    q[plugin::monoStereo] = 0.75f; // truncated: still mono
    EXPECT_FALSE(plugin::stereoRequested(q));
}
} // namespace ravlin::test
