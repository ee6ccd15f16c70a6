// Frame choice and drawing of the film-strip slider, and its behaviour without an image.
#include "editor/FilmStripKnob.h"

#include "JuceTestEnvironment.h"

#include <gtest/gtest.h>

namespace ravlin::test {
namespace {
juce::Colour frameColour(int k)
{
    return juce::Colour::fromRGB(static_cast<juce::uint8>(20 + 45 * k), static_cast<juce::uint8>(230 - 40 * k),
                                 static_cast<juce::uint8>(9 * k));
}

/** `frames` frames of width x height, each a solid, distinct colour; `extraRows` rows of white below. */
juce::Image makeStrip(int frames, int width, int height, int extraRows = 0)
{
    juce::Image strip(juce::Image::ARGB, width, frames * height + extraRows, true);
    juce::Graphics g(strip);
    g.fillAll(juce::Colours::white);
    for (int k = 0; k < frames; ++k)
    {
        g.setColour(frameColour(k));
        g.fillRect(0, k * height, width, height);
    }
    return strip;
}

/** The colour at the centre of the knob's painted picture. */
juce::Colour centreColour(FilmStripKnob& knob)
{
    const auto image = paintToImage(knob);
    return image.getPixelAt(image.getWidth() / 2, image.getHeight() / 2);
}
} // namespace

TEST(FilmStripKnob, FiveFrameStripDrawsOneFramePerValue)
{
    juce::Image strip = makeStrip(5, 8, 6);
    FilmStripKnob knob(&strip, 5);
    knob.setRange(0.0, 4.0, 1.0);
    knob.setSize(8, 6);
    for (int v = 0; v <= 4; ++v)
    {
        knob.setValue(v, juce::dontSendNotification);
        EXPECT_EQ(knob.currentFrame(), v);
        EXPECT_EQ(centreColour(knob), frameColour(v)) << "value " << v;
    }
}

TEST(FilmStripKnob, FrameIsStretchedOverTheWholeComponent)
{
    juce::Image strip = makeStrip(5, 8, 6);
    FilmStripKnob knob(&strip, 5);
    knob.setRange(0.0, 4.0, 1.0);
    knob.setValue(3, juce::dontSendNotification);
    knob.setSize(40, 30);
    const auto image = paintToImage(knob);
    for (auto point : {juce::Point<int>(2, 2), juce::Point<int>(37, 2), juce::Point<int>(2, 27),
                       juce::Point<int>(37, 27), juce::Point<int>(20, 15)})
        EXPECT_EQ(image.getPixelAt(point.x, point.y), frameColour(3)) << point.toString();
}

TEST(FilmStripKnob, FrameIsTheTruncatedLinearMapOfTheValue)
{
    juce::Image strip = makeStrip(5, 4, 4);
    FilmStripKnob knob(&strip, 5);
    // The knob's own range, 0..1 in steps of 0.001: 0.249 -> 0.996 -> frame 0, 0.25 -> frame 1.
    const std::pair<double, int> cases[] = {{0.0, 0}, {0.249, 0}, {0.25, 1}, {0.5, 2}, {0.999, 3}, {1.0, 4}};
    for (const auto& [value, frame] : cases)
    {
        knob.setValue(value, juce::dontSendNotification);
        EXPECT_EQ(knob.currentFrame(), frame) << "value " << value;
    }
    // A range that does not start at zero: -37..12 over 50 frames.
    juce::Image bars = makeStrip(50, 4, 2);
    FilmStripKnob bar(&bars, 50);
    bar.setRange(-37.0, 12.0, 1.0);
    bar.setValue(-37.0, juce::dontSendNotification);
    EXPECT_EQ(bar.currentFrame(), 0);
    bar.setValue(-12.0, juce::dontSendNotification);
    EXPECT_EQ(bar.currentFrame(), 25);
    bar.setValue(12.0, juce::dontSendNotification);
    EXPECT_EQ(bar.currentFrame(), 49);
}

TEST(FilmStripKnob, ConstructorSetsUpAStripSlider)
{
    juce::Image strip = makeStrip(5, 10, 6, 1); // 31 rows: the odd row is left over
    FilmStripKnob knob(&strip, 5);
    EXPECT_EQ(knob.getName(), "Slider");
    EXPECT_EQ(knob.getSliderStyle(), juce::Slider::RotaryVerticalDrag);
    EXPECT_EQ(knob.getTextBoxPosition(), juce::Slider::NoTextBox);
    EXPECT_EQ(knob.getMinimum(), 0.0);
    EXPECT_EQ(knob.getMaximum(), 1.0);
    EXPECT_EQ(knob.getInterval(), 0.0010000000474974513);
    EXPECT_EQ(knob.getFrameWidth(), 10);
    EXPECT_EQ(knob.getFrameHeight(), 6);
    // The leftover row is never shown, even at the last frame.
    knob.setValue(1.0, juce::dontSendNotification);
    knob.setSize(10, 6);
    const auto image = paintToImage(knob);
    EXPECT_EQ(image.getPixelAt(5, 5), frameColour(4));
}

TEST(FilmStripKnob, NullImageKeepsTheFrameworkDefaultsAndPaintsNothing)
{
    FilmStripKnob knob(nullptr, 5);
    const juce::Slider plain;
    EXPECT_EQ(knob.getName(), "Slider");
    EXPECT_EQ(knob.getSliderStyle(), plain.getSliderStyle());
    EXPECT_EQ(knob.getTextBoxPosition(), plain.getTextBoxPosition());
    EXPECT_EQ(knob.getMinimum(), plain.getMinimum());
    EXPECT_EQ(knob.getMaximum(), plain.getMaximum());
    EXPECT_EQ(knob.getInterval(), plain.getInterval());

    knob.setSize(20, 10);
    juce::Image image(juce::Image::ARGB, 20, 10, true);
    juce::Graphics g(image);
    knob.paint(g);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(image.getPixelAt(x, y).getAlpha(), 0) << x << "," << y;
}

TEST(FilmStripKnob, ZeroFramesDrawsTheWholeImageInsteadOfDividingByZero)
{
    juce::Image strip = makeStrip(1, 6, 6);
    FilmStripKnob knob(&strip, 0);
    EXPECT_EQ(knob.getNumFrames(), 1);
    EXPECT_EQ(knob.getFrameHeight(), 6);
    knob.setSize(6, 6);
    knob.setValue(1.0, juce::dontSendNotification);
    EXPECT_EQ(knob.currentFrame(), 0);
    EXPECT_EQ(centreColour(knob), frameColour(0));
}
} // namespace ravlin::test
