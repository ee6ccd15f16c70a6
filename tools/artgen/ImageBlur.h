#pragma once
// Gaussian-like blur of a whole image: three passes of a separable box blur.
#include <juce_graphics/juce_graphics.h>

namespace ravlin::art {
/** Returns a blurred copy of `source` (ARGB or RGB); `radius` is the box half-width in pixels. */
juce::Image blurred(const juce::Image& source, int radius);
} // namespace ravlin::art
