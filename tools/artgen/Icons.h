#pragma once
// Small pictograms of the settings panel, each a juce::Path in a unit box (0..1 in x and y) so it
// can be drawn at any size: the input jack, a valve, a guitar body, a microphone, a guitar headstock
// and a loudspeaker (also used, with sound waves, for the mono/stereo switch).
#include <juce_graphics/juce_graphics.h>

namespace ravlin::art {
enum class Icon
{
    inputJack,
    valve,
    guitarBody,
    microphone,
    headstock,
    loudspeaker
};

/** Outline of `icon` in the unit box; filled with the even-odd rule (holes stay open). */
juce::Path iconPath(Icon icon);

/** Fills `icon` into `area`, proportions kept, centred. */
void drawIcon(juce::Graphics& g, Icon icon, juce::Rectangle<float> area, juce::Colour colour);

/** Arcs of sound leaving a loudspeaker whose mouth is at `mouth`; `count` arcs of growing radius. */
void drawSoundWaves(juce::Graphics& g, juce::Point<float> mouth, float firstRadius, float spacing, int count,
                    float thickness, juce::Colour colour);
} // namespace ravlin::art
