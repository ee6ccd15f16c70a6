#pragma once
// A plain message over the editor's panel that says the model data is missing or damaged: which
// folder and which file. Hidden while there is nothing to say. It lets every mouse click through,
// so the controls below (the valve-set buttons, to go back to a set that loads) stay usable.
#include <juce_gui_basics/juce_gui_basics.h>

namespace ravlin {
class ModelDataNotice : public juce::Component
{
public:
    ModelDataNotice();

    /** Shows `text` (lines separated by '\n'), or hides the notice when it is empty. */
    void setText(const juce::String& text);
    const juce::String& getText() const noexcept { return text; }

    void paint(juce::Graphics& g) override;

private:
    juce::String text;
};
} // namespace ravlin
