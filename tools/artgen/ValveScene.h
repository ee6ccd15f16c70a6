#pragma once
// The picture behind the editor: two glass preamp valves (dual triodes) standing on a steel
// chassis in a dark amp cabinet, their heaters glowing at a given strength.
#include <juce_graphics/juce_graphics.h>

namespace ravlin::art {
/** Number of frames of the glow strips: frame 0 dimmest, the last one brightest. */
inline constexpr int glowFrames = 24;

/** Heater strength of glow frame `frame` (0..glowFrames-1), rising from a faint red to full. */
float heaterStrength(int frame);

/** Draws the whole 460 x 368 scene with the heaters at `strength` (0 cold .. 1 full glow). */
void drawValveScene(juce::Graphics& g, float strength);

/** The 24 frames of the scene stacked top to bottom (460 x 8832), opaque RGB. */
juce::Image makeValveGlowStrip();

/** The same strip with every frame blurred (the picture seen through the frosted panel). */
juce::Image makeBlurredStrip(const juce::Image& strip);
} // namespace ravlin::art
