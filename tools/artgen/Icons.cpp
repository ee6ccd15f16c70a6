#include "Icons.h"

namespace ravlin::art {
namespace {
constexpr float pi = juce::MathConstants<float>::pi;

juce::Path jack()
{
    // A quarter-inch plug lying left to right: cable, knurled barrel, sleeve, ring, tip.
    juce::Path p;
    p.addRoundedRectangle(0.0f, 0.44f, 0.12f, 0.12f, 0.03f);  // cable
    p.addRoundedRectangle(0.10f, 0.30f, 0.36f, 0.40f, 0.08f); // barrel
    p.addRectangle(0.46f, 0.40f, 0.26f, 0.20f);               // sleeve
    p.addRectangle(0.74f, 0.41f, 0.10f, 0.18f);               // ring
    p.addEllipse(0.85f, 0.38f, 0.15f, 0.24f);                 // tip
    for (int i = 0; i < 3; ++i)                               // knurl grooves cut out
        p.addRectangle(0.18f + 0.09f * static_cast<float>(i), 0.33f, 0.03f, 0.34f);
    return p;
}

juce::Path valve()
{
    juce::Path p;
    juce::Path glass;
    glass.addRoundedRectangle(0.22f, 0.02f, 0.56f, 0.80f, 0.22f);
    p.addPath(glass);
    // Hollow glass with the plate inside.
    p.addRoundedRectangle(0.29f, 0.09f, 0.42f, 0.66f, 0.17f);
    p.addRectangle(0.36f, 0.26f, 0.28f, 0.34f);
    p.addRectangle(0.42f, 0.32f, 0.16f, 0.22f);
    for (int i = 0; i < 4; ++i)
        p.addRectangle(0.30f + 0.12f * static_cast<float>(i), 0.82f, 0.05f, 0.16f);
    return p;
}

juce::Path guitarBody()
{
    juce::Path p;
    p.addRectangle(0.45f, 0.0f, 0.10f, 0.30f);  // neck
    p.addEllipse(0.26f, 0.22f, 0.48f, 0.40f);   // upper bout
    p.addEllipse(0.14f, 0.44f, 0.72f, 0.56f);   // lower bout
    p.addRectangle(0.28f, 0.40f, 0.44f, 0.24f); // waist filled in
    p.setUsingNonZeroWinding(true);             // the union of the three parts
    return p;
}

juce::Path microphone()
{
    juce::Path p;
    p.addRoundedRectangle(0.33f, 0.0f, 0.34f, 0.52f, 0.17f); // capsule
    juce::Path yoke;
    yoke.addCentredArc(0.5f, 0.32f, 0.28f, 0.30f, 0.0f, pi * 0.5f, pi * 1.5f, true);
    juce::Path yokeStroke;
    juce::PathStrokeType(0.06f).createStrokedPath(yokeStroke, yoke);
    p.addPath(yokeStroke);
    p.addRectangle(0.47f, 0.66f, 0.06f, 0.20f);               // stem
    p.addRoundedRectangle(0.28f, 0.86f, 0.44f, 0.10f, 0.04f); // base
    return p;
}

juce::Path headstock()
{
    juce::Path p;
    // Three keys a side, nut at the bottom.
    p.startNewSubPath(0.36f, 1.0f);
    p.lineTo(0.36f, 0.62f);
    p.quadraticTo(0.22f, 0.52f, 0.26f, 0.18f);
    p.quadraticTo(0.30f, 0.0f, 0.50f, 0.0f);
    p.quadraticTo(0.70f, 0.0f, 0.74f, 0.18f);
    p.quadraticTo(0.78f, 0.52f, 0.64f, 0.62f);
    p.lineTo(0.64f, 1.0f);
    p.closeSubPath();
    for (int i = 0; i < 3; ++i)
    {
        const float y = 0.14f + 0.15f * static_cast<float>(i);
        p.addEllipse(0.06f, y, 0.14f, 0.10f); // left keys
        p.addRectangle(0.18f, y + 0.035f, 0.10f, 0.03f);
        p.addEllipse(0.80f, y, 0.14f, 0.10f); // right keys
        p.addRectangle(0.72f, y + 0.035f, 0.10f, 0.03f);
    }
    return p;
}

juce::Path loudspeaker()
{
    juce::Path p;
    p.addRoundedRectangle(0.0f, 0.32f, 0.26f, 0.36f, 0.04f);
    p.startNewSubPath(0.24f, 0.32f);
    p.lineTo(0.58f, 0.02f);
    p.lineTo(0.62f, 0.02f);
    p.lineTo(0.62f, 0.98f);
    p.lineTo(0.58f, 0.98f);
    p.lineTo(0.24f, 0.68f);
    p.closeSubPath();
    return p;
}
} // namespace

juce::Path iconPath(Icon icon)
{
    switch (icon)
    {
    case Icon::inputJack: return jack();
    case Icon::valve: return valve();
    case Icon::guitarBody: return guitarBody();
    case Icon::microphone: return microphone();
    case Icon::headstock: return headstock();
    case Icon::loudspeaker: return loudspeaker();
    }
    return {};
}

void drawIcon(juce::Graphics& g, Icon icon, juce::Rectangle<float> area, juce::Colour colour)
{
    juce::Path path = iconPath(icon);
    path.applyTransform(juce::AffineTransform::scale(area.getWidth(), area.getHeight()));
    path.applyTransform(path.getTransformToScaleToFit(area, true));
    g.setColour(colour);
    if (icon == Icon::guitarBody)
    {
        // The body is the union of its parts; sound hole and bridge are drawn darker on top so they
        // read at small sizes.
        g.fillPath(path);
        const auto b = path.getBounds();
        g.setColour(juce::Colours::black.withAlpha(0.55f));
        const float hole = b.getWidth() * 0.26f;
        g.fillEllipse(b.getCentreX() - hole * 0.5f, b.getY() + b.getHeight() * 0.48f, hole, hole);
        g.fillRect(b.getCentreX() - b.getWidth() * 0.18f, b.getY() + b.getHeight() * 0.82f, b.getWidth() * 0.36f,
                   b.getHeight() * 0.06f);
        return;
    }
    path.setUsingNonZeroWinding(false);
    g.fillPath(path);
}

void drawSoundWaves(juce::Graphics& g, juce::Point<float> mouth, float firstRadius, float spacing, int count,
                    float thickness, juce::Colour colour)
{
    g.setColour(colour);
    for (int i = 0; i < count; ++i)
    {
        const float r = firstRadius + spacing * static_cast<float>(i);
        juce::Path arc;
        arc.addCentredArc(mouth.x, mouth.y, r, r, 0.0f, pi * 0.30f, pi * 0.70f, true);
        g.strokePath(arc, juce::PathStrokeType(thickness, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
    }
}
} // namespace ravlin::art
