#include "ControlArt.h"

#include "ArtStyle.h"
#include "Icons.h"

namespace ravlin::art {
namespace {
constexpr int barWidth = 208;
constexpr int barHeight = 23;

void drawBar(juce::Graphics& g, int step, int steps)
{
    const juce::Rectangle<float> track(3.0f, 6.0f, barWidth - 6.0f, 11.0f);
    // Recessed track.
    g.setColour(juce::Colours::black.withAlpha(0.55f));
    g.fillRoundedRectangle(track, 3.0f);
    g.setColour(colours::cream.withAlpha(0.22f));
    g.drawRoundedRectangle(track.translated(0.0f, 0.5f), 3.0f, 1.0f);
    g.setColour(juce::Colours::black.withAlpha(0.6f));
    g.fillRect(track.getX() + 3.0f, track.getY(), track.getWidth() - 6.0f, 1.0f);

    const auto inner = track.reduced(2.0f, 2.0f);
    const float fraction = steps > 1 ? static_cast<float>(step) / static_cast<float>(steps - 1) : 0.0f;
    juce::ColourGradient fill(colours::amberDeep, inner.getX(), 0.0f, colours::amber, inner.getRight(), 0.0f, false);
    fill.addColour(0.5, juce::Colour(0xfff29a38));

    if (steps > 20)
    {
        if (step > 0)
        {
            const auto lit = inner.withWidth(inner.getWidth() * fraction);
            g.setGradientFill(fill);
            g.fillRoundedRectangle(lit, 2.0f);
            // Highlight along the top of the bar.
            g.setColour(juce::Colours::white.withAlpha(0.28f));
            g.fillRect(lit.getX() + 1.0f, lit.getY() + 1.0f, juce::jmax(0.0f, lit.getWidth() - 2.0f), 1.5f);
            fillGlow(g, {lit.getRight(), lit.getCentreY()}, 10.0f, 8.0f, colours::amber.withAlpha(0.7f));
        }
        // Quarter marks under the track.
        for (int i = 0; i <= 4; ++i)
        {
            const float x = inner.getX() + inner.getWidth() * static_cast<float>(i) / 4.0f;
            g.setColour(colours::cream.withAlpha(0.30f));
            g.fillRect(x - 0.5f, track.getBottom() + 2.0f, 1.0f, 3.0f);
        }
        return;
    }

    // Segmented: one lit cell per step above zero.
    const int cells = steps - 1;
    const float gap = 2.0f;
    const float cellWidth = (inner.getWidth() - gap * static_cast<float>(cells - 1)) / static_cast<float>(cells);
    for (int c = 0; c < cells; ++c)
    {
        const juce::Rectangle<float> cell(inner.getX() + static_cast<float>(c) * (cellWidth + gap), inner.getY(),
                                          cellWidth, inner.getHeight());
        if (c < step)
        {
            g.setColour(fill.getColourAtPosition(static_cast<double>(c) / juce::jmax(1, cells - 1)));
            g.fillRoundedRectangle(cell, 1.5f);
            g.setColour(juce::Colours::white.withAlpha(0.25f));
            g.fillRect(cell.getX() + 1.0f, cell.getY() + 1.0f, cell.getWidth() - 2.0f, 1.5f);
        }
        else
        {
            g.setColour(colours::cream.withAlpha(0.07f));
            g.fillRoundedRectangle(cell, 1.5f);
        }
    }
    if (step > 0)
    {
        const float x = inner.getX() + static_cast<float>(step) * (cellWidth + gap) - gap - cellWidth * 0.5f;
        fillGlow(g, {x, inner.getCentreY()}, 12.0f, 9.0f, colours::amber.withAlpha(0.55f));
    }
    // Middle mark for the tone controls and gain.
    g.setColour(colours::cream.withAlpha(0.30f));
    g.fillRect(inner.getCentreX() - 0.5f, track.getBottom() + 2.0f, 1.0f, 3.0f);
}
} // namespace

juce::Image makeBarStrip(int frames)
{
    juce::Image strip(juce::Image::ARGB, barWidth, barHeight * frames, true);
    juce::Graphics g(strip);
    for (int k = 0; k < frames; ++k)
    {
        juce::Graphics::ScopedSaveState state(g);
        g.setOrigin(0, k * barHeight);
        g.reduceClipRegion(0, 0, barWidth, barHeight);
        drawBar(g, k, frames);
    }
    return strip;
}

juce::Image makeOversamplingStrip()
{
    constexpr int width = 152;
    constexpr int height = 29;
    const char* labels[] = {"Off", "X2", "X4", "X8", "X16"};
    juce::Image strip(juce::Image::ARGB, width, height * 5, true);
    juce::Graphics g(strip);
    const float cell = static_cast<float>(width) / 5.0f;
    for (int k = 0; k < 5; ++k)
    {
        juce::Graphics::ScopedSaveState state(g);
        g.setOrigin(0, k * height);
        g.reduceClipRegion(0, 0, width, height);
        g.setColour(juce::Colours::black.withAlpha(0.45f));
        g.fillRoundedRectangle(0.5f, 3.5f, width - 1.0f, height - 7.0f, 5.0f);
        g.setColour(colours::cream.withAlpha(0.2f));
        g.drawRoundedRectangle(0.5f, 3.5f, width - 1.0f, height - 7.0f, 5.0f, 1.0f);
        g.setFont(legendFont(10.5f));
        for (int i = 0; i < 5; ++i)
        {
            const juce::Rectangle<float> area(cell * static_cast<float>(i), 0.0f, cell, static_cast<float>(height));
            if (i == k)
            {
                const auto pill = area.reduced(2.5f, 6.0f);
                g.setColour(colours::amber.withAlpha(0.22f));
                g.fillRoundedRectangle(pill, 4.0f);
                g.setColour(colours::amber.withAlpha(0.85f));
                g.drawRoundedRectangle(pill, 4.0f, 1.0f);
                drawGlowingText(g, labels[i], area, juce::Justification::centred, colours::amber.brighter(0.3f),
                                colours::amber, 1.0f);
            }
            else
            {
                g.setColour(colours::creamDim);
                g.drawText(labels[i], area, juce::Justification::centred, false);
            }
        }
    }
    return strip;
}

juce::Image makeMonoStereoImage()
{
    juce::Image image(juce::Image::ARGB, 37, 44, true);
    juce::Graphics g(image);
    for (int half = 0; half < 2; ++half)
    {
        juce::Graphics::ScopedSaveState state(g);
        g.setOrigin(0, half * 22);
        g.reduceClipRegion(0, 0, 37, 22);
        g.setColour(juce::Colours::black.withAlpha(0.35f));
        g.fillRoundedRectangle(0.5f, 0.5f, 36.0f, 21.0f, 5.0f);
        g.setColour(colours::cream.withAlpha(0.3f));
        g.drawRoundedRectangle(0.5f, 0.5f, 36.0f, 21.0f, 5.0f, 1.0f);
        drawIcon(g, Icon::loudspeaker, {5.0f, 4.0f, 16.0f, 14.0f}, colours::cream);
        const juce::Colour wave = half == 0 ? colours::cream : colours::amber;
        drawSoundWaves(g, {17.0f, 11.0f}, 6.0f, 5.0f, half == 0 ? 1 : 2, 1.6f, wave);
    }
    return image;
}

juce::Image makeButtonFrame(int width, bool over)
{
    juce::Image image(juce::Image::ARGB, width, 21, true);
    juce::Graphics g(image);
    const juce::Rectangle<float> box(1.0f, 1.0f, static_cast<float>(width) - 2.0f, 19.0f);
    if (over)
    {
        g.setColour(colours::amber.withAlpha(0.16f));
        g.fillRoundedRectangle(box, 6.0f);
        g.setColour(colours::amber.withAlpha(0.35f));
        g.drawRoundedRectangle(box.expanded(0.5f), 6.5f, 1.5f);
        g.setColour(colours::amber);
        g.drawRoundedRectangle(box, 6.0f, 1.2f);
    }
    else
    {
        g.setColour(colours::cream.withAlpha(0.45f));
        g.drawRoundedRectangle(box, 6.0f, 1.0f);
    }
    return image;
}
} // namespace ravlin::art
