#pragma once
// A framework slider that draws itself as one frame of a vertical film strip; the frame follows the
// slider's value. Mouse handling, value handling and notification are the framework slider's.
#include <juce_gui_basics/juce_gui_basics.h>

namespace ravlin {
class FilmStripKnob : public juce::Slider
{
public:
    /** `filmStrip`: all frames stacked top to bottom, each as wide as the image; not owned, must
        outlive the knob; may be null, in which case the knob draws nothing and keeps the
        framework's default style, range and text box. `numFrames` below 1 counts as 1. */
    FilmStripKnob(juce::Image* filmStrip, int numFrames);

    void paint(juce::Graphics& g) override;

    /** Frame drawn for the current value: (value - min) / (max - min) * (numFrames - 1), truncated,
        kept within the strip (an empty range or a value that is not a number gives frame 0). */
    int currentFrame() const noexcept;

    int getNumFrames() const noexcept { return numFrames; }
    int getFrameWidth() const noexcept { return frameWidth; }
    int getFrameHeight() const noexcept { return frameHeight; }

private:
    juce::Image* filmStrip;
    int numFrames;
    int frameWidth = 0;
    int frameHeight = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(FilmStripKnob)
};
} // namespace ravlin
