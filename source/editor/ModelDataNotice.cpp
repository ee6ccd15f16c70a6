#include "editor/ModelDataNotice.h"

namespace ravlin {
ModelDataNotice::ModelDataNotice()
{
    setInterceptsMouseClicks(false, false);
    setVisible(false);
}

void ModelDataNotice::setText(const juce::String& newText)
{
    if (newText == text)
        return;
    text = newText;
    setVisible(text.isNotEmpty());
    repaint();
}

void ModelDataNotice::paint(juce::Graphics& g)
{
    const auto area = getLocalBounds().toFloat().reduced(1.0f);
    g.setColour(juce::Colour(0xe6201816));
    g.fillRoundedRectangle(area, 6.0f);
    g.setColour(juce::Colour(0xffd8553a));
    g.drawRoundedRectangle(area, 6.0f, 2.0f);

    juce::StringArray lines;
    lines.addLines(text);
    auto body = getLocalBounds().reduced(12, 10);
    if (!lines.isEmpty())
    {
        // The first line is the headline; the rest is fitted into the remaining space.
        g.setColour(juce::Colour(0xffffc9a8));
        g.setFont(juce::Font(15.0f, juce::Font::bold));
        g.drawFittedText(lines[0], body.removeFromTop(22), juce::Justification::centredLeft, 1);
        lines.remove(0);
    }
    g.setColour(juce::Colours::white);
    g.setFont(juce::Font(12.5f));
    g.drawFittedText(lines.joinIntoString("\n"), body, juce::Justification::topLeft, 9, 0.9f);
}
} // namespace ravlin
