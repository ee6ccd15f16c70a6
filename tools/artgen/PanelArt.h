#pragma once
// The 460 x 736 overlay of the editor: upper half the clear picture with the Settings tab, lower
// half the translucent settings panel with its legends, icons and valve-set labels.
#include <juce_graphics/juce_graphics.h>

namespace ravlin::art {
juce::Image makeBackground();
} // namespace ravlin::art
