#include "editor/FilmStripKnob.h"

#include <cmath>

namespace ravlin {
FilmStripKnob::FilmStripKnob(juce::Image* strip, int frames)
    : juce::Slider("Slider"), filmStrip(strip), numFrames(juce::jmax(1, frames))
{
    if (filmStrip == nullptr)
        return;
    setTextBoxStyle(juce::Slider::NoTextBox, false, 0, 0);
    setSliderStyle(juce::Slider::RotaryVerticalDrag);
    frameWidth = filmStrip->getWidth();
    frameHeight = filmStrip->getHeight() / numFrames;
    // 0.001 as held in single precision: the step the knob has always used.
    setRange(0.0, 1.0, static_cast<double>(0.001f));
}

int FilmStripKnob::currentFrame() const noexcept
{
    const double span = getMaximum() - getMinimum();
    const double position = (getValue() - getMinimum()) / span * static_cast<double>(numFrames - 1);
    // The framework keeps the value within the range; the guard only covers an empty range (0/0)
    // and the rounding at the top end, so a frame outside the strip is never drawn.
    if (!(position >= 0.0))
        return 0;
    if (position >= static_cast<double>(numFrames - 1))
        return numFrames - 1;
    return static_cast<int>(position);
}

void FilmStripKnob::paint(juce::Graphics& g)
{
    if (filmStrip == nullptr)
        return;
    g.drawImage(*filmStrip, 0, 0, getWidth(), getHeight(), 0, currentFrame() * frameHeight, frameWidth, frameHeight);
}
} // namespace ravlin
