#pragma once
// The editor's pictures, decoded once per editor from the data built into the plug-in (through the
// framework's image cache). A picture that fails to decode is a null image: the control that uses
// it then draws nothing and everything else keeps working.
#include <juce_graphics/juce_graphics.h>

namespace ravlin {
struct EditorImages
{
    EditorImages();

    juce::Image backgroundImage;                  // 460 x 736: clear half above, settings panel below
    juce::Image valveGlowStrip;                   // 24 frames of 460 x 368
    juce::Image valveGlowBlurredStrip;            // 24 frames of 460 x 368
    juce::Image monoStereoImage;                  // 37 x 44: mono above, stereo below
    juce::Image barStrip50;                       // 50 frames of 208 x 23
    juce::Image barStrip17;                       // 17 frames of 208 x 23
    juce::Image barStrip15;                       // 15 frames of 208 x 23
    juce::Image oversamplingStrip;                // 5 frames of 152 x 29
    juce::Image freshFrameNormal, freshFrameOver; // 74 x 21
    juce::Image agedFrameNormal, agedFrameOver;   // 76 x 21
};
} // namespace ravlin
