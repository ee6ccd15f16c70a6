#pragma once
// The message thread for the editor tests: the framework is initialised once for the whole test
// program on the main thread, and tests deliver pending asynchronous messages (slider
// notifications, change messages, clicks) when they need them.
#include <juce_gui_basics/juce_gui_basics.h>

namespace ravlin::test {
/** Delivers every message posted so far (and any they post in turn, for a short while). */
void deliverPendingMessages();

/** Paints `component` and its children into a new transparent ARGB image of its size. */
juce::Image paintToImage(juce::Component& component);
} // namespace ravlin::test
