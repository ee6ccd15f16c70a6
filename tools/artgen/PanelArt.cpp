#include "PanelArt.h"

#include "ArtStyle.h"
#include "Icons.h"

namespace ravlin::art {
namespace {
// Positions of the editor's controls these pictures frame (x, y, width, height in the window).
const juce::Rectangle<float> tab(176.0f, 0.0f, 112.0f, 24.0f);
const juce::Rectangle<float> freshButton(155.0f, 44.0f, 74.0f, 32.0f);
const juce::Rectangle<float> agedButton(234.0f, 44.0f, 76.0f, 32.0f);
const juce::Rectangle<float> selector(198.0f, 287.0f, 152.0f, 29.0f);
constexpr float barX = 127.0f;
constexpr float barY = 102.0f;
constexpr float barWidth = 208.0f;
constexpr float barHeight = 23.0f;
constexpr float barSpacing = 30.0f;

void drawTab(juce::Graphics& g, bool open)
{
    juce::Path shape;
    shape.addRoundedRectangle(tab.getX(), tab.getY() - 8.0f, tab.getWidth(), tab.getHeight() + 8.0f, 8.0f);
    g.setColour(juce::Colour(0xff121110).withAlpha(open ? 0.88f : 0.72f));
    g.fillPath(shape);
    g.setColour((open ? colours::amber : colours::cream).withAlpha(open ? 0.75f : 0.35f));
    g.strokePath(shape, juce::PathStrokeType(1.0f));

    g.setFont(legendFont(10.5f));
    const auto text = tab.withTrimmedRight(16.0f).withTrimmedLeft(6.0f);
    drawGlowingText(g, "SETTINGS", text, juce::Justification::centred, open ? colours::amber : colours::cream,
                    colours::amber, open ? 1.0f : 0.0f);
    // Chevron: down while closed (click to open), up while open.
    juce::Path chevron;
    const float cx = tab.getRight() - 17.0f;
    const float cy = tab.getCentreY() + 0.5f;
    if (open)
        chevron.addTriangle(cx - 4.0f, cy + 2.0f, cx + 4.0f, cy + 2.0f, cx, cy - 3.0f);
    else
        chevron.addTriangle(cx - 4.0f, cy - 2.0f, cx + 4.0f, cy - 2.0f, cx, cy + 3.0f);
    g.setColour(open ? colours::amber : colours::cream.withAlpha(0.8f));
    g.fillPath(chevron);
}

void drawCredit(juce::Graphics& g)
{
    g.setFont(legendFont(9.0f, false));
    g.setColour(colours::cream.withAlpha(0.45f));
    g.drawText("RAVLIN Preamp v1.3", juce::Rectangle<float>(300.0f, 350.0f, 152.0f, 14.0f),
               juce::Justification::centredRight, false);
}

void drawClearHalf(juce::Graphics& g)
{
    // A faint shade along the top edge so the tab and the mono/stereo switch read on any frame.
    g.setGradientFill(juce::ColourGradient(juce::Colours::black.withAlpha(0.28f), 0.0f, 0.0f,
                                           juce::Colours::black.withAlpha(0.0f), 0.0f, 34.0f, false));
    g.fillRect(0.0f, 0.0f, static_cast<float>(windowWidth), 34.0f);
    drawTab(g, false);
    drawCredit(g);
}

/** A small glass valve standing on its pins; the aged one has smoky glass and a dimmer heater. */
void drawMiniValve(juce::Graphics& g, juce::Rectangle<float> area, bool aged)
{
    const auto glassArea = area.withTrimmedBottom(3.0f);
    const float radius = glassArea.getWidth() * 0.5f;
    juce::Path glass;
    glass.addRoundedRectangle(glassArea.getX(), glassArea.getY(), glassArea.getWidth(), glassArea.getHeight(), radius,
                              2.0f, true, true, true, true);
    const juce::Colour tint = aged ? juce::Colour(0xff8a6a3a) : juce::Colour(0xffd8e4ea);
    g.setColour(tint.withAlpha(aged ? 0.35f : 0.18f));
    g.fillPath(glass);
    // Silvered top, dark plate and the heater glowing through it.
    g.setColour(juce::Colour(aged ? 0xff3c3530 : 0xff8e9399));
    g.fillRect(glassArea.getX() + 1.5f, glassArea.getY() + 1.5f, glassArea.getWidth() - 3.0f, 3.5f);
    const juce::Rectangle<float> plate(glassArea.getX() + 3.0f, glassArea.getY() + 7.0f, glassArea.getWidth() - 6.0f,
                                       glassArea.getHeight() - 11.0f);
    g.setColour(juce::Colour(0xff2a2b2e));
    g.fillRect(plate);
    fillGlow(g, plate.getCentre(), 5.0f, 7.0f, colours::heater.withAlpha(aged ? 0.55f : 0.9f));
    g.setColour(colours::cream.withAlpha(0.7f));
    g.strokePath(glass, juce::PathStrokeType(1.0f));
    g.setColour(juce::Colours::white.withAlpha(0.5f));
    g.fillRect(glassArea.getX() + 2.0f, glassArea.getY() + 5.0f, 1.0f, glassArea.getHeight() - 8.0f);
    g.setColour(juce::Colour(0xffa5a8ad));
    for (int i = 0; i < 3; ++i)
        g.fillRect(glassArea.getX() + 3.0f + 3.0f * static_cast<float>(i), glassArea.getBottom(), 1.0f, 3.0f);
}

void drawValveSetLabel(juce::Graphics& g, juce::Rectangle<float> button, const juce::String& name, bool aged)
{
    // Small valve picture above the button, the set's name inside it.
    drawMiniValve(g, juce::Rectangle<float>(button.getCentreX() - 6.0f, 26.0f, 12.0f, 20.0f), aged);
    g.setFont(legendFont(10.0f));
    g.setColour(colours::cream);
    g.drawText(name, button.reduced(2.0f, 0.0f), juce::Justification::centred, false);
}

void drawRow(juce::Graphics& g, int row, const juce::String& name, Icon icon)
{
    const float y = barY + barSpacing * static_cast<float>(row);
    g.setFont(legendFont(10.0f));
    g.setColour(colours::cream.withAlpha(0.9f));
    g.drawText(name, juce::Rectangle<float>(14.0f, y, 76.0f, barHeight), juce::Justification::centredRight, false);
    // Small icon at the low end, large one at the high end of the bar.
    drawIcon(g, icon, juce::Rectangle<float>(barX - 24.0f, y + 5.0f, 16.0f, 13.0f), colours::cream.withAlpha(0.55f));
    drawIcon(g, icon, juce::Rectangle<float>(barX + barWidth + 8.0f, y - 1.0f, 30.0f, 25.0f),
             colours::cream.withAlpha(0.85f));
}

void drawPanelHalf(juce::Graphics& g)
{
    // The frosted panel: a grey layer of about 20 % over the (blurred) picture, a little denser where
    // the legends sit so they read over the glow.
    g.setColour(juce::Colour(0xff2c2c2e).withAlpha(0.20f));
    g.fillRect(0, 0, windowWidth, windowHeight);
    juce::ColourGradient dense(juce::Colours::black.withAlpha(0.22f), 0.0f, 0.0f, juce::Colours::black.withAlpha(0.22f),
                               static_cast<float>(windowWidth), 0.0f, false);
    dense.addColour(0.5, juce::Colours::black.withAlpha(0.08f));
    g.setGradientFill(dense);
    g.fillRoundedRectangle(8.0f, 22.0f, windowWidth - 16.0f, 302.0f, 10.0f);

    drawValveSetLabel(g, freshButton, "Fresh 12ax7", false);
    drawValveSetLabel(g, agedButton, "Aged 12ax7", true);

    // Dividers between the valve choice, the six bars and the oversampling selector.
    g.setColour(colours::cream.withAlpha(0.12f));
    g.fillRect(40.0f, 88.0f, windowWidth - 80.0f, 1.0f);
    g.fillRect(40.0f, 281.0f, windowWidth - 80.0f, 1.0f);

    drawRow(g, 0, "INPUT", Icon::inputJack);
    drawRow(g, 1, "GAIN", Icon::valve);
    drawRow(g, 2, "TREBLE", Icon::guitarBody);
    drawRow(g, 3, "MIDDLE", Icon::microphone);
    drawRow(g, 4, "BASS", Icon::headstock);
    drawRow(g, 5, "OUTPUT", Icon::loudspeaker);

    g.setFont(legendFont(10.0f));
    g.setColour(colours::cream.withAlpha(0.9f));
    g.drawText("OVERSAMPLING", selector.withX(60.0f).withWidth(selector.getX() - 68.0f),
               juce::Justification::centredRight, false);

    drawTab(g, true);
    drawCredit(g);
}
} // namespace

juce::Image makeBackground()
{
    juce::Image image(juce::Image::ARGB, windowWidth, 2 * windowHeight, true);
    juce::Graphics g(image);
    {
        juce::Graphics::ScopedSaveState state(g);
        g.reduceClipRegion(0, 0, windowWidth, windowHeight);
        drawClearHalf(g);
    }
    g.setOrigin(0, windowHeight);
    g.reduceClipRegion(0, 0, windowWidth, windowHeight);
    drawPanelHalf(g);
    return image;
}
} // namespace ravlin::art
