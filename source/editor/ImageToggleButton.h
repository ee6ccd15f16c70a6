#pragma once
// A framework button drawn from one image: the upper half while its toggle state is off, the lower
// half while it is on. Clicks, toggling and listeners are the framework button's.
#include <juce_gui_basics/juce_gui_basics.h>

namespace ravlin {
class ImageToggleButton : public juce::Button
{
public:
    /** `image`: not owned, must outlive the button; may be null (the button then draws nothing).
        With `togglesOnClick` false only the owner changes the toggle state; listeners still
        hear every click. */
    ImageToggleButton(juce::Image* image, bool togglesOnClick);

    /** Source rectangle drawn for the current toggle state; for an odd image height the last row
        belongs to neither half. */
    juce::Rectangle<int> currentSourceArea() const noexcept;

protected:
    void paintButton(juce::Graphics& g, bool isMouseOverButton, bool isButtonDown) override;

private:
    juce::Image* image;
    int imageWidth = 0;
    int halfHeight = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(ImageToggleButton)
};
} // namespace ravlin
