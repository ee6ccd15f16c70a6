// Host values sent by the controls, and the round trip of a stored value through a bar and back.
#include "editor/ControlMapping.h"

#include "EditorTestProcessor.h"
#include "JuceTestEnvironment.h"

#include <gtest/gtest.h>

namespace ravlin::test
{
TEST(ControlMapping, BarEndsSendTheEndsOfTheHostRange)
{
    EXPECT_EQ(editor::inputHostValue(0.0), 0.0f);
    EXPECT_EQ(editor::inputHostValue(12.25), 1.0f);
    EXPECT_EQ(editor::outputHostValue(-37.0), 0.0f);
    EXPECT_EQ(editor::outputHostValue(12.0), 1.0f);
    EXPECT_EQ(editor::gainHostValue(16.0), 1.0f);
    EXPECT_EQ(editor::toneHostValue(14.0), 1.0f);
    EXPECT_EQ(editor::oversamplingHostValue(4.0), 1.0f);
    EXPECT_EQ(editor::switchHostValue(true), 1.0f);
    EXPECT_EQ(editor::switchHostValue(false), 0.0f);
}

TEST(ControlMapping, EveryStepLandsOnItsOwnStoredPosition)
{
    // A step control's host value, quantised by the processor, gives back the step.
    for (int v = 0; v <= 16; ++v)
        EXPECT_EQ(EditorTestProcessor::quantise(editor::gain, editor::gainHostValue(v)), static_cast<float>(v));
    for (int v = 0; v <= 14; ++v)
        EXPECT_EQ(EditorTestProcessor::quantise(editor::treble, editor::toneHostValue(v)), static_cast<float>(v));
    for (int v = 0; v <= 4; ++v)
        EXPECT_EQ(EditorTestProcessor::quantise(editor::oversampling, editor::oversamplingHostValue(v)),
                  static_cast<float>(v));
    // Output bar -37..12 covers the stored 0..49 one to one.
    for (int v = -37; v <= 12; ++v)
        EXPECT_FLOAT_EQ(EditorTestProcessor::quantise(editor::output, editor::outputHostValue(v)),
                        static_cast<float>(v + 37));
}

TEST(ControlMapping, HalfwayInputIsAnsweredWithTheNearestQuarterStep)
{
    // Host 0.5 -> stored 24.5 -> bar 6.125, which the bar snaps to 6.25 -> sent back as 0.5102041.
    const float stored = EditorTestProcessor::quantise(editor::input, 0.5f);
    EXPECT_EQ(stored, 24.5f);
    EXPECT_EQ(editor::inputBarValue(stored), 6.125f);

    juce::Slider bar;
    bar.setRange(0.0, 12.25, 0.25);
    bar.setValue(editor::inputBarValue(stored), juce::dontSendNotification);
    EXPECT_EQ(bar.getValue(), 6.25);
    const float answer = editor::inputHostValue(bar.getValue());
    EXPECT_FLOAT_EQ(answer, 0.5102041f);

    // The exchange stops: the answer is stored as 25, which the bar shows unchanged.
    const float storedAgain = EditorTestProcessor::quantise(editor::input, answer);
    EXPECT_FLOAT_EQ(storedAgain, 25.0f);
    bar.setValue(editor::inputBarValue(storedAgain), juce::dontSendNotification);
    EXPECT_EQ(bar.getValue(), 6.25);
}

TEST(ControlMapping, StoredSwitchesReadAsTheEditorShowsThem)
{
    editor::StoredValues q = EditorTestProcessor::defaultProgram();
    EXPECT_FALSE(editor::agedValvesSelected(q));
    EXPECT_FALSE(editor::stereoSelected(q));
    EXPECT_FALSE(editor::settingsShown(q));
    q[editor::dualTriodes] = 1.0f;
    q[editor::monoStereo] = 1.0f;
    q[editor::showSettings] = 1.0f;
    EXPECT_TRUE(editor::agedValvesSelected(q));
    EXPECT_TRUE(editor::stereoSelected(q));
    EXPECT_TRUE(editor::settingsShown(q));
    q[editor::monoStereo] = 0.75f; // truncated: still mono
    EXPECT_FALSE(editor::stereoSelected(q));
}
} // namespace ravlin::test
