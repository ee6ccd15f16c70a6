#pragma once
// Pictures of the editor's controls: the bar strips, the oversampling selector strip, the
// mono/stereo switch and the outlines of the two valve-set buttons.
#include <juce_graphics/juce_graphics.h>

namespace ravlin::art {
/** `frames` frames of 208 x 23 stacked; frame 0 an empty track, frame k filled to k / (frames - 1).
    Strips with few steps are drawn as lit segments, the 50-step strip as a continuous bar. */
juce::Image makeBarStrip(int frames);

/** Five frames of 152 x 29 with the labels Off, X2, X4, X8, X16; frame k lights the k-th label. */
juce::Image makeOversamplingStrip();

/** 37 x 44: upper half a loudspeaker with one wave (mono), lower half with two (stereo). */
juce::Image makeMonoStereoImage();

/** A rounded outline of the given width and 21 pixels high; `over` is the brighter variant. */
juce::Image makeButtonFrame(int width, bool over);
} // namespace ravlin::art
