// Half selection, click behaviour and the null image of the two-state image button.
#include "editor/ImageToggleButton.h"

#include "JuceTestEnvironment.h"

#include <gtest/gtest.h>

namespace ravlin::test {
namespace {
const juce::Colour upper = juce::Colours::red;
const juce::Colour lower = juce::Colours::lime;
const juce::Colour lastRow = juce::Colours::blue;

/** 4 x 7: rows 0..2 upper colour, rows 3..5 lower colour, row 6 (the odd one) blue. */
juce::Image makeOddImage()
{
    juce::Image image(juce::Image::ARGB, 4, 7, true);
    juce::Graphics g(image);
    g.setColour(upper);
    g.fillRect(0, 0, 4, 3);
    g.setColour(lower);
    g.fillRect(0, 3, 4, 3);
    g.setColour(lastRow);
    g.fillRect(0, 6, 4, 1);
    return image;
}

/** Every pixel of the painted button has `colour`. */
::testing::AssertionResult allPixels(juce::Component& c, juce::Colour colour)
{
    const auto image = paintToImage(c);
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            if (image.getPixelAt(x, y) != colour)
                return ::testing::AssertionFailure()
                       << "pixel " << x << "," << y << " is " << image.getPixelAt(x, y).toString() << ", expected "
                       << colour.toString();
    return ::testing::AssertionSuccess();
}

/** Inside a one-pixel border (where scaling softens the edge) every pixel has `colour`, and no
    pixel anywhere carries any of the other half or of the last row. */
::testing::AssertionResult scaledHalfIs(juce::Component& c, juce::Colour colour, juce::Colour other)
{
    const auto image = paintToImage(c);
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
        {
            const auto p = image.getPixelAt(x, y);
            const bool border = x == 0 || y == 0 || x == image.getWidth() - 1 || y == image.getHeight() - 1;
            if ((!border && p != colour) || p.getBlue() > 0 || (other.getRed() > 0 && p.getRed() > 0)
                || (other.getGreen() > 0 && p.getGreen() > 0))
                return ::testing::AssertionFailure() << "pixel " << x << "," << y << " is " << p.toString();
        }
    return ::testing::AssertionSuccess();
}

struct ClickCounter : juce::Button::Listener
{
    int clicks = 0;
    void buttonClicked(juce::Button*) override { ++clicks; }
};
} // namespace

TEST(ImageToggleButton, OddHeightHalvesNeverShowTheLastRow)
{
    juce::Image image = makeOddImage();
    ImageToggleButton button(&image, true);
    EXPECT_EQ(button.getName(), "Button");
    button.setSize(4, 3);
    EXPECT_EQ(button.currentSourceArea(), juce::Rectangle<int>(0, 0, 4, 3));
    EXPECT_TRUE(allPixels(button, upper));
    button.setToggleState(true, juce::dontSendNotification);
    EXPECT_EQ(button.currentSourceArea(), juce::Rectangle<int>(0, 3, 4, 3));
    EXPECT_TRUE(allPixels(button, lower));
}

TEST(ImageToggleButton, HalfIsStretchedOverTheButtonWhateverItsState)
{
    juce::Image image = makeOddImage();
    ImageToggleButton button(&image, true);
    button.setSize(40, 30);
    EXPECT_TRUE(scaledHalfIs(button, upper, lower));
    button.setToggleState(true, juce::dontSendNotification);
    EXPECT_TRUE(scaledHalfIs(button, lower, upper));
    // Mouse-over and pressed states draw the same half.
    button.setState(juce::Button::buttonOver);
    EXPECT_TRUE(scaledHalfIs(button, lower, upper));
    button.setState(juce::Button::buttonDown);
    EXPECT_TRUE(scaledHalfIs(button, lower, upper));
}

TEST(ImageToggleButton, ClickFlipsTheStateOnlyWhenAskedButAlwaysTellsListeners)
{
    juce::Image image = makeOddImage();
    ImageToggleButton fixed(&image, false);
    ImageToggleButton toggling(&image, true);
    ClickCounter fixedClicks, togglingClicks;
    fixed.addListener(&fixedClicks);
    toggling.addListener(&togglingClicks);

    fixed.triggerClick();
    toggling.triggerClick();
    deliverPendingMessages();

    EXPECT_FALSE(fixed.getToggleState());
    EXPECT_EQ(fixedClicks.clicks, 1);
    EXPECT_TRUE(toggling.getToggleState());
    EXPECT_EQ(togglingClicks.clicks, 1);
    fixed.removeListener(&fixedClicks);
    toggling.removeListener(&togglingClicks);
}

TEST(ImageToggleButton, NullImagePaintsNothingAndStillToggles)
{
    ImageToggleButton button(nullptr, true);
    button.setSize(10, 10);
    EXPECT_TRUE(allPixels(button, juce::Colours::transparentBlack));
    button.triggerClick();
    deliverPendingMessages();
    EXPECT_TRUE(button.getToggleState());
    EXPECT_TRUE(allPixels(button, juce::Colours::transparentBlack));
}
} // namespace ravlin::test
