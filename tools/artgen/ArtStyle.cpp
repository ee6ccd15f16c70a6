#include "ArtStyle.h"

namespace ravlin::art {
juce::Font legendFont(float height, bool bold)
{
    juce::Font font("DejaVu Sans", height, bold ? juce::Font::bold : juce::Font::plain);
    font.setExtraKerningFactor(0.06f);
    return font;
}

void drawGlowingText(juce::Graphics& g, const juce::String& text, juce::Rectangle<float> area,
                     juce::Justification justification, juce::Colour textColour, juce::Colour haloColour,
                     float haloStrength)
{
    // The halo is the text drawn several times around its place at low opacity.
    if (haloStrength > 0.0f)
    {
        const float offsets[] = {-1.5f, -0.75f, 0.0f, 0.75f, 1.5f};
        g.setColour(haloColour.withAlpha(0.07f * haloStrength));
        for (float dx : offsets)
            for (float dy : offsets)
                g.drawText(text, area.translated(dx, dy), justification, false);
    }
    g.setColour(textColour);
    g.drawText(text, area, justification, false);
}

void fillGlow(juce::Graphics& g, juce::Point<float> centre, float radiusX, float radiusY, juce::Colour colour)
{
    if (radiusX <= 0.0f || radiusY <= 0.0f)
        return;
    juce::Graphics::ScopedSaveState state(g);
    // Draw a circle of radius radiusY stretched horizontally to get an elliptical gradient.
    g.addTransform(juce::AffineTransform::scale(radiusX / radiusY, 1.0f, centre.x, centre.y));
    juce::ColourGradient gradient(colour, centre, colour.withAlpha(0.0f), centre.translated(radiusY, 0.0f), true);
    gradient.addColour(0.35, colour.withMultipliedAlpha(0.45f));
    g.setGradientFill(gradient);
    g.fillEllipse(centre.x - radiusY, centre.y - radiusY, 2.0f * radiusY, 2.0f * radiusY);
}

void addGrain(juce::Graphics& g, juce::Rectangle<int> area, float strength, int seed)
{
    juce::Random random(seed);
    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
        {
            const float n = random.nextFloat();
            if (n < 0.5f)
                g.setColour(juce::Colours::black.withAlpha(strength * (0.5f - n)));
            else
                g.setColour(juce::Colours::white.withAlpha(strength * 0.6f * (n - 0.5f)));
            g.fillRect(x, y, 1, 1);
        }
}
} // namespace ravlin::art
